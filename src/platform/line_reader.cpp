#include "platform/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/byte_mask.h"
#include "platform/decompressing_source.h"
#include "platform/decompressor.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace sirvane {

namespace {

// Large reads keep the system-call count per line negligible. The file is
// read, never mapped: a mapped file that shrinks under us would kill the
// process with SIGBUS.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;

#ifdef _WIN32
// The C runtime would translate line ends unless told otherwise.
constexpr int kOpenFlags = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC;
#endif

void WarnUnreadable(const std::string& path, const std::string& reason) {
  ReportWarning("cannot read the log file '" + path + "': " + reason +
                "; it is counted with 0 records.");
}

// Reads the first bytes of the file and leaves the offset at 0. On POSIX,
// pread fails on a pipe, which is then read as it is.
long long ReadHead(int fd, char* head, unsigned size) {
#ifdef _WIN32
  if (::_lseeki64(fd, 0, SEEK_CUR) < 0) return -1;  // a pipe: read as it is, nothing consumed
  const int got = ::_read(fd, head, size);
  if (::_lseeki64(fd, 0, SEEK_SET) != 0) return -1;
  return got;
#else
  return ::pread(fd, head, size, 0);
#endif
}

// Adds the lines that end in a line feed in [p, stop) and returns where the
// next one begins: one scan over the block, 64 bytes a mask, instead of a
// memchr call per line. Bytes from `readable` on may be read again.
template <typename Masks>
[[gnu::always_inline]] inline char* CutLines(char* p, char* stop, const char* readable,
                                             std::vector<std::span<char>>& lines) {
  for (char* block = p; block < stop;) {
    const std::size_t width = std::min<std::size_t>(64, static_cast<std::size_t>(stop - block));
    std::uint64_t feeds = width == 64 ? Masks::Mask64(block, '\n') : Masks::Tail(block, width, readable, '\n');
    for (; feeds != 0; feeds &= feeds - 1) {
      char* const lf = block + Masks::CountrZero(feeds);
      lines.emplace_back(p, static_cast<std::size_t>(lf - p));
      p = lf + 1;
    }
    block += width;
  }
  return p;
}

#if defined(SIRVANE_X86_64_SCAN)
SIRVANE_AVX2_TARGET char* CutLinesAvx2(char* p, char* stop, const char* readable,
                                       std::vector<std::span<char>>& lines) {
  return CutLines<Avx2Masks>(p, stop, readable, lines);
}
#endif

char* CutAtLineFeeds(ByteScan scan, char* p, char* stop, const char* readable, std::vector<std::span<char>>& lines) {
  switch (scan) {
#if defined(SIRVANE_X86_64_SCAN)
    case ByteScan::kAvx2:
      return CutLinesAvx2(p, stop, readable, lines);
    case ByteScan::kSse2:
      return CutLines<Sse2Masks>(p, stop, readable, lines);
#endif
    default:
      return CutLines<PortableMasks>(p, stop, readable, lines);
  }
}

}  // namespace

void WarnOverlongLine(const std::string& path) {
  ReportWarning("a line of the log file '" + path + "' is longer than " + std::to_string(kMaxLineLength >> 20) +
                " MiB; only its first " + std::to_string(kMaxLineLength >> 20) + " MiB are used.");
}

LineBuffer::LineBuffer() = default;
LineBuffer::~LineBuffer() = default;

void LineBuffer::Start(ByteSource* source, const std::string& path) {
  source_ = source;
  path_ = path;
  begin_ = 0;
  end_ = 0;
  next_cr_known_ = false;
  skip_line_feed_ = false;
  line_handed_out_ = false;
  stopped_by_error_ = false;
}

void LineBuffer::End() {
  ByteSource* const source = source_;
  source_ = nullptr;
  source->Ended();
}

