#include "config/configuration.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/text_file.h"
#include "text/split_fields.h"

namespace sirvane {

std::vector<std::string_view> ConfigurationLines(std::string_view content) {
  if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
  if (auto eof = content.find('\x1A'); eof != std::string_view::npos) content = content.substr(0, eof);
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != '\n' && c != '\r') continue;
    lines.push_back(content.substr(start, i - start));
    if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.push_back(content.substr(start));
  return lines;
}

namespace {

// A numeric key: the value is taken only when it is a number; otherwise the
// setting keeps its value and the key's message is added.
template <typename T>
void SetNumber(std::string_view value, T& setting, const char* error, std::string& errors) {
  if (IsNumber(value)) {
    setting = static_cast<T>(NumberValue(value));
  } else {
    errors += error;
  }
}

char SeparatorFor(std::string_view value) {
  if (value.empty() || value == "tab" || value == "space") return ' ';
  return value.front();
}

// "csv", "json" or both, comma-separated. Anything else keeps the earlier
// choice and adds the key's message, like a bad number.
void SetExports(std::string_view value, Settings& s) {
  bool csv = false;
  bool json = false;
  for (std::size_t start = 0;;) {
    const std::size_t comma = std::min(value.find(',', start), value.size());
    const std::string_view item = value.substr(start, comma - start);
    if (item == "csv") {
      csv = true;
    } else if (item == "json") {
      json = true;
    } else {
      s.ConfigErrors += "Export is not csv or json; ";
      return;
    }
    if (comma == value.size()) break;
    start = comma + 1;
  }
  s.ExportCsv = csv;
  s.ExportJson = json;
}

void ApplyLine(std::string_view key, std::string_view value, Settings& s) {
  std::string& errors = s.ConfigErrors;
  if (key == "inputpath") {
    s.InputPath.assign(value);
  } else if (key == "outputpath") {
    s.OutputPath.assign(value);
  } else if (key == "namefield") {
    SetNumber(value, s.NameField, "NamePart is not number; ", errors);
  } else if (key == "bytesfield") {
    SetNumber(value, s.BytesField, "BytesField is not number; ", errors);
  } else if (key == "queryfield") {
    SetNumber(value, s.QueryField, "QueryField is not number; ", errors);
  } else if (key == "parser") {
    s.Separator = SeparatorFor(value);
  } else if (key == "ipfield") {
    SetNumber(value, s.IpField, "IPField is not number; ", errors);
  } else if (key == "month") {
    SetNumber(value, s.ReportMonth, "Month is not number; ", errors);
  } else if (key == "year") {
    SetNumber(value, s.ReportYear, "Year is not number; ", errors);
  } else if (key == "logfile") {
    s.WorkLogName.assign(value);
  } else if (key == "finalreport") {
    s.FinalReport = value == "yes";
  } else if (key == "limit") {
    SetNumber(value, s.Limit, "Limit is not number; ", errors);
  } else if (key == "localdomain") {
    s.LocalDomains.emplace_back(value);
  } else if (key == "invisible_user") {
    s.InvisibleUsers.emplace_back(value);
  } else if (key == "export") {
    SetExports(value, s);
  }
}

}  // namespace

bool ApplyConfiguration(std::string_view content, Settings& settings, const LocalDateTime& today,
                        const LowerCase& lower) {
  settings.ConfigErrors.clear();
  TTokenizedlogrec record;
  for (std::string_view line : ConfigurationLines(content)) {
    if (line.empty() || line.front() == ';') continue;
    SplitFields(line, '=', record, lower);
    if (record.FieldCount() != 2) continue;
    ApplyLine(record.Field(1), record.Field(2), settings);
  }
  if (settings.ReportMonth == 0) settings.ReportMonth = today.month;
  if (settings.ReportYear == 0) settings.ReportYear = today.year;
  // These two replace whatever was collected: without them nothing can run.
  if (settings.InputPath.empty()) settings.ConfigErrors = "Input path is not defined; ";
  if (settings.WorkLogName.empty()) settings.ConfigErrors = "Log file path is not defined; ";
  return settings.ConfigErrors.empty();
}

bool LoadConfiguration(const std::string& path, Settings& settings, const LocalDateTime& today,
                       const LowerCase& lower) {
  if (!FileExists(path)) {
    settings.ConfigErrors = "Configuration file not exist; ";
    return false;
  }
  return ApplyConfiguration(ReadWholeFile(path), settings, today, lower);
}

}  // namespace sirvane
