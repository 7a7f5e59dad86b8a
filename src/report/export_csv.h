#pragma once
// report.csv: one table (RFC 4180: CR LF line ends, fields quoted when they
// hold a comma, a double quote, CR or LF). The first column tells what a row
// is: "user", "host" (a host of the user named in the row above it),
// "unknown" or "total". Names are written as the log had them, byte for byte.
#include <string>
#include <string_view>

#include "report/export_report.h"

namespace sirvane {

std::string EncodeCsv(const ExportReport& report);

// Appends one field, quoted and with its quotes doubled when it needs it.
void AppendCsvField(std::string& out, std::string_view field);

}  // namespace sirvane
