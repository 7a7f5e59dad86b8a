#include "usage/log_line_parser.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/split_fields.h"
#include "usage/host_address.h"
#include "usage/log_ingestion.h"

namespace sirvane {

namespace {

bool InRange(std::int32_t position) { return position >= 1 && position <= 1000; }

// Up to eight digits ending at `end`, read as one word: the bytes from
// `readable` on may be read. False (nothing set) for anything else.
[[gnu::always_inline]] inline bool ParseEightDigits(const char* readable, const char* p, const char* end,
                                                    std::int64_t& value) {
  const std::size_t size = static_cast<std::size_t>(end - p);
  if constexpr (std::endian::native != std::endian::little) return false;
  if (size == 0 || size > 8 || end - readable < 8) return false;
  std::uint64_t word;
  std::memcpy(&word, end - 8, sizeof word);
  // The digits to the top, leading zeros (which change no value) below them.
  constexpr std::uint64_t kZeros = 0x3030303030303030ull;
  const unsigned shift = static_cast<unsigned>(8 * (8 - size));
  if (shift != 0) word = word >> shift << shift | kZeros >> (64 - shift);
  constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ull;
  if ((word & kHigh) != kZeros || ((word + 0x0606060606060606ull) & kHigh) != kZeros) return false;
  // Pairs, then fours, then all eight; the first digit is the lowest byte.
  std::uint64_t v = word - kZeros;
  v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
  v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
  v = v * 10000 + (v >> 32);
  value = static_cast<std::int64_t>(v & 0xFFFFFFFFull);
  return true;
}

// Digits only, spaces skipped (they would have been removed), value within int64.
[[gnu::always_inline]] inline bool ParseDigits(const char* p, const char* end, std::int64_t& value) {
  // Up to 18 digits cannot overflow: the usual count is read without the
  // overflow and space tests, anything else by the loop below.
  if (p < end && end - p <= 18) {
    std::uint64_t v = 0;
    const char* q = p;
    for (; q < end; ++q) {
      const unsigned digit = static_cast<unsigned char>(*q) - unsigned{'0'};
      if (digit > 9) break;
      v = v * 10 + digit;
    }
    if (q == end) {
      value = static_cast<std::int64_t>(v);
      return true;
    }
  }
  constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  constexpr std::uint64_t kSafe = (kMax - 9) / 10;  // below it, one more digit cannot overflow
  std::uint64_t v = 0;
  bool any = false;
  for (; p < end; ++p) {
    const char c = *p;
    if (c == ' ') continue;
    if (c < '0' || c > '9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (v > kSafe && v > (kMax - digit) / 10) return false;
    v = v * 10 + digit;
    any = true;
  }
  if (!any) return false;
  value = static_cast<std::int64_t>(v);
  return true;
}

// Lower-cases ASCII text a word at a time; false (nothing changed that ASCII
// lowering would not) when a byte above 127 is met, which the locale's
// lower-casing must handle. The last word overlaps the one before instead of a
// loop over the leftover bytes: lowering twice changes nothing.
template <typename Word>
bool LowerWord(char* at) {
  constexpr Word kOnes = static_cast<Word>(0x0101010101010101ull);
  constexpr Word kHigh = kOnes * 0x80;
  Word word;
  std::memcpy(&word, at, sizeof word);
  if (word & kHigh) return false;
  const Word at_least_a = word + kOnes * 0x3F;  // high bit: byte >= 'A'
  const Word above_z = word + kOnes * 0x25;     // high bit: byte > 'Z'
  const Word lowered = word | ((at_least_a & ~above_z & kHigh) >> 2);  // +0x20 for each capital
  if (lowered != word) std::memcpy(at, &lowered, sizeof word);
  return true;
}

#if defined(__SSE2__)
// The same for sixteen bytes; stores only when there is a capital.
inline bool Lower16(char* at) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  if (_mm_movemask_epi8(bytes) != 0) return false;
  const __m128i capitals =
      _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)), _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1)));
  if (_mm_movemask_epi8(capitals) == 0) return true;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_or_si128(bytes, _mm_and_si128(capitals, _mm_set1_epi8(0x20))));
  return true;
}
#endif

#if defined(__SSE2__)
// Lower16 for the first `size` (below 16) of sixteen writable bytes; the
// others are written back as they were.
inline bool LowerFirstOf16(char* at, std::size_t size) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const unsigned inside = (1u << size) - 1;
  if ((static_cast<unsigned>(_mm_movemask_epi8(bytes)) & inside) != 0) return false;
  const __m128i capitals =
      _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)), _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1)));
  if ((static_cast<unsigned>(_mm_movemask_epi8(capitals)) & inside) == 0) return true;
  const __m128i in_text = _mm_cmplt_epi8(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                         _mm_set1_epi8(static_cast<char>(size)));
  const __m128i add = _mm_and_si128(_mm_and_si128(capitals, in_text), _mm_set1_epi8(0x20));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_or_si128(bytes, add));
  return true;
}
#endif

