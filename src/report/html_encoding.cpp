#include "report/html_encoding.h"

namespace sirvane {

void AppendHtmlText(std::string& out, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\'': entity = "&#39;"; break;
      default: continue;
    }
    out.append(text.substr(start, i - start));
    out.append(entity);
    start = i + 1;
  }
  out.append(text.substr(start));
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
