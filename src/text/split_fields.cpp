#include "text/split_fields.h"

#include <algorithm>
#include <bit>
#include <cstring>
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

FieldSeparators::FieldSeparators(char separator, const LowerCase& lower, ByteScan scan)
    : separator_(separator), scan_(scan) {
  const unsigned char sep = static_cast<unsigned char>(separator);
  int splitting = 0;
  for (int b = 0; b < 256; ++b) {
    splits_[b] = lower.Byte(static_cast<unsigned char>(b)) == sep;
    splitting += splits_[b] ? 1 : 0;
  }
  closes_last_ = splits_[sep];
  only_separator_ = splitting == 1 && splits_[sep];
}

#if defined(SIRVANE_X86_64_SCAN)
namespace {
SIRVANE_AVX2_TARGET int FindAvx2(const FieldSeparators& separators, char* data, std::size_t size,
                                 const std::int32_t* positions, int count, FieldSeparators::Field* fields) {
  return separators.FindWith<Avx2Masks>(data, size, positions, count, fields);
}
}  // namespace
#endif

int FieldSeparators::Find(char* data, std::size_t size, const std::int32_t* positions, int count,
                          Field* fields) const {
  switch (scan_) {
#if defined(SIRVANE_X86_64_SCAN)
    case ByteScan::kAvx2:
      return FindAvx2(*this, data, size, positions, count, fields);
    case ByteScan::kSse2:
      return FindWith<Sse2Masks>(data, size, positions, count, fields);
#endif
    default:
      return FindWith<PortableMasks>(data, size, positions, count, fields);
  }
}

LineSplitter::LineSplitter(char separator, const LowerCase& lower, std::int64_t last_field, ByteScan scan)
    : lower_(lower), separators_(separator, lower, scan) {
  const unsigned char sep = static_cast<unsigned char>(separator);
  // In a UTF-8 locale a separator above 127 could take part in multi-byte
  // characters that lower-casing rewrites; leave that rare case to SplitFields.
  in_place_ = !(lower.mode() == LowerCase::Mode::kUtf8 && sep >= 0x80);
  for (std::int64_t position = 1; position <= last_field; ++position) {
    positions_.push_back(static_cast<std::int32_t>(position));
  }
}

void LineSplitter::FinishField(char* begin, char* end, TTokenizedlogrec& record) const {
  if (begin == end) {
    record.fields.emplace_back();
    return;
  }
  // Lower-case first, then drop spaces: the same order as for the whole text,
  // which matters for a multi-byte character split by a space.
  lower_.Apply(begin, static_cast<std::size_t>(end - begin));
  char* write = static_cast<char*>(std::memchr(begin, ' ', static_cast<std::size_t>(end - begin)));
  if (write != nullptr) {
    for (char* read = write; read < end; ++read) {
      if (*read != ' ') *write++ = *read;
    }
    end = write;
  }
  record.fields.emplace_back(begin, static_cast<std::size_t>(end - begin));
}

void LineSplitter::SplitInPlace(char* data, std::size_t size, TTokenizedlogrec& record) const {
  record.fields.clear();
  thread_local std::vector<FieldSeparators::Field> found;
  found.resize(positions_.size());
  const int count = separators_.Find(data, size, positions_.data(), static_cast<int>(positions_.size()), found.data());
  for (int i = 0; i < count; ++i) FinishField(found[i].begin, found[i].end, record);
}

void LineSplitter::Split(char* data, std::size_t size, TTokenizedlogrec& record) const {
  if (in_place_) {
    SplitInPlace(data, size, record);
  } else {
    SplitFields(std::string_view(data, size), separators_.separator(), record, lower_);
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
