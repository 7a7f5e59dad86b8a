#pragma once
// Where the links of a report page lead (header only: the fuzz targets use it too).
#include <string>
#include <vector>

namespace sirvane::testing {

// The target of every <a href="..."> in `page`, percent-decoded: the name of
// the file it opens.
inline std::vector<std::string> LinkTargets(const std::string& page) {
  std::vector<std::string> targets;
  for (std::size_t at = 0; (at = page.find("<a href=\"", at)) != std::string::npos;) {
    at += 9;
    const std::string href = page.substr(at, page.find('"', at) - at);
    std::string& target = targets.emplace_back();
    for (std::size_t i = 0; i < href.size(); ++i) {
      const bool escape = href[i] == '%' && i + 2 < href.size();
      target.push_back(escape ? static_cast<char>(std::stoi(href.substr(i + 1, 2), nullptr, 16)) : href[i]);
      if (escape) i += 2;
    }
  }
  return targets;
}

}  // namespace sirvane::testing
