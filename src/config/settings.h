#pragma once
// The settings of one run, with their defaults.
#include <cstdint>
#include <string>
#include <vector>

namespace sirvane {

struct Settings {
  std::string ConfigErrors;                 // collected configuration problems
  std::string ConfigFileName = "sirvane.cfg";
  std::string WorkLogName = "last.log";     // logfile
  std::string InputPath;                    // inputpath: mask of the log files
  std::string OutputPath;                   // outputpath: directory of the reports
  bool FinalReport = false;                 // finalreport
  std::int32_t ReportMonth = 0;             // month; 0 means the current month
  std::int32_t ReportYear = 0;              // year; 0 means the current year
  std::int64_t Limit = 0;                   // limit in bytes; 0 = no highlighting
  std::int32_t NameField = 1;               // namefield
  char Separator = ' ';                     // parser
  std::int32_t BytesField = 10;             // bytesfield
  std::int32_t IpField = 0;                 // ipfield; 0 = no addresses
  std::int32_t QueryField = 7;              // queryfield
  std::vector<std::string> LocalDomains;    // localdomain, in file order
  std::vector<std::string> InvisibleUsers;  // invisible_user, in file order
  bool ExportCsv = false;                   // export: csv
  bool ExportJson = false;                  // export: json
};

}  // namespace sirvane
