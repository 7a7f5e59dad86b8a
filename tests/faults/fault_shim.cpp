// Preloaded by the end-to-end tests: file operations fail as on a full disk or with
// a vanishing log. Replaces open, write, close and pread (plain logs), not their
// 64-bit names, on paths containing $SIRVANE_FAULT_PATH; $SIRVANE_FAULT says how:
//   create          open() with O_CREAT fails with EACCES
//   write=N         writes succeed for N bytes in all, then fail with ENOSPC
//   close           close() releases the file but reports ENOSPC
//   read-truncate=N the first read at or beyond 1 MiB first truncates the file to N
//   read-unlink     that read first deletes the file
//   read-error      that read fails with EIO
//   read-rotate=P   that read first renames the file P to P.1 and creates P anew, empty, as
//                   logrotate does (P relative to the working directory)
//   read-append=T   that read first appends the text T to the file, as a live log grows
//   read-rename=A>B that read first renames the file A to B (relative paths)
//   read-bad-at=N   every read that would return byte N fails with EIO, as over a bad sector
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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

const char* Fault() {
  const char* fault = std::getenv("SIRVANE_FAULT");
  return fault != nullptr ? fault : "";
}

bool FaultIs(const char* kind) { return std::strncmp(Fault(), kind, std::strlen(kind)) == 0; }

long FaultNumber() { return std::atol(std::strchr(Fault(), '=') + 1); }  // of the kinds with "=N"

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

int Fail(int error_number) {
  errno = error_number;
  return -1;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int mode = (flags & O_CREAT) != 0 ? va_arg(args, int) : 0;
  va_end(args);
  if ((flags & O_CREAT) != 0 && FaultIs("create") && Matches(path)) return Fail(EACCES);
  return Next<int (*)(const char*, int, ...)>("open")(path, flags, mode);
}

ssize_t write(int fd, const void* data, size_t size) {
  static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
  if (!FaultIs("write=") || !Matches(PathOf(fd))) return real(fd, data, size);
  static long room = FaultNumber();
  if (room <= 0) return Fail(ENOSPC);
  const ssize_t done = real(fd, data, std::min(size, static_cast<size_t>(room)));
  if (done > 0) room -= done;
  return done;
}

int close(int fd) {
  static const auto real = Next<int (*)(int)>("close");
  const bool fail = FaultIs("close") && Matches(PathOf(fd));
  const int result = real(fd);
  return fail ? Fail(ENOSPC) : result;
}

// Acts once, on the first read at or beyond 1 MiB into the file.
ssize_t pread(int fd, void* data, size_t size, off_t offset) {
  static const auto real = Next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  static std::atomic<bool> done{false};
  if (FaultIs("read-bad-at=") && offset <= FaultNumber() && FaultNumber() < offset + static_cast<off_t>(size) &&
      Matches(PathOf(fd))) {
    return Fail(EIO);
  }
  const std::string path = FaultIs("read-") && offset >= off_t{1} << 20 ? PathOf(fd) : "";
  if (Matches(path) && !done.exchange(true)) {
    if (FaultIs("read-truncate=")) truncate(path.c_str(), FaultNumber());
    if (FaultIs("read-unlink")) unlink(path.c_str());
    if (FaultIs("read-error")) return Fail(EIO);
    if (FaultIs("read-append=")) {
      const char* text = std::strchr(Fault(), '=') + 1;
      const int appended = open(path.c_str(), O_WRONLY | O_APPEND);
      if (write(appended, text, std::strlen(text)) < 0) return Fail(EIO);
      close(appended);
    }
    if (FaultIs("read-rename=")) {
      const std::string names = std::strchr(Fault(), '=') + 1;
      const std::size_t arrow = names.find('>');
      rename(names.substr(0, arrow).c_str(), names.substr(arrow + 1).c_str());
    }
    if (FaultIs("read-rotate=")) {
      const std::string rotated = std::strchr(Fault(), '=') + 1;
      rename(rotated.c_str(), (rotated + ".1").c_str());
      close(open(rotated.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    }
  }
  return real(fd, data, size, offset);
}

}  // extern "C"
