#include "support/golden.h"

#include <gtest/gtest.h>

#include "support/program.h"

namespace sirvane::testing {

std::string Golden(const std::string& name) {
  const std::string content = ReadFile(SourceDir() + "/tests/golden/" + name);
  EXPECT_FALSE(content.empty()) << "missing golden file " << name;
  return content;
}

std::vector<std::string> TableRows(const std::string& page, const std::string& header) {
  const std::size_t begin = page.find(header + "\r\n");
  const std::size_t end = page.find("</table>", begin);
  if (begin == std::string::npos || end == std::string::npos) {
    ADD_FAILURE() << "no complete table after " << header;
    return {};
  }
  std::vector<std::string> rows(1);
  for (std::size_t i = begin + header.size(); i < end; ++i) {
    if (page[i] == '<') {
      const std::size_t close = page.find('>', i);
      const std::string tag = page.substr(i + 1, close - i - 1);
      if (tag.starts_with("td ")) rows.back() += '|';
      if (tag == "font color=\"#FF0000\"") rows.back() += '!';
      if (tag == "/tr") rows.emplace_back();
      i = close;
    } else if (page[i] != '\r' && page[i] != '\n') {
      rows.back() += page[i];
    }
  }
  EXPECT_EQ(rows.back(), "") << "text after the last row";
  rows.pop_back();
  for (std::string& row : rows) row.erase(0, row.starts_with('|') ? 1 : 0);
  return rows;
}

ExampleReport::ExampleReport() {
  settings.ReportMonth = 3;
  settings.ReportYear = 2026;
  settings.Limit = 10485760;
  settings.OutputPath = dir.path() + "/";
  BuildPageTemplates(templates, 3, 2026);
}

void AddUsers(UsageTables& tables, const std::vector<UserUsage>& users) {
  for (const UserUsage& user : users) {
    TReportRec& record = tables.Users[tables.AddUser(user.name)];
    record.Traffic = user.traffic;
    for (const auto& [host, bytes] : user.hosts) tables.AddHostTraffic(record, host, bytes);
    for (const std::string& address : user.addresses) tables.AddAddress(record, address);
  }
  tables.FinishHostLists();
}

}  // namespace sirvane::testing
