#pragma once
// The one field splitter through which every configuration line, log line,
// path and URL passes, and the number tests.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/byte_mask.h"
#include "platform/locale.h"

namespace sirvane {

// The fields of one split text. The fields are views into the record's own
// buffer: valid until the record is split again.
struct TTokenizedlogrec {
  std::string buffer;                   // the lower-cased text, spaces removed
  std::vector<std::string_view> fields; // field 1 is fields[0]

  std::int64_t FieldCount() const { return static_cast<std::int64_t>(fields.size()); }
  // Field at a 1-based position; a position beyond this text's own field count
  // reads as empty (a short line never borrows an earlier line's fields).
  std::string_view Field(std::int64_t position) const {
    return position >= 1 && position <= FieldCount() ? fields[static_cast<std::size_t>(position - 1)]
                                                     : std::string_view();
  }
};

// Splits `text` at `separator`: the text (with one separator appended) is
// lower-cased as a whole, a run of separators counts as one boundary, a leading
// run gives one empty first field, a trailing run one empty last field, and
// every space is dropped from every field. A separator that lower-casing would
// change never matches, so such a text yields no field at all.
void SplitFields(std::string_view text, char separator, TTokenizedlogrec& record,
                 const LowerCase& lower);

// Which bytes split the fields of a log line, and where the fields of a line
// lie: the boundaries SplitFields finds, without copying or changing the
// line. A byte splits when its lower-case form is the separator.
class FieldSeparators {
 public:
  FieldSeparators(char separator, const LowerCase& lower, ByteScan scan = BestByteScan());

  // Finds the fields at `positions` (1-based, ascending, `count` of them) in
  // the line as it is, before lower-casing: fields[i] is the field at
  // positions[i]. Returns how many were found; the later positions lie beyond
  // the line's fields. A leading separator gives an empty first field, a run
  // counts as one, and a trailing run leaves one empty last field.
  struct Field {
    char* begin;
    char* end;
  };
  int Find(char* data, std::size_t size, const std::int32_t* positions, int count, Field* fields) const;
  // Find with the masks built one way (see byte_mask.h); inlined into the
  // callers compiled for that way.
  template <typename Masks>
  [[gnu::always_inline]] int FindWith(char* data, std::size_t size, const std::int32_t* positions, int count,
                                      Field* fields) const;

  char separator() const { return separator_; }
  bool Splits(unsigned char byte) const { return splits_[byte]; }
  ByteScan scan() const { return scan_; }

 private:
  // Bit i set when block[i] splits, for the `width` bytes of the block; a
  // short block may be read from as far back as `readable`, the line's start.
  template <typename Masks>
  [[gnu::always_inline]] std::uint64_t SplitMask(const char* block, std::size_t width, const char* readable) const {
    if (only_separator_) {
      return width == 64 ? Masks::Mask64(block, separator_) : Masks::Tail(block, width, readable, separator_);
    }
    std::uint64_t splits = 0;
    for (std::size_t i = 0; i < width; ++i) {
      splits |= static_cast<std::uint64_t>(splits_[static_cast<unsigned char>(block[i])]) << i;
    }
    return splits;
  }
  // FindWith for masks that can count and pick bits in one step.
  template <typename Masks>
  [[gnu::always_inline]] int SelectFields(char* data, std::size_t size, const std::int32_t* positions, int count,
                                          Field* fields) const;

