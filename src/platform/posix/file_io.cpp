#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>  // renameat2

namespace sirvane::file_io {

const int kNotOpen = EBADF;

namespace {

int Descriptor(Handle file) { return static_cast<int>(file); }

}  // namespace

int CreateForWriting(const std::string& path, Handle& file) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  file = fd;
  return 0;
}

int CreateTemporaryBeside(const std::string& final_path, std::string& temporary_path, Handle& file) {
  const std::size_t slash = final_path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : final_path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? final_path : final_path.substr(slash + 1);
  temporary_path = directory + "." + name + ".XXXXXX";
  const int fd = ::mkostemp(temporary_path.data(), O_CLOEXEC);
  if (fd < 0) return errno;
  // mkostemp creates the file for its owner alone; a report is for everyone.
  if (::fchmod(fd, 0644) != 0) {
    const int error_number = errno;
    ::close(fd);
    ::unlink(temporary_path.c_str());
    return error_number;
  }
  file = fd;
  return 0;
}

int WriteAll(Handle file, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(Descriptor(file), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return ENOSPC;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int Close(Handle file) {
  // On Linux the descriptor is released even when close() reports EINTR.
  if (::close(Descriptor(file)) != 0 && errno != EINTR) return errno;
  return 0;
}

int ReplaceWith(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int SwapInto(const std::string& from, const std::string& to, bool& swapped) {
  swapped = false;
#ifdef RENAME_EXCHANGE
  // Replacing a file costs the file system most of a millisecond here (ext4
  // frees the old blocks and starts writing the new file at once), against a
  // few microseconds for a swap. Only a regular file is swapped: a directory
  // of that name must make the move fail, as rename does.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
    swapped = true;
    return 0;
  }
  // Not supported by this file system, or nothing to swap with: rename.
#endif
  return ReplaceWith(from, to);
}

int Remove(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

int CreateHiddenDirectory(const std::string& prefix, std::string& path) {
  path = prefix + "XXXXXX";
  return ::mkdtemp(path.data()) == nullptr ? errno : 0;
}

int ListNames(const std::string& directory, std::string& names, std::size_t most) {
  DIR* dir = ::opendir(directory.c_str());
  if (dir == nullptr) return errno;
  for (std::size_t listed = 0; listed < most;) {
    errno = 0;  // readdir tells the end from an error only by errno
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      const int error_number = errno;
      ::closedir(dir);
      return error_number;
    }
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") {
      names.append(name).push_back('\0');
      ++listed;
    }
  }
  ::closedir(dir);
  return 0;
}

void RemoveEmptyDirectory(const std::string& path) { ::rmdir(path.c_str()); }

int ReadAll(const std::string& path, std::string& text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) text.reserve(static_cast<std::size_t>(st.st_size));
  char block[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error_number = errno;
      ::close(fd);
      return error_number;
    }
    if (got == 0) break;
    text.append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return 0;
}

bool OpenPlainFile(const std::string& path, Handle& file, std::uint64_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  file = fd;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

int Read(Handle file, char* data, std::size_t size, std::size_t& got) {
  for (;;) {
    const ssize_t read = ::read(Descriptor(file), data, size);
    if (read >= 0) {
      got = static_cast<std::size_t>(read);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

int Seek(Handle file, std::uint64_t offset) {
  return ::lseek(Descriptor(file), static_cast<off_t>(offset), SEEK_SET) >= 0 ? 0 : errno;
}

const char* WriteAdvice(int error_number) {
  switch (error_number) {
    case ENOSPC:
    case EDQUOT:
      return "Free some disk space and run it again.";
    case EACCES:
    case EPERM:
    case EROFS:
      return "Check that you are allowed to write to that directory and file.";
    case ENOENT:
    case ENOTDIR:
      return "Check that the directory exists.";
    case EISDIR:
      return "A directory has that name; choose another name or remove it.";
    case EBADF:
      return "The program used a file it had not opened; please report this fault.";
    default:
      return "Check that the directory exists and is writable and that the disk is not full.";
  }
}

}  // namespace sirvane::file_io
