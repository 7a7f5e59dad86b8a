#include "platform/text_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include "platform/error.h"
#include "platform/file_system.h"

namespace sirvane {

namespace {

constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

// What the user can do about a failed file operation.
const char* AdviceFor(int error_number) {
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

[[noreturn]] void ThrowFileError(int error_number, const std::string& what, const std::string& path) {
  ThrowIoError(error_number, what, path, AdviceFor(error_number));
}

// Writes everything or returns the errno of the failure (0 on success).
int WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
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

}  // namespace

StagedFiles::~StagedFiles() { RemoveStaged(); }

void StagedFiles::RemoveStaged() {
  if (staging_.empty()) return;
  if (DIR* dir = ::opendir(staging_.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") ::unlink((staging_ + name).c_str());
    }
    ::closedir(dir);
  }
  ::rmdir(staging_.c_str());
  staging_.clear();
}

std::string StagedFiles::Stage(const std::string& os_path, const std::string& path) {
  const std::size_t slash = os_path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : os_path.substr(0, slash + 1);
  if (staging_.empty()) {
    std::string pattern = directory + ".sirvane-staging-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) ThrowFileError(errno, "Cannot create the file", path);
    directory_ = directory;
    staging_ = pattern + "/";
  } else if (directory != directory_) {
    throw std::logic_error("staged files must share one directory: " + path);
  }
  return staging_ + os_path.substr(directory.size());
}

void StagedFiles::Commit(const std::string& last) {
  if (staging_.empty()) return;
  auto move = [this](const std::string& name) {
    if (::rename((staging_ + name).c_str(), (directory_ + name).c_str()) != 0) {
      ThrowFileError(errno, "Cannot replace the file", directory_ + name);
    }
  };
  // Entries renamed away while the directory is read may make readdir skip
  // others; passes repeat until one finds nothing left to move.
  for (bool moved = true; moved;) {
    moved = false;
    DIR* dir = ::opendir(staging_.c_str());
    if (dir == nullptr) ThrowFileError(errno, "Cannot read the directory", staging_);
    try {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == last) continue;
        move(name);
        moved = true;
      }
    } catch (...) {
      ::closedir(dir);
      throw;
    }
    ::closedir(dir);
  }
  if (FileExists(staging_ + last)) move(last);
  ::rmdir(staging_.c_str());
  staging_.clear();
}

TextFileWriter::~TextFileWriter() {
  // Abandoned: what is still buffered is dropped on purpose, and a temporary
  // file is removed so that no half-written report is left behind.
  if (fd_ >= 0) {
    ::close(fd_);
    if (atomic_) ::unlink(os_path_.c_str());
  }
}

void TextFileWriter::Create(const std::string& path, Replace replace) {
  if (fd_ >= 0) {
    ::close(fd_);
    if (atomic_) ::unlink(os_path_.c_str());
    fd_ = -1;
  }
  buffer_.clear();
  path_ = path;
  final_path_ = ResolveForCreate(path);
  atomic_ = replace == Replace::kAtomically;

  if (!atomic_) {
    os_path_ = final_path_;
    fd_ = ::open(os_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) ThrowFileError(errno, "Cannot create the file", path_);
  } else {
    // The temporary file sits in the same directory so that rename() replaces
    // the final file in one step.
    const std::size_t slash = final_path_.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : final_path_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? final_path_ : final_path_.substr(slash + 1);
    os_path_ = directory + "." + name + ".XXXXXX";
    fd_ = ::mkostemp(os_path_.data(), O_CLOEXEC);
    if (fd_ < 0) ThrowFileError(errno, "Cannot create the file", path_);
    if (::fchmod(fd_, 0644) != 0) {
      const int error_number = errno;
      ::close(fd_);
      ::unlink(os_path_.c_str());
      fd_ = -1;
      ThrowFileError(error_number, "Cannot create the file", path_);
    }
  }
  buffer_.reserve(kBufferSize);
}

void TextFileWriter::Create(const std::string& path, StagedFiles* staged) {
  if (staged == nullptr) {
    Create(path, Replace::kAtomically);
    return;
  }
  if (fd_ >= 0) {
    ::close(fd_);
    if (atomic_) ::unlink(os_path_.c_str());
    fd_ = -1;
  }
  buffer_.clear();
  path_ = path;
  final_path_ = ResolveForCreate(path);
  atomic_ = false;  // the staged file stays where it is until Commit
  os_path_ = staged->Stage(final_path_, path);
  fd_ = ::open(os_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) ThrowFileError(errno, "Cannot create the file", path_);
  buffer_.reserve(kBufferSize);
}

void TextFileWriter::Write(std::string_view text) {
  if (fd_ < 0) ThrowFileError(EBADF, "Cannot write to the file", path_);
  if (buffer_.size() + text.size() > kBufferSize) {
    FlushBuffer();
    if (text.size() >= kBufferSize) {
      const int error_number = WriteAll(fd_, text.data(), text.size());
      if (error_number != 0) ThrowFileError(error_number, "Cannot write to the file", path_);
      return;
    }
  }
  buffer_.append(text);
}

void TextFileWriter::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TextFileWriter::Flush() {
  if (fd_ < 0) ThrowFileError(EBADF, "Cannot write to the file", path_);
  FlushBuffer();
}

void TextFileWriter::FlushBuffer() {
  if (buffer_.empty()) return;
  const int error_number = WriteAll(fd_, buffer_.data(), buffer_.size());
  // The buffer is emptied even on failure: the run stops anyway, and the
  // destructor must not try again.
  buffer_.clear();
  if (error_number != 0) ThrowFileError(error_number, "Cannot write to the file", path_);
}

void TextFileWriter::Close() {
  if (fd_ < 0) ThrowFileError(EBADF, "Cannot close the file", path_);
  FlushBuffer();
  const int fd = fd_;
  fd_ = -1;
  // On Linux the descriptor is released even when close() reports EINTR.
  if (::close(fd) != 0 && errno != EINTR) {
    const int error_number = errno;
    if (atomic_) ::unlink(os_path_.c_str());
    ThrowFileError(error_number, "Cannot write to the file", path_);
  }
  if (atomic_ && ::rename(os_path_.c_str(), final_path_.c_str()) != 0) {
    const int error_number = errno;
    ::unlink(os_path_.c_str());
    ThrowFileError(error_number, "Cannot replace the file", path_);
  }
}

std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(ResolvePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowIoError(errno, "Cannot open the file", path);
  std::string text;
  struct stat st;
  if (::fstat(fd, &st) == 0 && st.st_size > 0) text.reserve(static_cast<std::size_t>(st.st_size));
  char block[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int error_number = errno;
      ::close(fd);
      ThrowIoError(error_number, "Cannot read the file", path);
    }
    if (got == 0) break;
    text.append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return text;
}

}  // namespace sirvane
