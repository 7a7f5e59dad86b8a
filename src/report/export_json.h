#pragma once
// report.json: one UTF-8 JSON document with LF line ends. Integers are
// written digit by digit from their 64-bit values, so they are exact at any
// size (a reader that parses numbers as doubles loses precision above 2^53).
#include <cstdint>
#include <string>
#include <string_view>

#include "report/export_report.h"

namespace sirvane {

std::string EncodeJson(const ExportReport& report);

// Appends `text` as a JSON string: quotes and backslashes escaped, control
// characters as \b \f \n \r \t or \u00XX, U+2028 and U+2029 as \u escapes,
// and every byte sequence that is not valid UTF-8 as one U+FFFD per maximal
// invalid part, as a UTF-8 decoder that replaces errors would read it.
void AppendJsonString(std::string& out, std::string_view text);

void AppendJsonInteger(std::string& out, std::int64_t value);

}  // namespace sirvane
