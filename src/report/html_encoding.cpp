#include "report/html_encoding.h"

#include <array>

namespace sirvane {

namespace {

// Which bytes need an entity; most names and hosts have none, so the text is
// scanned with one table look-up a byte and copied in runs.
constexpr auto kNeedsEntity = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {'&', '<', '>', '"', '\''}) table[c] = true;
  return table;
}();

}  // namespace

void AppendHtmlText(std::string& out, std::string_view text) {
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