bool LineBuffer::Fill() {
  if (source_ == nullptr) return false;
  next_cr_known_ = false;

  if (end_ == capacity_) {
    // No room after the data: move the unread bytes to the front of a buffer.
    // The same buffer will do unless the last line handed out lives in it, or
    // the unread part (a long line) fills more than half of it.
    const std::size_t unread = end_ - begin_;
    if (!line_handed_out_ && capacity_ > 0 && unread <= capacity_ / 2) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, unread);
    } else {
      const std::size_t wanted = std::max(kBlockSize, std::min(unread * 2, kMaxLineLength + 2 * kBlockSize));
      if (spare_capacity_ < wanted) {
        spare_.reset();  // release first: both at once could be large
        spare_ = LargeBuffer(wanted);
        spare_capacity_ = wanted;
      }
      if (unread > 0) std::memcpy(spare_.get(), buffer_.get() + begin_, unread);
      std::swap(buffer_, spare_);
      std::swap(capacity_, spare_capacity_);
      line_handed_out_ = false;
    }
    begin_ = 0;
    end_ = unread;
  }

  const long long got = source_->ReadInto(buffer_.get() + end_, capacity_ - end_);
  if (got > 0) {
    end_ += static_cast<std::size_t>(got);
    return true;
  }
  if (got < 0) {
    ReportWarning("error while reading the log file '" + path_ + "': " + std::strerror(errno) +
                  "; the rest of it is skipped.");
    stopped_by_error_ = true;
  }
  End();
  return false;
}

bool LineBuffer::Eof() {
  for (;;) {
    if (begin_ < end_) {
      if (!skip_line_feed_) return false;
      // The line before ended in CR at the end of a block: an LF here is the
      // second half of that line end.
      skip_line_feed_ = false;
      if (buffer_[begin_] == '\n') ++begin_;
      continue;
    }
    if (!Fill()) return true;
  }
}

// The first CR or LF at or after `from`, or end_. CR is rare: its position is
// looked up once and reused until passed.
std::size_t LineBuffer::FindLineEnd(std::size_t from) {
  const char* data = buffer_.get();
  if (!next_cr_known_ || next_cr_ < from) {
    const void* cr = std::memchr(data + from, '\r', end_ - from);
    next_cr_ = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : end_;
    next_cr_known_ = true;
  }
  const void* lf = std::memchr(data + from, '\n', next_cr_ - from);
  return lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : next_cr_;
}

std::span<char> LineBuffer::ReadMutableLine() {
  // The caller is done with the previous line: its bytes may be reused.
  line_handed_out_ = false;
  if (Eof()) return {};

  std::size_t scan_from = begin_;
  for (;;) {
    const std::size_t stop = FindLineEnd(scan_from);
    if (stop < end_) return HandOut(stop - begin_, stop);
    const std::size_t scanned = end_ - begin_;
    if (scanned > kMaxLineLength) return CutOverlongLine();
    if (!Fill()) {
      // The last line has no line end.
      const std::span<char> line(buffer_.get() + begin_, end_ - begin_);
      begin_ = end_;
      line_handed_out_ = true;
      return line;
    }
    scan_from = begin_ + scanned;
  }
}

bool LineBuffer::ReadMutableLines(std::vector<std::span<char>>& lines) {
  lines.clear();
  line_handed_out_ = false;
  if (Eof()) return false;
  // Eof() has made sure that an unread byte follows and no LF of a CR LF is
  // pending: take every line that ends inside the buffer. Up to the next CR
  // (usually none in the whole block) only LF can end a line.
  char* const data = buffer_.get();
  char* const end = data + end_;
  char* p = data + begin_;
  for (;;) {
    if (!next_cr_known_ || data + next_cr_ < p) {
      const void* cr = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
      next_cr_ = cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : end_;
      next_cr_known_ = true;
    }
    char* const cr = data + next_cr_;
    p = CutAtLineFeeds(scan_, p, cr, data, lines);
    if (cr == end) break;
    lines.emplace_back(p, static_cast<std::size_t>(cr - p));
    p = cr + 1;
    if (p == end) {
      skip_line_feed_ = true;  // decided once the next block is read
      break;
    }
    if (*p == '\n') ++p;
  }
  begin_ = static_cast<std::size_t>(p - data);
  if (lines.empty()) lines.push_back(ReadMutableLine());  // a line longer than what is read
  line_handed_out_ = true;
  return true;
}

