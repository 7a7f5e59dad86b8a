#pragma once
// Text files written by a run. Lines end with CR LF whatever the platform;
// every system call is checked and a failure stops the run with an I/O error.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace sirvane {

// The report files of one run, written into a hidden directory beside their
// targets and moved into place together by Commit(). A run that stops before
// Commit leaves every report file of the previous run as it was. (Should a
// move fail within Commit itself, the files moved before it are new ones;
// the file named `last` is not moved.)
class StagedFiles {
 public:
  // `names_per_round`: how many staged names Commit holds at once (at least 1).
  explicit StagedFiles(std::size_t names_per_round = 65536)
      : names_per_round_(std::clamp<std::size_t>(names_per_round, 1, SIZE_MAX - 1)) {}
  ~StagedFiles();  // without Commit: the staged files and their directory are removed
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // The resolved path (see ResolveForCreate) of a file about to be staged or
  // compared. The last directory as written that resolved to the one staged
  // into is not looked up again: a million pages would look their directory
  // up a million times (listing its parent each time when the letter case
  // differs).
  std::string Target(const std::string& path);
  // Where to write the bytes of `os_path` (a resolved path); every staged file
  // must lie in one directory. `path` names the file in an error. Files may
  // be staged from several threads at once.
  std::string Stage(const std::string& os_path, const std::string& path);
  // Moves every staged file over its target, the file named `last` after all
  // others (the page that links to them), and removes the staging directory.
  void Commit(const std::string& last);

 private:
  void RemoveStaged();
  std::size_t names_per_round_;
  std::string directory_;  // the targets' directory, with its trailing '/', or ""
  std::string staging_;    // the hidden directory, with its trailing '/'; "" until used
  std::string written_;    // a directory as written that resolved to directory_, or ""
  std::mutex stage_lock_;  // guards the two names while files are staged
};

class TextFileWriter {
 public:
  enum class Replace {
    kDirect,     // truncate and write in place (the working report)
    kAtomically  // write a temporary file beside it, rename over on Close
  };

  TextFileWriter() = default;
  ~TextFileWriter();  // an unclosed file is abandoned: buffered text is dropped
  TextFileWriter(const TextFileWriter&) = delete;
  TextFileWriter& operator=(const TextFileWriter&) = delete;

  // Creates (or empties) `path`. Throws an I/O error when it cannot.
  void Create(const std::string& path, Replace replace = Replace::kDirect);
  // Creates `path` staged in `staged` (moved into place by its Commit), or
  // atomically when `staged` is null.
  void Create(const std::string& path, StagedFiles* staged);
  void Write(std::string_view text);      // text write: no line end
  void WriteLine(std::string_view text);  // text, then CR LF
  // Text the caller has put together in one piece goes to the file at once,
  // after what is buffered, without being copied into the buffer first.
  void WriteUnbuffered(std::string_view text);
  void Flush();
  void Close();
  bool is_open() const { return file_ != -1; }
  const std::string& path() const { return path_; }

 private:
  void Open(const std::string& path, Replace replace, StagedFiles* staged);
  void FlushBuffer();
  std::intptr_t file_ = -1;  // a descriptor, or a Windows HANDLE
  std::string path_;       // the name the user knows
  std::string os_path_;    // where the bytes go (the temporary file when atomic)
  std::string final_path_; // where the temporary file is renamed to
  std::string buffer_;
  bool atomic_ = false;
  bool staged_ = false;  // an abandoned staged file is removed, never committed
};

// Whether the bytes about to be written to `os_path` (a resolved path, as
// ResolveForCreate or StagedFiles::Target give) are those the file already
// holds, checked piece by piece as they are produced, so that an unchanged
// file need not be written again: on some file systems creating, moving and
// deleting a file costs far more than reading it. Only a regular file is
// compared; no file, a link or a read error count as a difference.
class FileComparer {
 public:
  explicit FileComparer(const std::string& os_path);
  ~FileComparer();
  FileComparer(const FileComparer&) = delete;
  FileComparer& operator=(const FileComparer&) = delete;

  // Compares the next bytes; false from the first difference on.
  bool Continues(std::string_view bytes);
  // Goes on to the file's last `size` bytes, leaving the ones before
  // uncompared; false when the file is shorter.
  bool SkipToLast(std::uint64_t size);
  // Every byte compared matched, and the file holds no more.
  bool Same() const { return same_ && compared_ == size_; }

 private:
  std::intptr_t file_ = -1;
  std::uint64_t size_ = 0;
  std::uint64_t compared_ = 0;
  bool same_ = false;
};

// Whether `path` is a regular file whose last bytes are `tail`; only those are
// read. No file, a link or a read error count as no.
bool FileEndsWith(const std::string& path, std::string_view tail);

// Reads a whole file; throws an I/O error when it exists but cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace sirvane
