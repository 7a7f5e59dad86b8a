#include "support/reading_ways.h"

#include <cstdio>
#include <sstream>

#include "platform/error.h"
#include "platform/text_file.h"
#include "support/byte_scans.h"
#include "support/temp_dir.h"

namespace sirvane::testing {

std::vector<std::pair<std::string, ReadingPlan>> ReadingWays() {
  std::vector<std::pair<std::string, ReadingPlan>> ways = {{"plain", {.fast = false}},
                                                            {"line reader", {.ranges = false}}};
  for (ByteScan scan : ByteScansHere()) ways.push_back({ByteScanName(scan), {.threads = 1, .scan = scan}});
  for (std::size_t n = 2; n <= 4; ++n) {
    ways.push_back({std::to_string(n) + " parts", {.threads = n, .min_split_size = 0}});
  }
  return ways;
}

std::string ReadAndDump(const std::string& dir, const std::string& log, const Settings& settings,
                        const LowerCase& lower, const ReadingPlan& plan) {
  return ReadFilesAndDump(dir, {log, log}, settings, lower, plan);
}

std::string ReadFilesAndDump(const std::string& dir, const std::vector<std::string>& logs, const Settings& settings,
                             const LowerCase& lower, const ReadingPlan& plan) {
  std::vector<LogFileToRead> files;
  for (const std::string& log : logs) {
    const std::string name = "f" + std::to_string(files.size() + 1);
    files.push_back(LogFileToRead{dir + "/" + name + ".log", name, log.size()});
    std::remove(files.back().path.c_str());
    if (log != kMissingFile) WriteFile(files.back().path, log);
  }
  UsageTables tables;
  TextFileWriter work_log;
  work_log.Create(dir + "/work.log");
  std::ostringstream out;
  HeldWarnings warnings;  // in the order they would be shown
  const auto work_log_text = [&] {
    work_log.Close();
    std::string text = ReadFile(dir + "/work.log");
    for (const std::string& warning : warnings.Take()) text += "warning: " + warning + "\n";
    for (std::size_t at; (at = text.find(dir)) != std::string::npos;) text.replace(at, dir.size(), "DIR");
    return "work log [" + text + "]\n";
  };
  try {
    AnalyzeLogFiles(files, settings, tables, lower, work_log, plan);
  } catch (const RunError& error) {
    return error.kind() + ": " + error.advice() + "\n" + work_log_text();
  }
  tables.FinishHostLists();
  for (const auto& file : tables.LogFiles) out << "file " << file.FileName << ' ' << file.RecordCount << '\n';
  for (const TReportRec& user : tables.Users) {
    out << "user [" << user.UserName.view() << "] " << user.Traffic << '\n';
    for (const auto& h : user.Hosts) out << "  host [" << tables.HostName(h.id) << "] " << h.traffic << '\n';
    for (std::size_t j = 0; j < user.Addresses.size(); ++j) {
      out << "  addr [" << tables.AddressName(user.Addresses[j]) << "]\n";
    }
  }
  return out.str() + work_log_text();
}

}  // namespace sirvane::testing
