#pragma once
// Reading plain log files in parts, each part by its own thread: a file is
// cut just after a line feed, so every part holds whole lines, and each part
// reads its own byte ranges with positioned reads.
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

// A log file held open from the planning of its parts to their reading, so
// that every part that reads a piece of it reads the same file, even when its
// path is renamed or replaced meanwhile, as logrotate does with a live log.
// Reads are positioned: several threads may read one file at once.
class OpenedLogFile {
 public:
  explicit OpenedLogFile(const std::string& path);
  ~OpenedLogFile();
  OpenedLogFile(const OpenedLogFile&) = delete;
  OpenedLogFile& operator=(const OpenedLogFile&) = delete;

  bool is_open() const { return fd_ >= 0; }
  // Why the file could not be opened (the system's message), when it could not.
  const std::string& open_error() const { return open_error_; }
  // Its size when it is plain, which can be read by byte ranges; 0, so that
  // the caller reads the file through LineReader, when the file could not be
  // opened, is not a regular file, is shorter than 8 bytes, or starts like a
  // compressed file (gzip, bzip2, xz, zstd): those are decompressed on the way
  // and only LineReader knows how.
  std::uint64_t PlainSize() const;
  // The position just after the first line feed at or after `offset`, or
  // `size` (the file's size) when there is none or the file cannot be read.
  std::uint64_t LineStartAfter(std::uint64_t offset, std::uint64_t size) const;
  // Up to `size` bytes at `offset`; 0 at the end of the file, -1 on an error.
  long long ReadAt(char* into, std::size_t size, std::uint64_t offset) const;
  // Tells the system that `range` is about to be read from start to end.
  void WillRead(FileRange range) const;

 private:
  int fd_ = -1;
  std::string open_error_;
};

// OpenedLogFile(path).PlainSize(), for a file that no part shares.
std::uint64_t PlainFileSize(const std::string& path);

// Delivers the lines of one byte range of a file exactly as LineReader
// delivers the lines of the whole file, when the range begins at a line start
// and ends after a line feed or at the end of the file. A read error ends the
// range with a warning, as in LineReader.
class RangeLineReader : private ByteSource {
 public:
  RangeLineReader() = default;
  ~RangeLineReader() override = default;
  RangeLineReader(const RangeLineReader&) = delete;
  RangeLineReader& operator=(const RangeLineReader&) = delete;

  // False (with a warning) when the file cannot be opened.
  bool Open(const std::string& path, FileRange range);
  // The same for a file opened before, which other readers may share; when
  // `file` is null, `path` is opened now. With `to_end_of_file`, the range
  // ends where the file ends when it is read, as a reader of the whole file
  // ends: a live log that has grown since `range` was measured is read with
  // its new lines, its last line complete, and not cut where it once ended.
  bool Open(const std::string& path, std::shared_ptr<const OpenedLogFile> file, FileRange range,
            bool to_end_of_file = false);
  bool Eof() { return lines_.Eof(); }
  // The next line without its line end, writable; valid until the next call.
  std::span<char> ReadMutableLine() { return lines_.ReadMutableLine(); }
  // Replaces `lines` with the next lines: all whole lines already read, or, when
  // there is none, those of the next block. The views stay valid until the
  // next call. False at the end of the range.
  bool ReadMutableLines(std::vector<std::span<char>>& lines) { return lines_.ReadMutableLines(lines); }
  // Bytes of the range read so far.
  std::uint64_t BytesRead() const { return offset_ - first_; }
  // Whether a read error ended the range early (after its warning): the rest
  // of the file is then skipped, the next range of it included.
  bool StoppedByError() const { return lines_.StoppedByError(); }

 private:
  long long ReadInto(char* into, std::size_t size) override;
  void Ended() override { file_.reset(); }

  std::shared_ptr<const OpenedLogFile> file_;
  std::uint64_t first_ = 0;   // start of the range
  std::uint64_t offset_ = 0;  // next byte of the file to read
  std::uint64_t stop_ = 0;    // end of the range; the largest value for the end of the file
  LineBuffer lines_;
};

}  // namespace sirvane
