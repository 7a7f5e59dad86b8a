#pragma once
// The fast reading of one log line: only the fields a run uses are found,
// lower-cased and stripped of spaces, and of the URL only the host.
#include <cstdint>
#include <span>
#include <string_view>

#include "config/settings.h"
#include "platform/locale.h"
#include "text/split_fields.h"

namespace sirvane {

// What one log line contributes. Views point into the line.
struct LogLine {
  std::string_view name;     // lower-cased, spaces and leading dots removed
  bool counted = false;      // the byte-count field is a number
  std::int64_t bytes = 0;
  std::string_view host;     // set only when counted
  std::string_view address;  // set only when addresses are recorded
};

// Gives for every line exactly what LineSplitter, CleanUserName,
// ParseByteCount and HostOfUrl together give, with less work: fields that are
// not used are only counted, the URL is lower-cased only where the host is.
class LogLineParser {
 public:
  LogLineParser(const Settings& settings, const LowerCase& lower, ByteScan scan = BestByteScan());

  // False when this configuration must go through the plain splitter: a
  // field position outside 1 to 1000 (which must stop the run at its first
  // use), a separator the in-place splitter leaves to SplitFields, or a locale
  // that lower-cases bytes above 127 into ASCII.
  bool Usable() const { return usable_; }
  bool RecordsAddresses() const { return address_slot_ >= 0; }

  // Reads one line; the line's bytes are changed in place.
  void Parse(char* data, std::size_t size, LogLine& out) const;
  // Parse for each of `count` lines, into out[0] to out[count - 1]: one call
  // for a block of lines instead of one a line.
  void ParseLines(const std::span<char>* lines, std::size_t count, LogLine* out) const;
  // ParseLines with the fields found one way (see platform/byte_mask.h);
  // instantiated in log_line_parser.cpp only, once per way.
  template <typename Masks>
  void ParseLinesWith(const std::span<char>* lines, std::size_t count, LogLine* out) const;

 private:
  template <typename Masks>
  void ParseOne(char* data, std::size_t size, LogLine& out) const;
  template <typename Masks>
  std::string_view HostOfRawUrl(char* url, std::size_t size) const;
  // `line_end`: where the line's bytes end; those up to it may be rewritten
  // unchanged.
  std::string_view Clean(char* begin, char* end, const char* line_end) const;
  void Lower(char* text, std::size_t size, const char* line_end) const;  // ASCII quickly, the rest by the locale

  const LowerCase& lower_;
  FieldSeparators separators_;
  bool usable_ = true;
  bool spaces_possible_;  // a space is not a separator, so fields may hold spaces
  // The distinct field positions in use, ascending, and which slot plays which part.
  std::int32_t targets_[4] = {0, 0, 0, 0};
  int target_count_ = 0;
  int name_slot_ = -1;
  int bytes_slot_ = -1;
  int url_slot_ = -1;
  int address_slot_ = -1;
};

}  // namespace sirvane
