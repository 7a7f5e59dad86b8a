#pragma once
// Files and directory search. Paths come from the configuration lower-cased,
// so on POSIX they are resolved leniently (see ResolvePath); Windows finds
// names in any letter case and takes '/' and '\' alike by itself.
#include <cstdint>
#include <string>
#include <vector>

namespace sirvane {

// The path to hand to the OS for `path`. On Windows `path` itself. On POSIX
// '\' is treated as '/', and each component that does not exist with exactly
// that name is looked up case-insensitively (ASCII) in its directory, exact
// match first. Components that match nothing are kept as given (so a file can
// still be created).
std::string ResolvePath(const std::string& path);

// The path to create `path` at: its directories resolved as ResolvePath does,
// its file name kept as given (searching a directory of a million pages for a
// differently-cased name on every creation would make writing them quadratic).
std::string ResolveForCreate(const std::string& path);

// True when `path` names an existing file that is not a directory.
bool FileExists(const std::string& path);

struct DirectoryEntry {
  std::string name;      // without directory, in its own letter case
  std::int64_t size = 0; // bytes (0 for a directory)
  bool is_directory = false;
};

// Every entry of the directory named by the part of `mask` before its last
// separator ('/' or '\') whose name matches the last part, with '*' (any run)
// and '?' (one byte) matched case-insensitively in ASCII. "." and ".." are
// included when they match. On POSIX sorted by name ASCII-case-folded, ties
// bytewise, so that runs are reproducible; on Windows in the order the
// system's search (FindFirstFileA) returns them, matched by its own rules.
// Empty when the directory cannot be read or nothing matches.
std::vector<DirectoryEntry> FindEntries(const std::string& mask);

// Case-insensitive (ASCII) wildcard match of a whole name.
bool MatchesMask(const std::string& name, const std::string& pattern);

// 'A' to 'Z' as 'a' to 'z'; every other byte as it is.
inline unsigned char FoldAsciiCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace sirvane