// `writable_end`: the text may be read and rewritten unchanged up to there.
inline bool LowerAscii(char* text, std::size_t size, const char* writable_end) {
#if defined(__SSE2__)
  if (size < 16 && writable_end - text >= 16) return LowerFirstOf16(text, size);
  if (size >= 16) {
    for (std::size_t i = 0; i + 16 < size; i += 16) {
      if (!Lower16(text + i)) return false;
    }
    return Lower16(text + size - 16);
  }
#endif
  if (size >= 8) {
    for (std::size_t i = 0; i + 8 < size; i += 8) {
      if (!LowerWord<std::uint64_t>(text + i)) return false;
    }
    return LowerWord<std::uint64_t>(text + size - 8);
  }
  if (size >= 4) return LowerWord<std::uint32_t>(text) && LowerWord<std::uint32_t>(text + size - 4);
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) return false;
    if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c + 0x20);
  }
  return true;
}

}  // namespace

LogLineParser::LogLineParser(const Settings& settings, const LowerCase& lower, ByteScan scan)
    : lower_(lower), separators_(settings.Separator, lower, scan) {
  const unsigned char sep = static_cast<unsigned char>(settings.Separator);
  if (lower.mode() == LowerCase::Mode::kUtf8 && sep >= 0x80) usable_ = false;
  // Digits, '/' and spaces must keep what they are through lower-casing for the
  // byte count and the host to be read before (or without) lower-casing.
  for (int b = 0x80; b < 256; ++b) {
    if (lower.Byte(static_cast<unsigned char>(b)) < 0x80) usable_ = false;
  }
  spaces_possible_ = !separators_.Splits(static_cast<unsigned char>(' '));

  const bool with_address = settings.IpField > 0 && settings.NameField != 1;
  if (!InRange(settings.NameField) || !InRange(settings.BytesField) || !InRange(settings.QueryField) ||
      (settings.IpField > 0 && !InRange(settings.IpField))) {
    usable_ = false;
    return;
  }
  std::int32_t wanted[4] = {settings.NameField, settings.BytesField, settings.QueryField,
                            with_address ? settings.IpField : 0};
  for (std::int32_t position : wanted) {
    if (position == 0) continue;
    if (std::find(targets_, targets_ + target_count_, position) == targets_ + target_count_) {
      targets_[target_count_++] = position;
    }
  }
  std::sort(targets_, targets_ + target_count_);
  auto slot_of = [&](std::int32_t position) {
    return static_cast<int>(std::find(targets_, targets_ + target_count_, position) - targets_);
  };
  name_slot_ = slot_of(settings.NameField);
  bytes_slot_ = slot_of(settings.BytesField);
  url_slot_ = slot_of(settings.QueryField);
  address_slot_ = with_address ? slot_of(settings.IpField) : -1;
}

inline void LogLineParser::Lower(char* text, std::size_t size, const char* line_end) const {
  if (!LowerAscii(text, size, line_end)) lower_.Apply(text, size);
}

// Inlined: the call cost as much as lowering a short name.
[[gnu::always_inline]] inline std::string_view LogLineParser::Clean(char* begin, char* end, const char* line_end) const {
  if (begin == end) return std::string_view();
  // Lower-case first, then drop spaces, as the splitter does.
  Lower(begin, static_cast<std::size_t>(end - begin), line_end);
  if (spaces_possible_) {
    char* write = static_cast<char*>(std::memchr(begin, ' ', static_cast<std::size_t>(end - begin)));
    if (write != nullptr) {
      for (char* read = write; read < end; ++read) {
        if (*read != ' ') *write++ = *read;
      }
      end = write;
    }
  }
  return std::string_view(begin, static_cast<std::size_t>(end - begin));
}

