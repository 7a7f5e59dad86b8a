#pragma once
// Reads a log file line by line in large blocks. A line ends at LF, CR LF or a
// lone CR; its bytes are delivered as they are (NUL included), up to 256 MiB:
// a longer line is cut there, with a warning. A path that cannot be opened, or
// that is a directory, delivers no line at all: Eof() is true at once and a
// warning naming the path goes to stderr. A read error in mid-file also ends
// the file with a warning.
//
// A gzip, bzip2, xz or zstd file is decompressed on the fly, on a thread of its
// own (see DecompressingSource); a damaged one is read up to the damage, then
// ends with a warning naming it. Plain files are read straight into the line
// buffer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <span>
#include <string_view>
#include <vector>

#include "platform/byte_mask.h"
#include "platform/system.h"

namespace sirvane {

// The longest line delivered: a longer one is cut there, so that a file
// without line ends cannot take all memory.
inline constexpr std::size_t kMaxLineLength = std::size_t{256} << 20;
// Tells the user that a line of the log file `path` was cut.
void WarnOverlongLine(const std::string& path);

class DecompressingSource;

// Where a LineBuffer takes its bytes from.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `into`: how many were read, 0 at the end, or a
  // negative number on a read error (errno tells which).
  virtual long long ReadInto(char* into, std::size_t size) = 0;
  // The bytes have ended (an error is reported already); called once.
  virtual void Ended() {}
};

// Cuts the bytes of a source into lines: the one line-splitting core of the
// whole-file and the byte-range readers. A line ends at LF, CR LF or a lone
// CR; one longer than kMaxLineLength is cut there with a warning.
class LineBuffer {
 public:
  LineBuffer();
  ~LineBuffer();
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  // Starts on a new source (null: no line at all); `path` names it in warnings.
  void Start(ByteSource* source, const std::string& path);
  // True when no further line can be read.
  bool Eof();
  // The next line without its line end, writable; valid until the next call
  // of ReadMutableLine, ReadMutableLines or Start (Eof may read ahead while
  // the caller still holds it).
  std::span<char> ReadMutableLine();
  // Replaces `lines` with the next lines: all whole lines already read, or,
  // when there is none, those of the next block. Valid until the next call.
  // False at the end.
  bool ReadMutableLines(std::vector<std::span<char>>& lines);
  // How line feeds are searched for (the widest the processor has, unless a
  // test compares the ways).
  void SetByteScan(ByteScan scan) { scan_ = scan; }
  // Whether a read error ended the bytes (after its warning) since Start.
  bool StoppedByError() const { return stopped_by_error_; }

 private:
  bool Fill();  // reads more bytes; false at the end or on error
  void End();
  std::size_t FindLineEnd(std::size_t from);
  // The line of `length` bytes from begin_, whose line end is at `stop`.
  std::span<char> HandOut(std::size_t length, std::size_t stop);
  std::span<char> CutOverlongLine();

  ByteSource* source_ = nullptr;  // null once the bytes have ended
  ByteScan scan_ = BestByteScan();
  std::string path_;
  LargeBuffer buffer_;
  std::size_t capacity_ = 0;
  // Eof() may have to read ahead while the caller still holds the last line;
  // it then reads into this second buffer and swaps the two.
  LargeBuffer spare_;
  std::size_t spare_capacity_ = 0;
  std::size_t begin_ = 0;  // first unread byte
  std::size_t end_ = 0;    // one past the last byte read
  std::size_t next_cr_ = 0;     // first CR at or after the last scan, or end_
  bool next_cr_known_ = false;  // cleared whenever the buffer changes
  bool skip_line_feed_ = false;   // the last line ended in CR: an LF next is part of it
  bool line_handed_out_ = false;  // the last line's bytes must stay until the next call
  bool stopped_by_error_ = false;
};

class LineReader : private ByteSource {
 public:
  LineReader();
  ~LineReader() override;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  void Open(const std::string& path);
  // True when no further line can be read.
  bool Eof() { return lines_.Eof(); }
  // The next line without its line end. The view is valid until the next call
  // of ReadLine or Open.
  std::string_view ReadLine() {
    const std::span<char> line = ReadMutableLine();
    return std::string_view(line.data(), line.size());
  }
  // The same, writable: the caller may change the line's bytes in place (the
  // splitter lower-cases and compacts fields there instead of copying them).
  std::span<char> ReadMutableLine() { return lines_.ReadMutableLine(); }
  // The lines of the next block at once; false at the end of the file.
  bool ReadMutableLines(std::vector<std::span<char>>& lines) { return lines_.ReadMutableLines(lines); }

  // Called after each block read (about 1 MiB, never per line) with the bytes
  // of the file read so far and the file's size; for a compressed file both
  // count compressed bytes. Stays set across Open.
  using ProgressObserver = std::function<void(std::uint64_t bytes_read, std::uint64_t file_size)>;
  void SetProgressObserver(ProgressObserver observer) { observer_ = std::move(observer); }

 private:
  long long ReadInto(char* into, std::size_t size) override;
  void Ended() override;
  void CloseFile();

  int fd_ = -1;
  std::unique_ptr<DecompressingSource> decompressed_;  // set instead of fd_ for a compressed file
  std::string path_;
  std::uint64_t bytes_read_ = 0;  // of a plain file
  std::uint64_t file_size_ = 0;
  ProgressObserver observer_;
  LineBuffer lines_;
};

}  // namespace sirvane
