// A preloaded library that makes file operations fail the way a full disk or a
// vanishing log does, for the end-to-end tests. It acts only on paths that
// contain $SIRVANE_FAULT_PATH, and $SIRVANE_FAULT says how:
//   create          open() with O_CREAT fails with EACCES
//   write=N         writes succeed for N bytes in all, then fail with ENOSPC
//   close           close() releases the file but reports ENOSPC
//   read-truncate=N the first read() at or beyond 1 MiB into the file first
//                   truncates it to N bytes
//   read-unlink     that read() first deletes the file
//   read-error      that read() fails with EIO
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

const char* Fault() {
  const char* fault = std::getenv("SIRVANE_FAULT");
  return fault != nullptr ? fault : "";
}

bool FaultIs(const char* kind) { return std::strncmp(Fault(), kind, std::strlen(kind)) == 0; }

long FaultNumber() {
  const char* equals = std::strchr(Fault(), '=');
  return equals != nullptr ? std::atol(equals + 1) : 0;
}

bool Matches(const char* path) {
  const char* pattern = std::getenv("SIRVANE_FAULT_PATH");
  return pattern != nullptr && *pattern != '\0' && path != nullptr && std::strstr(path, pattern) != nullptr;
}

// The path behind a descriptor, or "" (readlink of /proc/self/fd is not itself
// intercepted).
bool FdMatches(int fd, char* path, std::size_t size) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, size - 1);
  if (n <= 0) return false;
  path[n] = '\0';
  return Matches(path);
}

long written_so_far = 0;
bool read_fault_done = false;

int OpenWith(const char* name, int dirfd, const char* path, int flags, mode_t mode) {
  if ((flags & O_CREAT) != 0 && FaultIs("create") && Matches(path)) {
    errno = EACCES;
    return -1;
  }
  if (dirfd == AT_FDCWD && std::strcmp(name, "open") == 0) {
    return Next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
  }
  return Next<int (*)(int, const char*, int, ...)>("openat")(dirfd, path, flags, mode);
}

mode_t ModeArgument(int flags, va_list args) {
  return (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  return OpenWith("open", AT_FDCWD, path, flags, mode);
}

// The large-file names are the same calls on a 64-bit system.
int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  return OpenWith("openat", dirfd, path, flags, mode);
}

ssize_t write(int fd, const void* data, size_t size) {
  static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
  char path[4096];
  if (fd > 2 && FaultIs("write=") && FdMatches(fd, path, sizeof path)) {
    const long room = FaultNumber() - written_so_far;
    if (room <= 0) {
      errno = ENOSPC;
      return -1;
    }
    if (static_cast<long>(size) > room) size = static_cast<size_t>(room);
    const ssize_t done = real(fd, data, size);
    if (done > 0) written_so_far += done;
    return done;
  }
  return real(fd, data, size);
}

int close(int fd) {
  static const auto real = Next<int (*)(int)>("close");
  char path[4096];
  const bool fail = fd > 2 && FaultIs("close") && FdMatches(fd, path, sizeof path);
  const int result = real(fd);
  if (fail) {
    errno = ENOSPC;
    return -1;
  }
  return result;
}

// Acts once, on the first read at or beyond 1 MiB into the file; true when
// that read is to fail.
bool ReadFails(int fd, off_t position) {
  char path[4096];
  if (fd > 2 && !read_fault_done && FaultIs("read-") && position >= off_t{1} << 20 &&
      FdMatches(fd, path, sizeof path)) {
    read_fault_done = true;
    if (FaultIs("read-truncate=")) truncate(path, FaultNumber());
    if (FaultIs("read-unlink")) unlink(path);
    if (FaultIs("read-error")) {
      errno = EIO;
      return true;
    }
  }
  return false;
}

ssize_t read(int fd, void* data, size_t size) {
  static const auto real = Next<ssize_t (*)(int, void*, size_t)>("read");
  if (fd > 2 && FaultIs("read-") && ReadFails(fd, lseek(fd, 0, SEEK_CUR))) return -1;
  return real(fd, data, size);
}

// Large plain logs are read by position, in parts.
ssize_t pread(int fd, void* data, size_t size, off_t offset) {
  static const auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  if (ReadFails(fd, offset)) return -1;
  return real(fd, data, size, offset);
}

ssize_t pread64(int fd, void* data, size_t size, off_t offset) __attribute__((alias("pread")));

}  // extern "C"
