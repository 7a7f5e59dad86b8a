#include "text/split_fields.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

FieldSeparators::FieldSeparators(char separator, const LowerCase& lower) : separator_(separator) {
  const unsigned char sep = static_cast<unsigned char>(separator);
  int splitting = 0;
  for (int b = 0; b < 256; ++b) {
    splits_[b] = lower.Byte(static_cast<unsigned char>(b)) == sep;
    splitting += splits_[b] ? 1 : 0;
  }
  closes_last_ = splits_[sep];
  only_separator_ = splitting == 1 && splits_[sep];
}

int FieldSeparators::Find(char* data, std::size_t size, const std::int32_t* positions, int count,
                          Field* fields) const {
  if (count <= 0) return 0;
  char* const end = data + size;
  int found = 0;
  std::int32_t field = 0;  // fields closed so far
  char* begin = data;      // where field `field + 1` begins, once it is wanted
  // A field ends at a splitting byte that follows none (or starts the line).
  auto close_field = [&](char* at) {
    ++field;
    if (field == positions[found]) {
      fields[found] = Field{begin, at};
      if (++found == count) return true;
    }
    if (field + 1 == positions[found]) {
      begin = at + 1;
      while (begin < end && splits_[static_cast<unsigned char>(*begin)]) ++begin;
    }
    return false;
  };
  // `splits` has bit i set when block[i] splits; `previous` is 1 when the
  // byte before the block does. True once every wanted field is found.
  std::uint64_t previous = 0;
  auto close_fields = [&](char* block, std::uint64_t splits, int width) {
    std::uint64_t ends = splits & ~(splits << 1 | previous);
    previous = splits >> (width - 1) & 1;
    for (; ends != 0; ends &= ends - 1) {
      if (close_field(block + std::countr_zero(ends))) return true;
    }
    return false;
  };
  char* block = data;
#if defined(__SSE2__)
  if (only_separator_) {
    // Sixteen bytes a compare; four of them make one 64-bit mask.
    const __m128i separators = _mm_set1_epi8(separator_);
    auto mask16 = [&](const char* at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, separators))));
    };
    for (; end - block >= 64; block += 64) {
      const std::uint64_t splits =
          mask16(block) | mask16(block + 16) << 16 | mask16(block + 32) << 32 | mask16(block + 48) << 48;
      if (close_fields(block, splits, 64)) return found;
    }
    for (; end - block >= 16; block += 16) {
      if (close_fields(block, mask16(block), 16)) return found;
    }
  }
#endif
  while (block < end) {
    const int width = static_cast<int>(std::min<std::ptrdiff_t>(64, end - block));
    std::uint64_t splits = 0;
    for (int i = 0; i < width; ++i) {
      splits |= static_cast<std::uint64_t>(splits_[static_cast<unsigned char>(block[i])]) << i;
    }
    if (close_fields(block, splits, width)) return found;
    block += width;
  }
  // The separator appended to every text closes the last field, when
  // lower-casing leaves it a separator.
  if (closes_last_ && ++field == positions[found]) fields[found++] = Field{begin, end};
  return found;
}

LineSplitter::LineSplitter(char separator, const LowerCase& lower, std::int64_t last_field)
    : lower_(lower), separators_(separator, lower) {
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
