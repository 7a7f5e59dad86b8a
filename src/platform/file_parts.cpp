#include "platform/file_parts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/decompressor.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace sirvane {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

#ifdef _WIN32
// Each reader has a descriptor of its own, so a seek and a read do what pread does.
constexpr int kOpenFlags = O_RDONLY | O_BINARY | O_NOINHERIT;

long long ReadAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
  if (::_lseeki64(fd, static_cast<long long>(offset), SEEK_SET) < 0) return -1;
  return ::_read(fd, into, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}

bool RegularFileSize(int fd, std::uint64_t& size) {
  struct _stati64 st;
  if (::_fstati64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}
#else
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC;

long long ReadAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd, into, size, static_cast<off_t>(offset));
    if (got >= 0 || errno != EINTR) return got;
  }
}

bool RegularFileSize(int fd, std::uint64_t& size) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}
#endif

// The position just after the first LF at or after `from`, or `size` when none.
std::uint64_t NextLineStart(int fd, std::uint64_t from, std::uint64_t size) {
  std::vector<char> block(std::size_t{64} * 1024);
  while (from < size) {
    const long long got = ReadAt(fd, block.data(), block.size(), from);
    if (got <= 0) return size;
    const void* lf = std::memchr(block.data(), '\n', static_cast<std::size_t>(got));
    if (lf != nullptr) return from + static_cast<std::uint64_t>(static_cast<const char*>(lf) - block.data()) + 1;
    from += static_cast<std::uint64_t>(got);
  }
  return size;
}

}  // namespace

std::vector<FileRange> SplitIntoLineRanges(const std::string& path, std::size_t parts, std::uint64_t min_size) {
  std::vector<FileRange> ranges;
  const int fd = ::open(ResolvePath(path).c_str(), kOpenFlags);
  if (fd < 0) return ranges;
  std::uint64_t size = 0;
  char head[kCompressionMagicSize];
  // A compressed file is decompressed on the way, which only LineReader does.
  const bool plain = RegularFileSize(fd, size) && size >= 8 &&
                     ReadAt(fd, head, sizeof head, 0) == static_cast<long long>(sizeof head) &&
                     DetectCompression(std::span<const char>(head, sizeof head)) == Compression::kNone;
  if (plain) {
    if (size < min_size) parts = 1;
    std::uint64_t begin = 0;
    for (std::size_t i = 1; i < parts && begin < size; ++i) {
      const std::uint64_t cut = NextLineStart(fd, std::max(begin, size / parts * i), size);
      if (cut >= size) break;
      ranges.push_back(FileRange{begin, cut});
      begin = cut;
    }
    ranges.push_back(FileRange{begin, size});
  }
  ::close(fd);
  return ranges;
}

RangeLineReader::~RangeLineReader() { Close(); }

void RangeLineReader::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

bool RangeLineReader::Open(const std::string& path, FileRange range) {
  Close();
  path_ = path;
  first_ = range.begin;
  offset_ = range.begin;
  stop_ = range.end;
  begin_ = end_ = 0;
  next_cr_known_ = false;
  skip_line_feed_ = false;
  fd_ = ::open(ResolvePath(path).c_str(), kOpenFlags);
  if (fd_ < 0) {
    ReportWarning("cannot read the log file '" + path + "': " + std::strerror(errno) +
                  "; the rest of it is skipped.");
    return false;
  }
#ifndef _WIN32
  ::posix_fadvise(fd_, static_cast<off_t>(range.begin), static_cast<off_t>(range.end - range.begin),
                  POSIX_FADV_SEQUENTIAL);
#endif
  if (!buffer_) {
    buffer_ = std::make_unique_for_overwrite<char[]>(kBlockSize);
    capacity_ = kBlockSize;
  }
  return true;
}

