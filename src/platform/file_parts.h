#pragma once
// Reading plain log files in parts, each part by its own thread: a file is
// cut just after a line feed, so every part holds whole lines, and each part
// reads its own byte ranges with pread.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/line_reader.h"

namespace sirvane {

struct FileRange {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;  // one past the last byte
};

// The size of the plain file at `path`, which can be read by byte ranges; 0,
// so that the caller reads the file through LineReader, when the file cannot
// be opened, is not a regular file, is shorter than 8 bytes, or starts like a
// compressed file (gzip, bzip2, xz, zstd): those are decompressed on the way
// and only LineReader knows how.
std::uint64_t PlainFileSize(const std::string& path);

// The position just after the first line feed at or after `offset` in the
// file at `path`, or `size` (the file's size) when there is none or the file
// cannot be read.
std::uint64_t LineStartAfter(const std::string& path, std::uint64_t offset, std::uint64_t size);

// Delivers the lines of one byte range of a file exactly as LineReader
// delivers the lines of the whole file, when the range begins at a line start
// and ends after a line feed or at the end of the file. A read error ends the
// range with a warning, as in LineReader.
class RangeLineReader : private ByteSource {
 public:
  RangeLineReader() = default;
  ~RangeLineReader() override;
  RangeLineReader(const RangeLineReader&) = delete;
  RangeLineReader& operator=(const RangeLineReader&) = delete;

  // False (with a warning) when the file cannot be opened.
  bool Open(const std::string& path, FileRange range);
  bool Eof() { return lines_.Eof(); }
  // The next line without its line end, writable; valid until the next call.
  std::span<char> ReadMutableLine() { return lines_.ReadMutableLine(); }
  // Replaces `lines` with the next lines: all whole lines already read, or, when
  // there is none, those of the next block. The views stay valid until the
  // next call. False at the end of the range.
  bool ReadMutableLines(std::vector<std::span<char>>& lines) { return lines_.ReadMutableLines(lines); }
  // Bytes of the range read so far.
  std::uint64_t BytesRead() const { return offset_ - first_; }

 private:
  long long ReadInto(char* into, std::size_t size) override;
  void Ended() override { Close(); }
  void Close();

  int fd_ = -1;
  std::uint64_t first_ = 0;   // start of the range
  std::uint64_t offset_ = 0;  // next byte of the file to read
  std::uint64_t stop_ = 0;    // end of the range
  LineBuffer lines_;
};

}  // namespace sirvane
