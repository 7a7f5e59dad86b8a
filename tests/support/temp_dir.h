#pragma once
// A fresh directory per test, removed afterwards, and small file helpers.
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace sirvane::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const;  // path() + "/" + name

 private:
  std::string path_;
};

// Makes the current directory `dir` for the lifetime of the object.
class ChangeDirectory {
 public:
  explicit ChangeDirectory(const std::string& dir);
  ~ChangeDirectory();
  ChangeDirectory(const ChangeDirectory&) = delete;
  ChangeDirectory& operator=(const ChangeDirectory&) = delete;

 private:
  std::string previous_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);  // "" when missing
bool Exists(const std::string& path);
// Name -> content of every entry of a directory (hidden ones included), sorted.
std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& dir);
// Joins lines with CR LF after every line, the last included.
std::string CrLf(std::initializer_list<std::string> lines);

// The error kind of creating a file in a directory that does not exist: POSIX
// says ENOENT (2); Windows tells ERROR_PATH_NOT_FOUND (3) from a missing file.
#ifdef _WIN32
inline constexpr const char* kNoDirectoryError = "I/O error 3";
#else
inline constexpr const char* kNoDirectoryError = "I/O error 2";
#endif

}  // namespace sirvane::testing
