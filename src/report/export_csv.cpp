#include "report/export_csv.h"

namespace sirvane {

namespace {

constexpr std::string_view kHeader =
    "record,user,visible,page,bytes,kilobytes,prognosis_bytes,prognosis_kilobytes,traffic_over_limit,"
    "prognosis_over_limit,host\r\n";

std::string_view Flag(bool value) { return value ? "true" : "false"; }

// One row from its fields; an empty view is an empty field.
void AppendRow(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view field : fields) {
    if (!first) out += ',';
    first = false;
    AppendCsvField(out, field);
  }
  out += "\r\n";
}

}  // namespace

void AppendCsvField(std::string& out, std::string_view field) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string EncodeCsv(const ExportReport& report) {
  std::string out(kHeader);
  for (const ExportUser& user : report.users) {
    AppendRow(out, {"user", user.name, Flag(user.visible), user.page, std::to_string(user.bytes),
                    std::to_string(user.kilobytes), std::to_string(user.prognosis_bytes),
                    std::to_string(user.prognosis_kilobytes), Flag(user.traffic_over_limit),
                    Flag(user.prognosis_over_limit), ""});
    for (const ExportHost& host : user.hosts) {
      AppendRow(out, {"host", user.name, "", "", std::to_string(host.bytes), std::to_string(host.kilobytes), "",
                      "", "", "", host.name});
    }
  }
  for (const auto& [record, sum] : {std::pair{"unknown", &report.unknown}, std::pair{"total", &report.total}}) {
    AppendRow(out, {record, "", "", "", std::to_string(sum->bytes), std::to_string(sum->kilobytes), "",
                    std::to_string(sum->prognosis_kilobytes), "", "", ""});
  }
  return out;
}

}  // namespace sirvane
