// The line reader against a plain reference splitter. The first two bytes
// give a number of 'x' bytes put in front of the rest, so that line ends also
// fall on the reader's 1 MiB block boundaries.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/line_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Lines end at LF, CR LF or a lone CR; a last line without an end counts.
std::vector<std::string> ReferenceLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t j = i;
    while (j < text.size() && text[j] != '\n' && text[j] != '\r') ++j;
    lines.push_back(text.substr(i, j - i));
    if (j < text.size() && text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ++j;
    i = j + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t padding = (std::size_t{data[0]} | std::size_t{data[1]} << 8) * 32;  // up to 2 MiB
  const std::string text = std::string(padding, 'x') + std::string(reinterpret_cast<const char*>(data + 2), size - 2);

  struct Scratch {
    Scratch() {
      char name[] = "/tmp/sirvane-line-reader-fuzz-XXXXXX";
      const int fd = ::mkstemp(name);
      Check(fd >= 0);
      ::close(fd);
      path = name;
    }
    ~Scratch() { ::unlink(path.c_str()); }
    std::string path;
  };
  static const Scratch scratch;
  const std::string& path = scratch.path;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr);
  Check(std::fwrite(text.data(), 1, text.size(), file) == text.size());
  Check(std::fclose(file) == 0);

  sirvane::LineReader reader;
  reader.Open(path);
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.emplace_back(reader.ReadLine());
  Check(lines == ReferenceLines(text));
  return 0;
}
