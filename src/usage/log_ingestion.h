#pragma once
// Reading log files into the usage tables, line by line.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "platform/locale.h"
#include "platform/text_file.h"
#include "text/split_fields.h"
#include "usage/usage_tables.h"

namespace sirvane {

// Accounts split log lines into the tables. Holds the field positions checked
// on use, so that a misconfigured position stops the run with a message that
// names the setting.
class LineAccountant {
 public:
  LineAccountant(const Settings& settings, UsageTables& tables);

  // Accounts one split line (the file's line count is the caller's).
  void Account(const TTokenizedlogrec& record);

 private:
  std::string_view FieldAt(const TTokenizedlogrec& record, std::int32_t position, const char* key) const;

  const Settings& settings_;
  UsageTables& tables_;
};

// Reads the file at `path` to its end into the tables, counting its lines into
// tables.LogFiles.back(), with the file's progress line in the working report.
void AnalyzeLogFile(const std::string& path, const Settings& settings, UsageTables& tables,
                    const LowerCase& lower, TextFileWriter& work_log);

// The last field position a line is split to: the largest position in use.
std::int64_t LastFieldUsed(const Settings& settings);

// A user name without its leading dots; a name of dots only stays as it is.
std::string_view CleanUserName(std::string_view name);

}  // namespace sirvane