std::span<char> LineBuffer::HandOut(std::size_t length, std::size_t stop) {
  const std::span<char> line(buffer_.get() + begin_, length);
  begin_ = stop + 1;
  if (buffer_[stop] == '\r') {
    if (begin_ < end_) {
      if (buffer_[begin_] == '\n') ++begin_;
    } else {
      skip_line_feed_ = true;  // decided once the next block is read
    }
  }
  line_handed_out_ = true;
  return line;
}

// The line's first kMaxLineLength bytes are handed out; the rest of it is read
// into the space behind them and dropped until its line end comes.
std::span<char> LineBuffer::CutOverlongLine() {
  WarnOverlongLine(path_);
  for (;;) {
    const std::size_t cut = begin_ + kMaxLineLength;
    const std::size_t stop = FindLineEnd(cut);
    if (stop < end_) return HandOut(kMaxLineLength, stop);
    end_ = cut;  // the bytes behind the cut hold no line end
    if (!Fill()) {
      const std::span<char> line(buffer_.get() + begin_, kMaxLineLength);
      begin_ = end_;
      line_handed_out_ = true;
      return line;
    }
  }
}

LineReader::LineReader() = default;
LineReader::~LineReader() { CloseFile(); }

void LineReader::CloseFile() {
  decompressed_.reset();
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

void LineReader::Open(const std::string& path) {
  CloseFile();
  path_ = path;
  lines_.Start(nullptr, path);
  bytes_read_ = 0;
  file_size_ = 0;

  const int fd = ::open(ResolvePath(path).c_str(), kOpenFlags);
  if (fd < 0) {
    WarnUnreadable(path, std::strerror(errno));
    return;
  }
#ifdef _WIN32
  struct _stati64 st;  // 64-bit sizes: logs pass 2 GiB
  if (::_fstati64(fd, &st) != 0) {
#else
  struct stat st;
  if (::fstat(fd, &st) != 0) {
#endif
    const int error_number = errno;
    ::close(fd);
    WarnUnreadable(path, std::strerror(error_number));
    return;
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    WarnUnreadable(path, "it is a directory");
    return;
  }
#ifndef _WIN32
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  file_size_ = static_cast<std::uint64_t>(st.st_size);

  // The format is told by the first bytes.
  char head[kCompressionMagicSize];
  const long long got = ReadHead(fd, head, sizeof head);
  const Compression format =
      got > 0 ? DetectCompression(std::span<const char>(head, static_cast<std::size_t>(got))) : Compression::kNone;
  if (format != Compression::kNone) {
    std::unique_ptr<Decompressor> decompressor = MakeDecompressor(format);
    if (decompressor) {
      try {
        decompressed_ = std::make_unique<DecompressingSource>(fd, std::move(decompressor));
        lines_.Start(this, path);
      } catch (const std::system_error& error) {
        WarnUnreadable(path, std::string("no thread could be started to decompress it: ") + error.what());
      }
      return;
    }
    ReportWarning("the log file '" + path + "' is " + CompressionName(format) +
                  "-compressed, but this build of sirvane reads no compressed logs; it is read as it is. "
                  "Decompress it first, or use a build with compression support.");
  }
  fd_ = fd;
  lines_.Start(this, path);
}

long long LineReader::ReadInto(char* into, std::size_t size) {
  for (;;) {
    const long long got = decompressed_ ? static_cast<long long>(decompressed_->Read(into, size))
                                        : static_cast<long long>(::read(fd_, into, size));
    if (got < 0 && errno == EINTR) continue;
    if (got > 0) {
      bytes_read_ += static_cast<std::uint64_t>(got);
      if (observer_) {
        observer_(decompressed_ ? decompressed_->compressed_bytes_used() : bytes_read_, file_size_);
      }
    }
    return got;
  }
}

void LineReader::Ended() {
  if (decompressed_ && !decompressed_->damage().empty()) {
    ReportWarning("the log file '" + path_ + "' is damaged: " + decompressed_->damage() +
                  ". The lines before the damage are counted, the rest is skipped; check the file with its "
                  "decompression tool.");
  }
  CloseFile();
}

}  // namespace sirvane
