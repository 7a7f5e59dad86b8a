#include "usage/log_line_parser.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "text/split_fields.h"
#include "usage/host_address.h"
#include "usage/log_ingestion.h"

namespace sirvane {

namespace {

bool InRange(std::int32_t position) { return position >= 1 && position <= 1000; }

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

inline bool LowerAscii(char* text, std::size_t size) {
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

LogLineParser::LogLineParser(const Settings& settings, const LowerCase& lower)
    : lower_(lower), separators_(settings.Separator, lower) {
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

inline void LogLineParser::Lower(char* text, std::size_t size) const {
  if (!LowerAscii(text, size)) lower_.Apply(text, size);
}

// Inlined: the call cost as much as lowering a short name.
[[gnu::always_inline]] inline std::string_view LogLineParser::Clean(char* begin, char* end) const {
  if (begin == end) return std::string_view();
  // Lower-case first, then drop spaces, as the splitter does.
  Lower(begin, static_cast<std::size_t>(end - begin));
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

[[gnu::always_inline]] inline void LogLineParser::ParseOne(char* data, std::size_t size, LogLine& out) const {
  FieldSeparators::Field fields[4];
  const int found = separators_.Find(data, size, targets_, target_count_, fields);
  // Positions beyond the line's fields read as empty.
  for (int i = found; i < target_count_; ++i) fields[i] = FieldSeparators::Field{nullptr, nullptr};
  // Each slot is cleaned at most once, even when two settings share a position.
  std::string_view cleaned[4];
  bool is_clean[4] = {false, false, false, false};
  auto clean = [&](int slot) {
    if (!is_clean[slot]) {
      cleaned[slot] = fields[slot].begin != nullptr ? Clean(fields[slot].begin, fields[slot].end) : std::string_view();
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
    out.counted = count.begin != nullptr && ParseDigits(count.begin, count.end, out.bytes);
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
  const std::string_view raw_host = HostOfUrl(std::string_view(url, url_size));
  if (raw_host.empty()) {
    out.host = std::string_view();
    return;
  }
  char* host = url + (raw_host.data() - url);
  Lower(host, raw_host.size());
  out.host = std::string_view(host, raw_host.size());
}

void LogLineParser::Parse(char* data, std::size_t size, LogLine& out) const { ParseOne(data, size, out); }

void LogLineParser::ParseLines(const std::span<char>* lines, std::size_t count, LogLine* out) const {
  for (std::size_t i = 0; i < count; ++i) ParseOne(lines[i].data(), lines[i].size(), out[i]);
}

}  // namespace sirvane
