#pragma once
// The few file operations whose system calls differ between POSIX and
// Windows, for text_file.cpp. Each returns 0 on success or the system's error
// number (errno, or GetLastError on Windows): the N of "I/O error N".
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sirvane::file_io {

using Handle = std::intptr_t;  // a descriptor, or a Windows HANDLE
inline constexpr Handle kNoHandle = -1;

// The error of an operation on a file that is not open.
extern const int kNotOpen;

// Creates `path`, or empties it, for writing.
int CreateForWriting(const std::string& path, Handle& file);
// Creates a new file with a unique name beside `final_path` (same directory,
// so that a rename replaces the final file in one step).
int CreateTemporaryBeside(const std::string& final_path, std::string& temporary_path, Handle& file);
int WriteAll(Handle file, const char* data, std::size_t size);
int Close(Handle file);
// Renames `from` to `to`, replacing `to` in one step.
int ReplaceWith(const std::string& from, const std::string& to);
// The same, except that where the system can, a regular file at `to` is not
// deleted but swapped in one step to `from` (`swapped` tells which), so that
// freeing it can wait until every file has been moved.
int SwapInto(const std::string& from, const std::string& to, bool& swapped);
int Remove(const std::string& path);
// Creates a new directory named `prefix` plus a unique suffix, for the owner
// alone; `path` receives its name.
int CreateHiddenDirectory(const std::string& prefix, std::string& path);
// Appends the names in `directory` (a path ending in a separator) to `names`,
// at most `most` of them, each followed by a '\0' (which no name holds), "."
// and ".." left out. One string, not a string per name.
int ListNames(const std::string& directory, std::string& names, std::size_t most);
void RemoveEmptyDirectory(const std::string& path);  // best effort, for clean-up
int ReadAll(const std::string& path, std::string& text);
// Opens `path` for reading when it is a regular file itself, not a link to
// one; `size` receives its size. Returns false otherwise, or when it cannot.
bool OpenPlainFile(const std::string& path, Handle& file, std::uint64_t& size);
// Reads up to `size` bytes; `got` is 0 at the end of the file.
int Read(Handle file, char* data, std::size_t size, std::size_t& got);
// Moves the read position to `offset` bytes from the start.
int Seek(Handle file, std::uint64_t offset);

// What the user can do about a failed write, create or rename.
const char* WriteAdvice(int error_number);

}  // namespace sirvane::file_io