  char separator_;
  ByteScan scan_;
  bool closes_last_;     // the separator appended to every text, lower-cased, still splits
  bool only_separator_;  // no other byte lower-cases to the separator
  bool splits_[256];     // bytes whose lower-case form is the separator
};

template <typename Masks>
[[gnu::always_inline]] inline int FieldSeparators::SelectFields(char* data, std::size_t size,
                                                                const std::int32_t* positions, int count,
                                                                Field* fields) const {
  char* const end = data + size;
  int found = 0;
  std::int32_t want = positions[0];  // the next position asked for
  // Field k ends at the first byte of the k-th run of splitting bytes (or at
  // the line's end, closed by the appended separator) and, past the first,
  // begins at the first byte after run k - 1 (or at the line's end when that
  // run reaches it). Runs and the starts after them are counted per block and
  // the one asked for is picked out of the block's mask directly.
  std::int32_t ends_before = 0;    // runs begun in earlier blocks
  std::int32_t starts_before = 0;  // runs ended in earlier blocks
  bool have_begin = want == 1;
  char* begin = data;
  std::uint64_t previous = 0;  // 1 when the byte before the block splits
  for (char* block = data; block < end;) {
    const std::size_t width = std::min<std::size_t>(64, static_cast<std::size_t>(end - block));
    const std::uint64_t splits = SplitMask<Masks>(block, width, data);
    const std::uint64_t after_split = splits << 1 | previous;
    const std::uint64_t inside = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
    const std::uint64_t ends = splits & ~after_split;
    const std::uint64_t starts = ~splits & after_split & inside;
    previous = splits >> 63;  // read only when the block was whole
    const std::int32_t block_ends = Masks::PopCount(ends);
    const std::int32_t block_starts = Masks::PopCount(starts);
    for (;;) {
      if (!have_begin) {
        const std::int32_t k = want - 2 - starts_before;
        if (k >= block_starts) break;
        begin = block + Masks::Select(starts, k);
        have_begin = true;
      }
      const std::int32_t k = want - 1 - ends_before;
      if (k >= block_ends) break;
      fields[found] = Field{begin, block + Masks::Select(ends, k)};
      if (++found == count) return found;
      want = positions[found];
      have_begin = false;
    }
    ends_before += block_ends;
    starts_before += block_starts;
    block += width;
  }
  if (closes_last_ && want == ends_before + 1) fields[found++] = Field{have_begin ? begin : end, end};
  return found;
}

template <typename Masks>
[[gnu::always_inline]] inline int FieldSeparators::FindWith(char* data, std::size_t size,
                                                            const std::int32_t* positions, int count,
                                                            Field* fields) const {
  if (count <= 0) return 0;
  if constexpr (Masks::kSelects) return SelectFields<Masks>(data, size, positions, count, fields);
  char* const end = data + size;
  int found = 0;
  std::int32_t want = positions[0];  // the next position asked for
  std::int32_t field = 0;            // fields closed so far
  char* begin = data;                // where field `field + 1` begins, once it is wanted
  // A field ends at a splitting byte that follows none (or starts the line):
  // the first bit of each run of splitting bytes. `previous` is 1 when the
  // byte before the block splits.
  std::uint64_t previous = 0;
  for (char* block = data; block < end;) {
    const std::size_t width = std::min<std::size_t>(64, static_cast<std::size_t>(end - block));
    const std::uint64_t splits = SplitMask<Masks>(block, width, data);
    std::uint64_t ends = splits & ~(splits << 1 | previous);
    previous = splits >> 63;  // read only when the block was whole
    // Two ends matter per position: the one before it, where the field
    // begins, and its own. The ends between are dropped unlooked-at.
    while (ends != 0) {
      const std::int32_t next = field + 1 == want ? want : want - 1;  // the field whose end is needed
      while (field + 1 < next && ends != 0) {
        ends &= ends - 1;
        ++field;
      }
      if (ends == 0) break;
      field = next;
      const int offset = Masks::CountrZero(ends);
      ends &= ends - 1;
      if (field == want) {
        fields[found] = Field{begin, block + offset};
        if (++found == count) return found;
        want = positions[found];
      }
      if (field + 1 == want) {
        // The next field begins after the run of splitting bytes, which the
        // mask shows unless it reaches the block's end.
        const int run = Masks::CountrZero(~(splits >> offset));
        begin = block + offset + run;
        if (static_cast<std::size_t>(offset) + static_cast<std::size_t>(run) >= width) {
          while (begin < end && splits_[static_cast<unsigned char>(*begin)]) ++begin;
        }
      }
    }
    block += width;
  }
  // The separator appended to every text closes the last field, when
  // lower-casing leaves it a separator.
  if (closes_last_ && ++field == want) fields[found++] = Field{begin, end};
  return found;
}

// Splits log lines the way SplitFields does, but in place (the line's bytes
// are lower-cased and compacted where they are) and only as far as the last
// field a run reads. Fields 1 to `last_field` are exactly SplitFields' fields;
// positions beyond are not split and read as empty. Nothing is allocated once
// the record has grown to `last_field` fields.
class LineSplitter {
 public:
  LineSplitter(char separator, const LowerCase& lower, std::int64_t last_field, ByteScan scan = BestByteScan());
  void Split(char* data, std::size_t size, TTokenizedlogrec& record) const;

 private:
  void SplitInPlace(char* data, std::size_t size, TTokenizedlogrec& record) const;
  void FinishField(char* begin, char* end, TTokenizedlogrec& record) const;

  const LowerCase& lower_;
  FieldSeparators separators_;
  bool in_place_;  // false: a case the copying splitter must handle
  std::vector<std::int32_t> positions_;  // 1 to the last field used
};

// A non-empty run of the digits 0 to 9 whose value is below 2^30.
bool IsNumber(std::string_view text);
// The value of a text that IsNumber accepted.
std::int32_t NumberValue(std::string_view text);

// A byte count: a non-empty run of digits (leading zeros allowed) whose value
// fits in a signed 64-bit integer.
bool ParseByteCount(std::string_view text, std::int64_t& value);

}  // namespace sirvane
