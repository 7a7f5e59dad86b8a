// SplitFields and the number parsers on arbitrary bytes: the first byte
// is the separator, the rest the text.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "text/split_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sirvane;
  if (size == 0) return 0;
  const char separator = static_cast<char>(data[0]);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const LowerCase lower;
  TTokenizedlogrec record;
  SplitFields(text, separator, record, lower);
  // No field holds the separator or a space, and the fields are the text's
  // other bytes, lower-cased, in order.
  std::string rest = text, joined;
  lower.Apply(rest);
  std::erase_if(rest, [&](char c) { return c == ' ' || c == separator; });
  for (std::string_view field : record.fields) {
    Check(field.find(' ') == field.npos && field.find(separator) == field.npos);
    joined.append(field);
  }
  Check(record.fields.empty() || joined == rest);
  Check(record.Field(0).empty() && record.Field(record.FieldCount() + 1).empty());

  // Byte counts: digits only, and the value fits in 63 bits.
  std::int64_t value = 0;
  const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
  const bool parsed = ParseByteCount(text, value);
  const std::string unpadded = parsed ? text.substr(std::min(text.find_first_not_of('0'), text.size() - 1)) : "";
  Check(!parsed || (digits && value >= 0 && std::to_string(value) == unpadded));
  Check(!digits || text.size() >= 19 || parsed);
  Check(!IsNumber(text) || (parsed && value < (std::int64_t{1} << 30) && NumberValue(text) == value));
  return 0;
}
