#include "usage/log_line_parser.h"

#include <algorithm>
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

// Digits only, spaces skipped (they would have been removed), value within int64.
bool ParseDigits(const char* p, const char* end, std::int64_t& value) {
  constexpr std::uint64_t kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::uint64_t v = 0;
  bool any = false;
  for (; p < end; ++p) {
    const char c = *p;
    if (c == ' ') continue;
    if (c < '0' || c > '9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (v > (kMax - digit) / 10) return false;
    v = v * 10 + digit;
    any = true;
  }
  if (!any) return false;
  value = static_cast<std::int64_t>(v);
  return true;
}

// Lower-cases ASCII text eight bytes at a time; false (nothing changed) when
// a byte above 127 is met, which the locale's lower-casing must handle.
bool LowerAscii(char* text, std::size_t size) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  auto lower_word = [](std::uint64_t word) {
    const std::uint64_t at_least_a = word + 0x3F3F3F3F3F3F3F3Full;  // high bit: byte >= 'A'
    const std::uint64_t above_z = word + 0x2525252525252525ull;     // high bit: byte > 'Z'
    return word | ((at_least_a & ~above_z & kHigh) >> 2);           // +0x20 for each capital
  };
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, text + i, 8);
    // The words before are lowered already; the locale may lower them again,
    // which changes nothing in ASCII.
    if (word & kHigh) return false;
    word = lower_word(word);
    std::memcpy(text + i, &word, 8);
  }
  for (; i < size; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) return false;
    if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c + 0x20);
  }
  return true;
}

}  // namespace

LogLineParser::LogLineParser(const Settings& settings, const LowerCase& lower)
    : separator_(settings.Separator), lower_(lower) {
  const unsigned char sep = static_cast<unsigned char>(separator_);
  if (lower.mode() == LowerCase::Mode::kUtf8 && sep >= 0x80) usable_ = false;
  // Digits, '/' and spaces must keep what they are through lower-casing for the
  // byte count and the host to be read before (or without) lower-casing.
  for (int b = 0x80; b < 256; ++b) {
    if (lower.Byte(static_cast<unsigned char>(b)) < 0x80) usable_ = false;
  }
  int splitting = 0;
  for (int b = 0; b < 256; ++b) {
    splits_[b] = lower.Byte(static_cast<unsigned char>(b)) == sep;
    splitting += splits_[b] ? 1 : 0;
  }
  closes_last_ = splits_[sep];
  only_separator_ = splitting == 1 && splits_[sep];
  spaces_possible_ = !splits_[static_cast<unsigned char>(' ')];

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

void LogLineParser::Lower(char* text, std::size_t size) const {
  if (!LowerAscii(text, size)) lower_.Apply(text, size);
}

std::string_view LogLineParser::Clean(char* begin, char* end) const {
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

void LogLineParser::Parse(char* data, std::size_t size, LogLine& out) const {
  char* begins[4];
  char* ends[4];
  char* const end = data + size;
  int found = 0;
  std::int32_t field = 0;
  char* token = data;
  char* p = data;
  bool after_separator = false;
  // One step of the split for a separator at `hit`; true when every field in
  // use has been found.
  auto at_separator = [&](char* hit) {
    if (hit > p) after_separator = false;
    if (!after_separator) {
      if (++field == targets_[found]) {
        begins[found] = token;
        ends[found] = hit;
        if (++found == target_count_) return true;
      }
      after_separator = true;
    }
    token = hit + 1;
    p = hit + 1;
    return false;
  };
  bool done = false;
#if defined(__SSE2__)
  if (only_separator_) {
    // Sixteen bytes at a time: a mask of the separators among them.
    const __m128i separators = _mm_set1_epi8(separator_);
    char* block = data;
    for (; !done && end - block >= 16; block += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
      unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, separators)));
      while (mask != 0) {
        if (at_separator(block + __builtin_ctz(mask))) {
          done = true;
          break;
        }
        mask &= mask - 1;
      }
    }
    for (; !done && block < end; ++block) {
      if (*block == separator_) done = at_separator(block);
    }
    p = done ? p : end;
  }
#endif
  while (!done && p < end) {
    char* hit;
    if (only_separator_) {
      hit = static_cast<char*>(std::memchr(p, separator_, static_cast<std::size_t>(end - p)));
      if (hit == nullptr) break;
    } else {
      hit = p;
      while (hit < end && !splits_[static_cast<unsigned char>(*hit)]) ++hit;
      if (hit == end) break;
    }
    if (at_separator(hit)) break;
  }
  if (found < target_count_ && closes_last_ && ++field == targets_[found]) {
    begins[found] = token;
    ends[found] = end;
    ++found;
  }
  // Positions beyond the line's fields read as empty.
  for (int i = found; i < target_count_; ++i) begins[i] = ends[i] = nullptr;

  // Each slot is cleaned at most once, even when two settings share a position.
  std::string_view cleaned[4];
  bool is_clean[4] = {false, false, false, false};
  auto clean = [&](int slot) {
    if (!is_clean[slot]) {
      cleaned[slot] = begins[slot] != nullptr ? Clean(begins[slot], ends[slot]) : std::string_view();
      is_clean[slot] = true;
    }
    return cleaned[slot];
  };

  out.name = CleanUserName(clean(name_slot_));
  if (address_slot_ >= 0) out.address = clean(address_slot_);

  // Lower-casing never turns a byte into a digit or a digit into something
  // else, so the count can be read from the bytes as they are.
  if (is_clean[bytes_slot_]) {
    out.counted = ParseByteCount(cleaned[bytes_slot_], out.bytes);
  } else {
    out.counted = begins[bytes_slot_] != nullptr && ParseDigits(begins[bytes_slot_], ends[bytes_slot_], out.bytes);
  }
  if (!out.counted) return;

  if (is_clean[url_slot_] || begins[url_slot_] == nullptr) {
    out.host = HostOfUrl(clean(url_slot_));
    return;
  }
  char* url = begins[url_slot_];
  const std::size_t url_size = static_cast<std::size_t>(ends[url_slot_] - url);
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

}  // namespace sirvane
