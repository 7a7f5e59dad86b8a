// A preloaded library that makes file operations fail the way a full disk or a
// vanishing log does, for the end-to-end tests. It replaces the calls the
// program makes (open, write, close, read, pread; not their 64-bit names),
// only on paths that contain $SIRVANE_FAULT_PATH; $SIRVANE_FAULT says how:
//   create          open() with O_CREAT fails with EACCES
//   write=N         writes succeed for N bytes in all, then fail with ENOSPC
//   close           close() releases the file but reports ENOSPC
//   read-truncate=N the first read at or beyond 1 MiB into the file first
//                   truncates it to N bytes
//   read-unlink     that read first deletes the file
//   read-error      that read fails with EIO
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool FaultIs(const char* kind) {
  const char* fault = std::getenv("SIRVANE_FAULT");
  return fault != nullptr && std::strncmp(fault, kind, std::strlen(kind)) == 0;
}

// Only asked of the kinds with "=N".
long FaultNumber() { return std::atol(std::strchr(std::getenv("SIRVANE_FAULT"), '=') + 1); }

bool Matches(const std::string& path) {
  const char* part = std::getenv("SIRVANE_FAULT_PATH");
  return part != nullptr && *part != '\0' && path.find(part) != std::string::npos;
}

// The path behind a descriptor, "" for the standard streams (readlink is not
// itself intercepted).
std::string PathOf(int fd) {
  char path[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t size = fd > 2 ? readlink(link.c_str(), path, sizeof path) : 0;
  return std::string(path, static_cast<std::size_t>(std::max<ssize_t>(size, 0)));
}

long written_so_far = 0;
bool read_fault_done = false;

// Acts once, on the first read at or beyond 1 MiB into the file; true when
// that read is to fail.
bool ReadFails(int fd, off_t position) {
  if (read_fault_done || !FaultIs("read-") || position < off_t{1} << 20) return false;
  const std::string path = PathOf(fd);
  if (!Matches(path)) return false;
  read_fault_done = true;
  if (FaultIs("read-truncate=")) truncate(path.c_str(), FaultNumber());
  if (FaultIs("read-unlink")) unlink(path.c_str());
  if (!FaultIs("read-error")) return false;
  errno = EIO;
  return true;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int mode = (flags & O_CREAT) != 0 ? va_arg(args, int) : 0;
  va_end(args);
  if ((flags & O_CREAT) != 0 && FaultIs("create") && Matches(path)) {
    errno = EACCES;
    return -1;
  }
  return Next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

ssize_t write(int fd, const void* data, size_t size) {
  static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
  if (!FaultIs("write=") || !Matches(PathOf(fd))) return real(fd, data, size);
  const long room = FaultNumber() - written_so_far;
  if (room <= 0) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t done = real(fd, data, std::min(size, static_cast<size_t>(room)));
  if (done > 0) written_so_far += done;
  return done;
}

int close(int fd) {
  static const auto real = Next<int (*)(int)>("close");
  const bool fail = FaultIs("close") && Matches(PathOf(fd));
  const int result = real(fd);
  if (!fail) return result;
  errno = ENOSPC;
  return -1;
}

ssize_t read(int fd, void* data, size_t size) {
  static const auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  return FaultIs("read-") && ReadFails(fd, lseek(fd, 0, SEEK_CUR)) ? -1 : real(fd, data, size);
}

// Large plain logs are read by position, in parts.
ssize_t pread(int fd, void* data, size_t size, off_t offset) {
  static const auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  return ReadFails(fd, offset) ? -1 : real(fd, data, size, offset);
}

}  // extern "C"
