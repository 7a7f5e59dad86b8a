#include "report/html_encoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace sirvane {

namespace {

// Which bytes need an entity. Most names and hosts have none: they are
// checked a word at a time and copied whole; the others are copied in runs.
constexpr auto kNeedsEntity = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {'&', '<', '>', '"', '\''}) table[c] = true;
  return table;
}();

// Whether any byte needs an entity, eight bytes at a time: a byte of x is
// zero exactly where the text holds c, and (x - 1) & ~x sets the top bit of
// some byte exactly when one is zero.
bool NeedsAnyEntity(std::string_view text) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kTops = 0x8080808080808080;
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    std::uint64_t found = 0;
    for (const unsigned char c : {'&', '<', '>', '"', '\''}) {
      const std::uint64_t x = word ^ (kOnes * c);
      found |= (x - kOnes) & ~x;
    }
    if ((found & kTops) != 0) return true;
  }
  for (; i < text.size(); ++i) {
    if (kNeedsEntity[static_cast<unsigned char>(text[i])]) return true;
  }
  return false;
}

}  // namespace

void AppendHtmlText(std::string& out, std::string_view text) {
  if (!NeedsAnyEntity(text)) {
    out.append(text);
    return;
  }
  const char* run = text.data();
  const char* const end = run + text.size();
  for (const char* p = run; p != end; ++p) {
    if (!kNeedsEntity[static_cast<unsigned char>(*p)]) continue;
    out.append(run, p);
    switch (*p) {
      case '&': out.append("&amp;"); break;
      case '<': out.append("&lt;"); break;
      case '>': out.append("&gt;"); break;
      case '"': out.append("&quot;"); break;
      default: out.append("&#39;"); break;
    }
    run = p + 1;
  }
  out.append(run, end);
}

std::string HtmlText(std::string_view text) {
  std::string out;
  AppendHtmlText(out, text);
  return out;
}

void AppendUrlPath(std::string& out, std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
}

std::string UrlPath(std::string_view path) {
  std::string out;
  AppendUrlPath(out, path);
  return out;
}

}  // namespace sirvane
