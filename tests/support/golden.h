#pragma once
// Expected outputs kept in tests/golden, and the report setting they were made with.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "report/report_context.h"
#include "support/temp_dir.h"
#include "usage/usage_tables.h"

namespace sirvane::testing {

// Content of tests/golden/<name>; a missing file fails the test.
std::string Golden(const std::string& name);
// The rows of the HTML table that starts with `header`, tags removed: cells
// joined by '|', a highlighted figure marked with '!'.
std::vector<std::string> TableRows(const std::string& page, const std::string& header);

struct UserUsage {
  std::string name;
  std::int64_t traffic = 0;
  std::vector<std::pair<std::string, std::int64_t>> hosts = {};
  std::vector<std::string> addresses = {};
};
// Adds `users` with their traffic, hosts and addresses, and finishes the host lists.
void AddUsers(UsageTables& tables, const std::vector<UserUsage>& users);

// A report for March 2026 written on 12 March 2026 at 9:30 into a fresh directory.
struct ExampleReport {
  ExampleReport();
  void Add(const std::vector<UserUsage>& users) { AddUsers(tables, users); }
  ReportContext Context(double factor) const { return {settings, templates, factor, clock, formats}; }
  std::string Read(const std::string& file) const { return ReadFile(dir.File(file)); }

  TempDir dir;
  Settings settings;
  PageTemplates templates;
  FixedClock clock{LocalDateTime{2026, 3, 12, 9, 30, 0}};
  LocaleFormats formats = LocaleFormats::Picture("dd.MM.yyyy", "H:mm:ss");
  UsageTables tables;
};

}  // namespace sirvane::testing
