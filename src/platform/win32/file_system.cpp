#include "platform/file_system.h"

#include <windows.h>

namespace sirvane {

// Windows finds names in any letter case and accepts '/' and '\' alike, so a
// lower-cased path from the configuration needs no help.
std::string ResolvePath(const std::string& path) { return path; }

std::string ResolveForCreate(const std::string& path) { return path; }

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<DirectoryEntry> FindEntries(const std::string& mask) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(mask.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  // Every entry the search returns, in its order: hidden, system and
  // read-only entries and directories alike.
  do {
    DirectoryEntry entry;
    entry.name = found.cFileName;
    entry.is_directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = entry.is_directory
                     ? 0
                     : static_cast<std::int64_t>((std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow);
    entries.push_back(std::move(entry));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return entries;
}

}  // namespace sirvane
