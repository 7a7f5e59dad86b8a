#include "platform/text_file.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/in_order_tasks.h"

namespace sirvane {

namespace {

constexpr std::size_t kBufferSize = std::size_t{64} * 1024;

[[noreturn]] void ThrowFileError(int error_number, const std::string& what, const std::string& path) {
  ThrowIoError(error_number, what, path, file_io::WriteAdvice(error_number));
}

// Calls f(name) for each name of a list from file_io::ListNames.
template <typename F>
void ForEachName(const std::string& names, F&& f) {
  for (std::size_t at = 0; at < names.size();) {
    const std::size_t end = names.find('\0', at);
    f(std::string_view(names).substr(at, end - at));
    at = end + 1;
  }
}

// The temporary file is abandoned on an error path: remove it.
void Discard(file_io::Handle file, bool atomic, const std::string& os_path) {
  file_io::Close(file);
  if (atomic) file_io::Remove(os_path);
}

}  // namespace

StagedFiles::~StagedFiles() { RemoveStaged(); }

void StagedFiles::RemoveStaged() {
  if (staging_.empty()) return;
  // A round at a time, as in Commit; a round that removes nothing ends it
  // (best effort: what cannot be removed stays).
  for (;;) {
    std::string names;
    if (file_io::ListNames(staging_, names, names_per_round_) != 0 || names.empty()) break;
    bool removed = false;
    ForEachName(names, [&](std::string_view name) { removed |= file_io::Remove(staging_ + std::string(name)) == 0; });
    if (!removed) break;
  }
  file_io::RemoveEmptyDirectory(staging_);
  staging_.clear();
}

std::string StagedFiles::Target(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ResolveForCreate(path);
  const std::string_view written(path.data(), slash + 1);
  {
    const std::lock_guard<std::mutex> lock(stage_lock_);
    if (!written_.empty() && written == written_) return directory_ + path.substr(slash + 1);
  }
  std::string resolved = ResolveForCreate(path);
  const std::lock_guard<std::mutex> lock(stage_lock_);
  if (!directory_.empty() && resolved.size() - (path.size() - slash - 1) == directory_.size() &&
      resolved.starts_with(directory_)) {
    written_ = written;
  }
  return resolved;
}

std::string StagedFiles::Stage(const std::string& os_path, const std::string& path) {
  const std::lock_guard<std::mutex> lock(stage_lock_);
  // Windows paths may use either separator; POSIX ones hold only '/' here.
  const std::size_t slash = os_path.find_last_of("/\\");
  const std::string directory = slash == std::string::npos ? "" : os_path.substr(0, slash + 1);
  if (staging_.empty()) {
    std::string staging;
    const int error_number = file_io::CreateHiddenDirectory(directory + ".sirvane-staging-", staging);
    if (error_number != 0) ThrowFileError(error_number, "Cannot create the file", path);
    directory_ = directory;
    staging_ = staging + "/";
  } else if (directory != directory_) {
    throw std::logic_error("staged files must share one directory: " + path);
  }
  return staging_ + os_path.substr(directory.size());
}

void StagedFiles::Commit(const std::string& last) {
  if (staging_.empty()) return;
  // In rounds, so that the names held at once stay few however many pages a
  // run writes. A round lists the staging directory, then moves what it
  // listed: nothing is renamed while the directory is read, which could make
  // the listing skip names. A replaced file is swapped into the staging
  // directory under the new file's name; it is removed within the round, so
  // the next listing holds only files still to be moved (a replaced file
  // that cannot be removed stops the run before it could be moved back).
  bool last_staged = false;
  std::string names;
  std::vector<std::size_t> replaced;  // where each replaced file's name starts in `names`
  auto move = [&](std::string_view name) {
    const std::string file(name);
    bool swapped = false;
    const int error_number = file_io::SwapInto(staging_ + file, directory_ + file, swapped);
    if (error_number != 0) ThrowFileError(error_number, "Cannot replace the file", directory_ + file);
    if (swapped) replaced.push_back(static_cast<std::size_t>(name.data() - names.data()));
  };
  // Freeing a file's blocks is most of the cost of removing it, and two
  // threads overlap that (measured: 500 pages in 0.19 s against 0.3 s).
  auto remove_replaced = [&] {
    RunInIndexOrder(replaced.size(), TaskThreads(), [&](unsigned, std::size_t i) {
      const std::string path = staging_ + (names.c_str() + replaced[i]);
      const int error_number = file_io::Remove(path);
      if (error_number != 0) ThrowFileError(error_number, "Cannot remove the replaced file", path);
    });
  };
  for (;;) {
    names.clear();
    replaced.clear();
    // One more than a round: the file named `last` stays until the end.
    const int list_error = file_io::ListNames(staging_, names, names_per_round_ + 1);
    if (list_error != 0) ThrowFileError(list_error, "Cannot read the directory", staging_);
    // One thread: two threads moving files into one directory were measured
    // slower (more system time, longer waits), not faster.
    bool moved = false;
    ForEachName(names, [&](std::string_view name) {
      if (name == last) {
        last_staged = true;
      } else {
        move(name);
        moved = true;
      }
    });
    remove_replaced();
    if (!moved) break;
  }
  if (last_staged) {
    names.assign(last).push_back('\0');
    replaced.clear();
    move(std::string_view(names.data(), last.size()));
    remove_replaced();
  }
  file_io::RemoveEmptyDirectory(staging_);
  staging_.clear();
}

TextFileWriter::~TextFileWriter() {
  // Abandoned: what is still buffered is dropped on purpose, and a temporary
  // file is removed so that no half-written report is left behind.
  if (is_open()) Discard(file_, atomic_ || staged_, os_path_);
}

void TextFileWriter::Create(const std::string& path, Replace replace) { Open(path, replace, nullptr); }

void TextFileWriter::Create(const std::string& path, StagedFiles* staged) {
  Open(path, Replace::kAtomically, staged);
}

void TextFileWriter::Open(const std::string& path, Replace replace, StagedFiles* staged) {
  if (is_open()) {
    Discard(file_, atomic_ || staged_, os_path_);
    file_ = file_io::kNoHandle;
  }
  buffer_.clear();
  path_ = path;
  final_path_ = staged != nullptr ? staged->Target(path) : ResolveForCreate(path);
  // A staged file stays where it is until the stage's Commit.
  atomic_ = staged == nullptr && replace == Replace::kAtomically;
  staged_ = staged != nullptr;

  int error_number;
  if (staged != nullptr) {
    os_path_ = staged->Stage(final_path_, path);
    error_number = file_io::CreateForWriting(os_path_, file_);
  } else if (!atomic_) {
    os_path_ = final_path_;
    error_number = file_io::CreateForWriting(os_path_, file_);
  } else {
    error_number = file_io::CreateTemporaryBeside(final_path_, os_path_, file_);
  }
  if (error_number != 0) {
    file_ = file_io::kNoHandle;
    ThrowFileError(error_number, "Cannot create the file", path_);
  }
}

void TextFileWriter::Write(std::string_view text) {
  if (!is_open()) ThrowFileError(file_io::kNotOpen, "Cannot write to the file", path_);
  if (buffer_.size() + text.size() > kBufferSize) {
    FlushBuffer();
    if (text.size() >= kBufferSize) {
      const int error_number = file_io::WriteAll(file_, text.data(), text.size());
      if (error_number != 0) ThrowFileError(error_number, "Cannot write to the file", path_);
      return;
    }
  }
  // Reserved on first use: a file written unbuffered never needs it.
  if (buffer_.capacity() < kBufferSize) buffer_.reserve(kBufferSize);
  buffer_.append(text);
}

void TextFileWriter::WriteUnbuffered(std::string_view text) {
  if (!is_open()) ThrowFileError(file_io::kNotOpen, "Cannot write to the file", path_);
  FlushBuffer();
  if (text.empty()) return;
  const int error_number = file_io::WriteAll(file_, text.data(), text.size());
  if (error_number != 0) ThrowFileError(error_number, "Cannot write to the file", path_);
}

void TextFileWriter::WriteLine(std::string_view text) {
  Write(text);
  Write("\r\n");
}

void TextFileWriter::Flush() {
  if (!is_open()) ThrowFileError(file_io::kNotOpen, "Cannot write to the file", path_);
  FlushBuffer();
}

void TextFileWriter::FlushBuffer() {
  if (buffer_.empty()) return;
  const int error_number = file_io::WriteAll(file_, buffer_.data(), buffer_.size());
  // The buffer is emptied even on failure: the run stops anyway, and the
  // destructor must not try again.
  buffer_.clear();
  if (error_number != 0) ThrowFileError(error_number, "Cannot write to the file", path_);
}

void TextFileWriter::Close() {
  if (!is_open()) ThrowFileError(file_io::kNotOpen, "Cannot close the file", path_);
  FlushBuffer();
  const file_io::Handle file = file_;
  file_ = file_io::kNoHandle;
  if (const int error_number = file_io::Close(file); error_number != 0) {
    if (atomic_) file_io::Remove(os_path_);
    ThrowFileError(error_number, "Cannot write to the file", path_);
  }
  if (atomic_) {
    if (const int error_number = file_io::ReplaceWith(os_path_, final_path_); error_number != 0) {
      file_io::Remove(os_path_);
      ThrowFileError(error_number, "Cannot replace the file", path_);
    }
  }
}

FileComparer::FileComparer(const std::string& os_path) {
  file_io::Handle file = file_io::kNoHandle;
  same_ = file_io::OpenPlainFile(os_path, file, size_);
  if (same_) file_ = file;
}

FileComparer::~FileComparer() {
  if (file_ != file_io::kNoHandle) file_io::Close(file_);
}

bool FileComparer::Continues(std::string_view bytes) {
  if (!same_ || bytes.size() > size_ - compared_) return same_ = false;
  char block[64 * 1024];
  while (!bytes.empty()) {
    std::size_t got = 0;
    if (file_io::Read(file_, block, std::min(sizeof block, bytes.size()), got) != 0 || got == 0 ||
        std::memcmp(block, bytes.data(), got) != 0) {
      return same_ = false;
    }
    bytes.remove_prefix(got);
    compared_ += got;
  }
  return true;
}

bool FileComparer::SkipToLast(std::uint64_t size) {
  if (!same_ || size > size_ || file_io::Seek(file_, size_ - size) != 0) return same_ = false;
  compared_ = size_ - size;
  return true;
}

bool FileEndsWith(const std::string& path, std::string_view tail) {
  FileComparer file(ResolveForCreate(path));
  return file.SkipToLast(tail.size()) && file.Continues(tail) && file.Same();
}

std::string ReadWholeFile(const std::string& path) {
  std::string text;
  const int error_number = file_io::ReadAll(ResolvePath(path), text);
  if (error_number != 0) ThrowIoError(error_number, "Cannot read the file", path);
  return text;
}

}  // namespace sirvane
