#include "report/export_report.h"

#include "platform/text_file.h"
#include "report/export_csv.h"
#include "report/export_json.h"
#include "report/numbers.h"
#include "usage/post_processing.h"

namespace sirvane {

namespace {

void Add(ExportSum& sum, const ExportUser& user) {
  sum.bytes = SaturatingAdd(sum.bytes, user.bytes);
  sum.kilobytes = SaturatingAdd(sum.kilobytes, user.kilobytes);
}

void WriteFile(const std::string& path, const std::string& content, StagedFiles* staged) {
  TextFileWriter file;
  file.Create(path, staged);
  file.Write(content);
  file.Close();
}

}  // namespace

ExportReport BuildExportReport(const UsageTables& tables, const ReportContext& context) {
  const Settings& settings = context.settings;
  const double factor = context.prognosis_factor;
  ExportReport report;
  report.month = settings.ReportMonth;
  report.year = settings.ReportYear;
  report.limit = settings.Limit;
  report.users.reserve(tables.Users.size());
  for (std::size_t position = 0; position < tables.Users.size(); ++position) {
    const TReportRec& record = tables.Users[position];
    ExportUser& user = report.users.emplace_back();
    user.name = record.UserName;
    user.visible = IsVisibleUser(record, settings);
    if (user.visible) user.page = std::string(tables.PageName(position)) + ".html";
    user.bytes = record.Traffic;
    user.kilobytes = KiloBytes(record.Traffic);
    user.prognosis_bytes = Project(record.Traffic, factor);
    user.prognosis_kilobytes = ProjectKiloBytes(record.Traffic, factor);
    user.traffic_over_limit = settings.Limit > 0 && user.bytes >= settings.Limit;
    user.prognosis_over_limit = settings.Limit > 0 && user.prognosis_bytes >= settings.Limit;
    for (const HostIndex::Entry& host : record.Hosts) {
      if (host.traffic <= 0) continue;
      user.hosts.push_back({tables.HostName(host.id), host.traffic, KiloBytes(host.traffic)});
    }
    if (!user.visible) Add(report.unknown, user);
    Add(report.total, user);
  }
  report.unknown.prognosis_kilobytes = Project(report.unknown.kilobytes, factor);
  report.total.prognosis_kilobytes = Project(report.total.kilobytes, factor);
  return report;
}

void WriteExports(const UsageTables& tables, const ReportContext& context) {
  const Settings& settings = context.settings;
  if (!settings.ExportCsv && !settings.ExportJson) return;
  const ExportReport report = BuildExportReport(tables, context);
  if (settings.ExportCsv) WriteFile(settings.OutputPath + "report.csv", EncodeCsv(report), context.staged_files);
  if (settings.ExportJson) WriteFile(settings.OutputPath + "report.json", EncodeJson(report), context.staged_files);
}

}  // namespace sirvane
