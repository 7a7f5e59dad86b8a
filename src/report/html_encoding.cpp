#include "report/html_encoding.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sirvane {

namespace {

// Which bytes need an entity. Most names and hosts have none: they are
// checked a word at a time and copied whole; the others are copied in runs.
constexpr auto kNeedsEntity = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {'&', '<', '>', '"', '\''}) table[c] = true;
  return table;
}();

// Whether any of eight bytes needs an entity: a byte of x is zero exactly
// where the word holds c, and (x - 1) & ~x sets the top bit of some byte
// exactly when one is zero.
inline bool WordNeedsEntity(const char* at) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kTops = 0x8080808080808080;
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  std::uint64_t found = 0;
  for (const unsigned char c : {'&', '<', '>', '"', '\''}) {
    const std::uint64_t x = word ^ (kOnes * c);
    found |= (x - kOnes) & ~x;
  }
  return (found & kTops) != 0;
}

}  // namespace

// Whether any byte needs an entity. A text is checked in blocks whose last
// one overlaps the one before instead of a loop over the leftover bytes.
bool NeedsHtmlEntity(std::string_view text) {
  const char* const data = text.data();
  const std::size_t size = text.size();
#if defined(__SSE2__)
  if (size >= 16) {
    // '&' and '\'' differ only in the lowest bit, '<' and '>' in the second.
    auto block_needs = [](const char* at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i amp_or_quote =
          _mm_cmpeq_epi8(_mm_andnot_si128(_mm_set1_epi8(0x01), bytes), _mm_set1_epi8('&'));
      const __m128i less_or_greater =
          _mm_cmpeq_epi8(_mm_andnot_si128(_mm_set1_epi8(0x02), bytes), _mm_set1_epi8('<'));
      const __m128i double_quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
      return _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(amp_or_quote, less_or_greater), double_quote)) != 0;
    };
    for (std::size_t i = 0; i + 16 < size; i += 16) {
      if (block_needs(data + i)) return true;
    }
    return block_needs(data + size - 16);
  }
#endif
  if (size >= 8) {
    for (std::size_t i = 0; i + 8 < size; i += 8) {
      if (WordNeedsEntity(data + i)) return true;
    }
    return WordNeedsEntity(data + size - 8);
  }
  for (std::size_t i = 0; i < size; ++i) {
    if (kNeedsEntity[static_cast<unsigned char>(data[i])]) return true;
  }
  return false;
}

void AppendHtmlText(std::string& out, std::string_view text) {
  if (!NeedsHtmlEntity(text)) {
    out.append(text);
    return;
  }
  const char* run = text.data();
  const char* const end = run + text.size();
  for (const char* p = run; p != end; ++p) {
    if (!kNeedsEntity[static_cast<unsigned char>(*p)]) continue;
    out.append(run, p);
    switch (*p) {
      case '&': out.append("&amp;"); break;
      case '<': out.append("&lt;"); break;
      case '>': out.append("&gt;"); break;
      case '"': out.append("&quot;"); break;
      default: out.append("&#39;"); break;
    }
    run = p + 1;
  }
  out.append(run, end);
}

std::string HtmlText(std::string_view text) {
  std::string out;
  AppendHtmlText(out, text);
  return out;
}

void AppendUrlPath(std::string& out, std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
}

std::string UrlPath(std::string_view path) {
  std::string out;
  AppendUrlPath(out, path);
  return out;
}

}  // namespace sirvane
