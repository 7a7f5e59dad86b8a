#include "text/split_fields.h"

#include <limits>

namespace sirvane {

void SplitFields(std::string_view text, char separator, TTokenizedlogrec& record,
                 const LowerCase& lower) {
  std::string& buf = record.buffer;
  buf.assign(text.data(), text.size());
  buf.push_back(separator);
  lower.Apply(buf);
  record.fields.clear();

  // Spaces are removed by compacting the buffer in place: the write position
  // never passes the read position, so fields stay views into `buf`.
  char* data = buf.data();
  const std::size_t size = buf.size();
  const std::size_t last = size - 1;
  std::size_t write = 0;
  std::size_t token_start = 0;
  bool after_separator = false;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c != separator) {
      if (c != ' ') data[write++] = c;
      after_separator = false;
    } else if (!after_separator || i == last) {
      record.fields.emplace_back(data + token_start, write - token_start);
      token_start = write;
      after_separator = true;
    }
  }
}

bool IsNumber(std::string_view text) {
  if (text.empty()) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value >= (std::uint64_t{1} << 30)) {
      // Too large already; the rest must still be digits for the answer to be
      // "not a number" for the right reason, but the answer is false either way.
      return false;
    }
  }
  return true;
}

std::int32_t NumberValue(std::string_view text) {
  std::int32_t value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

bool ParseByteCount(std::string_view text, std::int64_t& value) {
  if (text.empty()) return false;
  constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (v > (kMax - digit) / 10) return false;
    v = v * 10 + digit;
  }
  value = static_cast<std::int64_t>(v);
  return true;
}

}  // namespace sirvane
