#include "platform/file_system.h"

namespace sirvane {

bool MatchesMask(const std::string& name, const std::string& pattern) {
  // Iterative matching: on a mismatch, let the last '*' swallow one more byte
  // and retry from there; earlier stars never need revisiting.
  std::size_t n = 0;
  std::size_t p = 0;
  std::size_t star = std::string::npos;
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_name = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldAsciiCase(static_cast<unsigned char>(pattern[p])) ==
                                         FoldAsciiCase(static_cast<unsigned char>(name[n])))) {
      ++p;
      ++n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace sirvane