bool RangeLineReader::Fill() {
  if (fd_ < 0 || offset_ >= stop_) return false;
  next_cr_known_ = false;
  const std::size_t unread = end_ - begin_;
  if (unread > 0 && begin_ > 0) std::memmove(buffer_.get(), buffer_.get() + begin_, unread);
  begin_ = 0;
  end_ = unread;
  if (end_ == capacity_) {
    // One line longer than the buffer: make room for more of it, but never
    // much more than the longest line kept.
    const std::size_t grown = std::min(capacity_ * 2, kMaxLineLength + 2 * kBlockSize);
    auto bigger = std::make_unique_for_overwrite<char[]>(grown);
    std::memcpy(bigger.get(), buffer_.get(), end_);
    buffer_ = std::move(bigger);
    capacity_ = grown;
  }
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(capacity_ - end_, stop_ - offset_));
  const long long got = ReadAt(fd_, buffer_.get() + end_, want, offset_);
  if (got > 0) {
    end_ += static_cast<std::size_t>(got);
    offset_ += static_cast<std::uint64_t>(got);
    return true;
  }
  if (got < 0) {
    ReportWarning("error while reading the log file '" + path_ + "': " + std::strerror(errno) +
                  "; the rest of it is skipped.");
  }
  Close();
  return false;
}

bool RangeLineReader::Eof() {
  for (;;) {
    if (begin_ < end_) {
      if (!skip_line_feed_) return false;
      skip_line_feed_ = false;
      if (buffer_[begin_] == '\n') ++begin_;
      continue;
    }
    if (!Fill()) return true;
  }
}

// The first CR or LF at or after `from`, or end_.
std::size_t RangeLineReader::FindLineEnd(std::size_t from) {
  const char* data = buffer_.get();
  // CR is rare: its position is looked up once and reused until passed.
  if (!next_cr_known_ || next_cr_ < from) {
    const void* cr = std::memchr(data + from, '\r', end_ - from);
    next_cr_ = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : end_;
    next_cr_known_ = true;
  }
  const void* lf = std::memchr(data + from, '\n', next_cr_ - from);
  return lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : next_cr_;
}

// The line of `length` bytes from begin_, whose line end is at `stop`; a CR
// there may be followed by the LF of a CR LF, now or after the next read.
std::span<char> RangeLineReader::HandOut(std::size_t length, std::size_t stop) {
  char* const data = buffer_.get();
  const std::span<char> line(data + begin_, length);
  begin_ = stop + 1;
  if (data[stop] == '\r') {
    if (begin_ < end_) {
      if (data[begin_] == '\n') ++begin_;
    } else {
      skip_line_feed_ = true;
    }
  }
  return line;
}

std::span<char> RangeLineReader::ReadMutableLine() {
  if (Eof()) return {};
  std::size_t scan_from = begin_;
  for (;;) {
    const std::size_t stop = FindLineEnd(scan_from);
    if (stop < end_) return HandOut(stop - begin_, stop);
    const std::size_t scanned = end_ - begin_;
    if (scanned > kMaxLineLength) return CutOverlongLine();
    if (!Fill()) {
      const std::span<char> line(buffer_.get() + begin_, end_ - begin_);
      begin_ = end_;
      return line;
    }
    scan_from = begin_ + scanned;
  }
}

// The line's first kMaxLineLength bytes are handed out; the rest of it is read
// into the space behind them and dropped until its line end comes.
std::span<char> RangeLineReader::CutOverlongLine() {
  WarnOverlongLine(path_);
  for (;;) {
    const std::size_t cut = begin_ + kMaxLineLength;
    const std::size_t stop = FindLineEnd(cut);
    if (stop < end_) return HandOut(kMaxLineLength, stop);
    end_ = cut;  // the bytes behind the cut hold no line end
    next_cr_known_ = false;
    if (!Fill()) {
      const std::span<char> line(buffer_.get() + begin_, kMaxLineLength);
      begin_ = end_;
      return line;
    }
  }
}

bool RangeLineReader::ReadMutableLines(std::vector<std::span<char>>& lines) {
  lines.clear();
  if (Eof()) return false;
  // Eof() has made sure that an unread byte follows and no LF of a CR LF is
  // pending: take every line that ends inside the buffer.
  char* const data = buffer_.get();
  while (begin_ < end_) {
    if (skip_line_feed_) {
      skip_line_feed_ = false;
      if (data[begin_] == '\n') ++begin_;
      continue;
    }
    const std::size_t stop = FindLineEnd(begin_);
    if (stop == end_) break;
    lines.push_back(HandOut(stop - begin_, stop));
  }
  if (lines.empty()) lines.push_back(ReadMutableLine());  // a line longer than what is read
  return true;
}

}  // namespace sirvane