// The host of a URL not yet lower-cased and free of spaces, lower-cased in
// place: HostOfUrl's answer, '/' being kept by lower-casing. Most URLs begin
// with "http://" and a host: then only the end of the host is searched for.
template <typename Masks>
[[gnu::always_inline]] inline std::string_view LogLineParser::HostOfRawUrl(char* url, std::size_t size) const {
  std::string_view host;
  constexpr std::uint64_t kSchemeMask = 0x00FFFFFFFFFFFFFFull;  // the first seven bytes
  constexpr std::uint64_t kScheme = 0x002F2F3A70747468ull;      // "http://", little-endian
  std::uint64_t head = 0;
  if (size > 7) std::memcpy(&head, url, sizeof head);
  if (std::endian::native == std::endian::little && size > 7 && (head & kSchemeMask) == kScheme &&
      url[7] != '/' && size - 7 <= 64) {
    const std::size_t rest = size - 7;
    const std::uint64_t slashes = rest == 64 ? Masks::Mask64(url + 7, '/') : Masks::Tail(url + 7, rest, url, '/');
    host = std::string_view(url + 7, slashes != 0 ? static_cast<std::size_t>(Masks::CountrZero(slashes)) : rest);
  } else {
    host = HostOfUrl(std::string_view(url, size));
    if (host.empty()) return host;
  }
  char* const begin = url + (host.data() - url);
  Lower(begin, host.size(), url + size);
  return std::string_view(begin, host.size());
}

template <typename Masks>
[[gnu::always_inline]] inline void LogLineParser::ParseOne(char* data, std::size_t size, LogLine& out) const {
  FieldSeparators::Field fields[4];
  const int found = separators_.FindWith<Masks>(data, size, targets_, target_count_, fields);
  // Positions beyond the line's fields read as empty.
  for (int i = found; i < target_count_; ++i) fields[i] = FieldSeparators::Field{nullptr, nullptr};
  // Each slot is cleaned at most once, even when two settings share a position.
  std::string_view cleaned[4];
  bool is_clean[4] = {false, false, false, false};
  auto clean = [&](int slot) {
    if (!is_clean[slot]) {
      cleaned[slot] = fields[slot].begin != nullptr ? Clean(fields[slot].begin, fields[slot].end, data + size)
                                                  : std::string_view();
      is_clean[slot] = true;
    }
    return cleaned[slot];
  };

  const std::string_view name = clean(name_slot_);
  out.name = name.empty() || name.front() != '.' ? name : CleanUserName(name);
  if (address_slot_ >= 0) out.address = clean(address_slot_);

  // Lower-casing never turns a byte into a digit or a digit into something
  // else, so the count can be read from the bytes as they are.
  if (is_clean[bytes_slot_]) {
    out.counted = ParseByteCount(cleaned[bytes_slot_], out.bytes);
  } else {
    const FieldSeparators::Field& count = fields[bytes_slot_];
    out.counted = count.begin != nullptr && (ParseEightDigits(data, count.begin, count.end, out.bytes) ||
                                             ParseDigits(count.begin, count.end, out.bytes));
  }
  if (!out.counted) return;

  if (is_clean[url_slot_] || fields[url_slot_].begin == nullptr) {
    out.host = HostOfUrl(clean(url_slot_));
    return;
  }
  char* url = fields[url_slot_].begin;
  const std::size_t url_size = static_cast<std::size_t>(fields[url_slot_].end - url);
  if (spaces_possible_ && std::memchr(url, ' ', url_size) != nullptr) {
    out.host = HostOfUrl(clean(url_slot_));
    return;
  }
  // No spaces: '/' stays where it is through lower-casing, so the host can be
  // found first and only its bytes lower-cased.
  out.host = HostOfRawUrl<Masks>(url, url_size);
}

template <typename Masks>
[[gnu::always_inline]] inline void LogLineParser::ParseLinesWith(const std::span<char>* lines, std::size_t count, LogLine* out) const {
  for (std::size_t i = 0; i < count; ++i) ParseOne<Masks>(lines[i].data(), lines[i].size(), out[i]);
}

namespace {
#if defined(SIRVANE_X86_64_SCAN)
SIRVANE_AVX2_TARGET void ParseLinesAvx2(const LogLineParser& parser, const std::span<char>* lines, std::size_t count,
                                        LogLine* out) {
  parser.ParseLinesWith<Avx2Masks>(lines, count, out);
}
#endif
}  // namespace

void LogLineParser::Parse(char* data, std::size_t size, LogLine& out) const {
  const std::span<char> line(data, size);
  ParseLines(&line, 1, &out);
}

void LogLineParser::ParseLines(const std::span<char>* lines, std::size_t count, LogLine* out) const {
  switch (separators_.scan()) {
#if defined(SIRVANE_X86_64_SCAN)
    case ByteScan::kAvx2:
      return ParseLinesAvx2(*this, lines, count, out);
    case ByteScan::kSse2:
      return ParseLinesWith<Sse2Masks>(lines, count, out);
#endif
    default:
      return ParseLinesWith<PortableMasks>(lines, count, out);
  }
}

}  // namespace sirvane
