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

std::uint64_t PlainFileSize(const std::string& path) {
  const int fd = ::open(ResolvePath(path).c_str(), kOpenFlags);
  if (fd < 0) return 0;
  std::uint64_t size = 0;
  char head[kCompressionMagicSize];
  // A compressed file is decompressed on the way, which only LineReader does.
  const bool plain = RegularFileSize(fd, size) && size >= 8 &&
                     ReadAt(fd, head, sizeof head, 0) == static_cast<long long>(sizeof head) &&
                     DetectCompression(std::span<const char>(head, sizeof head)) == Compression::kNone;
  ::close(fd);
  return plain ? size : 0;
}

std::uint64_t LineStartAfter(const std::string& path, std::uint64_t offset, std::uint64_t size) {
  const int fd = ::open(ResolvePath(path).c_str(), kOpenFlags);
  if (fd < 0) return size;
  const std::uint64_t start = NextLineStart(fd, offset, size);
  ::close(fd);
  return start;
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
  first_ = range.begin;
  offset_ = range.begin;
  stop_ = range.end;
  lines_.Start(nullptr, path);
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
  lines_.Start(this, path);
  return true;
}

long long RangeLineReader::ReadInto(char* into, std::size_t size) {
  if (fd_ < 0 || offset_ >= stop_) return 0;
  const long long got =
      ReadAt(fd_, into, static_cast<std::size_t>(std::min<std::uint64_t>(size, stop_ - offset_)), offset_);
  if (got > 0) offset_ += static_cast<std::uint64_t>(got);
  return got;
}

}  // namespace sirvane
