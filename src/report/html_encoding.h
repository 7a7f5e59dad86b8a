#pragma once
// Escaping is done once, at output, by one encoder per output context. Names
// come from clients and hosts from requested URLs: written raw, anyone able to
// send a request through the proxy could put script into the report.
#include <string>
#include <string_view>

namespace sirvane {

// Text inside an element or attribute: & < > " ' become entities.
void AppendHtmlText(std::string& out, std::string_view text);
// Whether AppendHtmlText would change the text (most names and hosts: no).
bool NeedsHtmlEntity(std::string_view text);
std::string HtmlText(std::string_view text);

// A relative link target: every byte outside A-Z a-z 0-9 - . _ ~ as %XX.
void AppendUrlPath(std::string& out, std::string_view path);
std::string UrlPath(std::string_view path);

}  // namespace sirvane
