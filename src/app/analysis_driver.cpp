#include "app/analysis_driver.h"

#include <cmath>

#include "platform/file_system.h"
#include "platform/system.h"
#include "report/address_list.h"
#include "report/export_report.h"
#include "report/summary_page.h"
#include "report/user_pages.h"
#include "usage/log_ingestion.h"
#include "usage/post_processing.h"

namespace sirvane {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

double PrognosisFactorFor(int day_of_month, bool final_report) {
  const double factor = 30.0 / day_of_month;
  return factor < 1.0 || final_report ? 1.0 : factor;
}

std::string DirectoryPrefix(const std::string& input_path) {
  std::string prefix;
  std::size_t i = 0;
  const std::size_t n = input_path.size();
  std::size_t lead = 0;
  while (lead < n && IsSeparator(input_path[lead])) ++lead;
  if (lead > 0) prefix.append(input_path, 0, lead >= 2 ? 2 : 1);
  i = lead;
  while (i < n) {
    std::size_t end = i;
    while (end < n && !IsSeparator(input_path[end])) ++end;
    if (end == n) break;  // the last part is the file mask
    prefix.append(input_path, i, end - i);
    prefix.push_back(input_path[end]);
    i = end;
    while (i < n && IsSeparator(input_path[i])) ++i;
  }
  return prefix;
}

std::string FormatTimeOfDay(double fraction, const LocaleFormats& formats) {
  const long long ms = std::llround(fraction * 86400000.0);
  LocalDateTime t;
  t.hour = static_cast<int>((ms / 3600000) % 24);
  t.minute = static_cast<int>((ms / 60000) % 60);
  t.second = static_cast<int>((ms / 1000) % 60);
  return FormatTime(formats, t);
}

void AnalyzeLogs(Run& run) {
  const Settings& s = run.settings;
  TextFileWriter& log = run.WorkLog;
  log.WriteLine("Analyzing log files...");
  log.Flush();
  const LocalDateTime start = run.clock.Now();
  run.StartTime = TimeOfDayFraction(start);
  run.tables.LogFiles.clear();
  run.PrognosisFactor = PrognosisFactorFor(start.day, s.FinalReport);
  run.tables.Users.clear();

  const std::vector<DirectoryEntry> entries = FindEntries(s.InputPath);
  if (entries.empty()) {
    log.WriteLine("No such log files: " + s.InputPath);
    return;
  }
  const std::string prefix = DirectoryPrefix(s.InputPath);
  std::vector<LogFileToRead> files;
  for (const DirectoryEntry& entry : entries) {
    if (entry.name == "." || entry.name == "..") continue;
    files.push_back(LogFileToRead{prefix + entry.name, entry.name, static_cast<std::uint64_t>(entry.size)});
  }
  AnalyzeLogFiles(files, s, run.tables, run.lower, log);
  run.tables.FinishHostLists();
  ReturnFreeMemory();  // the reading's indexes and the merged parts

  ExcludeLocalTraffic(run.tables, s);
  log.WriteLine("Sorting user list... ");
  log.Flush();
  SortUsers(run.tables);
  log.WriteLine("Sorting host list...");
  log.Flush();
  SortHosts(run.tables);
  ReturnFreeMemory();  // the ordering's arrays
  run.EndTime = TimeOfDayFraction(run.clock.Now());
  log.WriteLine("Creating report files...");
  log.WriteLine(" ");
  log.Flush();
  CreateReports(run);
}

void CreateReports(Run& run) {
  TextFileWriter& log = run.WorkLog;
  log.WriteLine("filename:number of log records;");
  log.WriteLine(" ");
  std::int64_t total = 0;
  for (const TFileAnalyzeRep& file : run.tables.LogFiles) {
    log.WriteLine(file.FileName + ":" + std::to_string(file.RecordCount) + ";");
    total += file.RecordCount;
  }
  log.WriteLine(" ");
  log.WriteLine("all:" + std::to_string(total) + ";");
  log.WriteLine("Begin of creating report at " + FormatTimeOfDay(run.StartTime, run.formats) + ";");
  log.WriteLine("End of creating report at " + FormatTimeOfDay(run.EndTime, run.formats) + ";");
  log.WriteLine("Processing time is " + FormatTimeOfDay(std::fabs(run.EndTime - run.StartTime), run.formats) +
                ";");
  log.Flush();

  // All report files go into place together, the summary page last, so that
  // a run that stops midway leaves the previous run's files untouched.
  StagedFiles staged;
  ReportContext context{run.settings, run.templates, run.PrognosisFactor, run.clock, run.formats, &staged};
  context.compare_old_pages = OldPagesMayMatch(context);  // while the last run's summary page is in place
  if (run.settings.IpField > 0) WriteAddressList(run.tables, context);
  WriteSummaryPage(run.tables, context);
  ReturnFreeMemory();  // the page names' index
  WriteUserPages(run.tables, context);
  WriteExports(run.tables, context);  // nothing unless configured
  staged.Commit("report.html");
}

}  // namespace sirvane
