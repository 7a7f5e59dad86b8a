#include "app/analysis_driver.h"
#include "app/command_line.h"
#include "app/run.h"
#include "config/configuration.h"
#include "platform/system.h"

namespace sirvane {

namespace {

void WriteAbortLog(Run& run) {
  // Always in the current directory, whatever the configuration named.
  run.settings.WorkLogName = "abort.log";
  run.WorkLog.Create(run.settings.WorkLogName);
  run.WorkLog.WriteLine("Configuration file " + run.settings.ConfigFileName);
  run.WorkLog.WriteLine(run.settings.ConfigErrors + ";");
  run.WorkLog.WriteLine("Abort analyze : " + FormatDate(run.formats, run.clock.Now()) + ";");
  run.WorkLog.Flush();
}

void WriteSettingsSummary(Run& run) {
  Settings& s = run.settings;
  run.WorkLog.Write("***Sirvane working report - ");
  run.WorkLog.WriteLine(FormatDate(run.formats, run.clock.Now()) + "***");
  const char last = s.OutputPath.empty() ? '\0' : s.OutputPath.back();
  if (!s.OutputPath.empty() && last != '\\' && last != '/') s.OutputPath += kDirectorySeparator;
  run.WorkLog.WriteLine("Configuration file is OK");
  run.WorkLog.WriteLine("Input path is " + s.InputPath);
  run.WorkLog.WriteLine("Output path is " + s.OutputPath);
  run.WorkLog.WriteLine("Month is " + std::to_string(s.ReportMonth));
  run.WorkLog.WriteLine(" ");
  run.WorkLog.Flush();
}

}  // namespace

int RunAnalyzer(const std::vector<std::string>& arguments, Run& run) {
  run.settings = Settings();
  if (!arguments.empty()) run.settings.ConfigFileName = AsciiLower(arguments.front());

  if (LoadConfiguration(run.settings.ConfigFileName, run.settings, run.clock.Now(), run.lower)) {
    run.WorkLog.Create(run.settings.WorkLogName);
    WriteSettingsSummary(run);
    BuildPageTemplates(run.templates, run.settings.ReportMonth, run.settings.ReportYear);
    AnalyzeLogs(run);
  } else {
    WriteAbortLog(run);
  }
  run.WorkLog.Close();
  return 0;
}

}  // namespace sirvane
