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

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace sirvane {

namespace {

#ifdef _WIN32
constexpr int kOpenFlags = O_RDONLY | O_BINARY | O_NOINHERIT;

// Positioned, through the descriptor's handle: the readers of a shared file
// share its descriptor, and a seek and a read of two threads could interleave.
long long ReadFileAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) return -1;
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  if (!::ReadFile(handle, into, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &got, &at)) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    // errno for the warning's text, as the C runtime's read would set it.
    errno = error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ? EACCES : EIO;
    return -1;
  }
  return got;
}

bool RegularFileSize(int fd, std::uint64_t& size) {
  struct _stati64 st;
  if (::_fstati64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}
#else
constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC;

long long ReadFileAt(int fd, char* into, std::size_t size, std::uint64_t offset) {
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

}  // namespace

OpenedLogFile::OpenedLogFile(const std::string& path) : fd_(::open(ResolvePath(path).c_str(), kOpenFlags)) {
  if (fd_ < 0) open_error_ = std::strerror(errno);
}

OpenedLogFile::~OpenedLogFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t OpenedLogFile::PlainSize() const {
  std::uint64_t size = 0;
  char head[kCompressionMagicSize];
  // A compressed file is decompressed on the way, which only LineReader does.
  const bool plain = is_open() && RegularFileSize(fd_, size) && size >= 8 &&
                     ReadAt(head, sizeof head, 0) == static_cast<long long>(sizeof head) &&
                     DetectCompression(std::span<const char>(head, sizeof head)) == Compression::kNone;
  return plain ? size : 0;
}

std::uint64_t OpenedLogFile::LineStartAfter(std::uint64_t offset, std::uint64_t size) const {
  std::vector<char> block(std::size_t{64} * 1024);
  while (offset < size) {
    const long long got = ReadAt(block.data(), block.size(), offset);
    if (got <= 0) return size;
    const void* lf = std::memchr(block.data(), '\n', static_cast<std::size_t>(got));
    if (lf != nullptr) return offset + static_cast<std::uint64_t>(static_cast<const char*>(lf) - block.data()) + 1;
    offset += static_cast<std::uint64_t>(got);
  }
  return size;
}

long long OpenedLogFile::ReadAt(char* into, std::size_t size, std::uint64_t offset) const {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  return ReadFileAt(fd_, into, size, offset);
}

void OpenedLogFile::WillRead(FileRange range) const {
#ifndef _WIN32
  if (fd_ >= 0) {
    ::posix_fadvise(fd_, static_cast<off_t>(range.begin), static_cast<off_t>(range.end - range.begin),
                    POSIX_FADV_SEQUENTIAL);
  }
#else
  (void)range;
#endif
}

std::uint64_t PlainFileSize(const std::string& path) { return OpenedLogFile(path).PlainSize(); }

bool RangeLineReader::Open(const std::string& path, FileRange range) { return Open(path, nullptr, range); }

bool RangeLineReader::Open(const std::string& path, std::shared_ptr<const OpenedLogFile> file, FileRange range,
                           bool to_end_of_file) {
  if (!file) file = std::make_shared<const OpenedLogFile>(path);
  file_.reset();
  first_ = range.begin;
  offset_ = range.begin;
  stop_ = to_end_of_file ? UINT64_MAX : range.end;
  lines_.Start(nullptr, path);
  if (!file->is_open()) {
    ReportWarning("cannot read the log file '" + path + "': " + file->open_error() + "; the rest of it is skipped.");
    return false;
  }
  file->WillRead(range);
  file_ = std::move(file);
  lines_.Start(this, path);
  return true;
}

long long RangeLineReader::ReadInto(char* into, std::size_t size) {
  if (!file_ || offset_ >= stop_) return 0;
  const long long got =
      file_->ReadAt(into, static_cast<std::size_t>(std::min<std::uint64_t>(size, stop_ - offset_)), offset_);
  if (got > 0) offset_ += static_cast<std::uint64_t>(got);
  return got;
}

}  // namespace sirvane
