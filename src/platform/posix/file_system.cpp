#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace sirvane {

namespace {

bool EqualIgnoringAsciiCase(const char* a, const std::string& b) {
  std::size_t i = 0;
  for (; i < b.size(); ++i) {
    if (a[i] == '\0') return false;
    if (FoldAsciiCase(static_cast<unsigned char>(a[i])) != FoldAsciiCase(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return a[i] == '\0';
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string WithForwardSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// The name in `directory` that equals `name` ignoring ASCII case; when several
// do, the bytewise smallest, so that the choice does not depend on readdir order.
bool FindNameIgnoringCase(const std::string& directory, const std::string& name, std::string& found) {
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr) return false;
  bool any = false;
  while (const dirent* entry = readdir(dir)) {
    if (EqualIgnoringAsciiCase(entry->d_name, name) && (!any || found.compare(entry->d_name) > 0)) {
      found = entry->d_name;
      any = true;
    }
  }
  closedir(dir);
  return any;
}

// Compares names with ASCII letters folded, ties broken bytewise.
bool NameLess(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = FoldAsciiCase(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldAsciiCase(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

std::string ResolvePath(const std::string& path) {
  std::string slashed = WithForwardSlashes(path);
  if (slashed.empty()) return slashed;
  // The usual case: a path without doubled slashes is its own normal form,
  // and it exists as written.
  const bool normal_form = slashed.find("//") == std::string::npos;
  if (normal_form && Exists(slashed)) return slashed;

  std::vector<std::string> components;
  for (std::size_t pos = 0; pos < slashed.size();) {
    const std::size_t next = slashed.find('/', pos);
    const std::size_t stop = next == std::string::npos ? slashed.size() : next;
    if (stop > pos) components.push_back(slashed.substr(pos, stop - pos));
    pos = stop + 1;
  }
  const bool absolute = slashed.front() == '/';
  const bool trailing_slash = slashed.back() == '/' && !components.empty();

  std::string normal = absolute ? "/" : "";
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0) normal += '/';
    normal += components[i];
  }
  if (trailing_slash) normal += '/';
  // Doubled slashes made single, and then it exists.
  if (components.empty() || (!normal_form && Exists(normal))) return normal;

  std::string resolved = absolute ? "/" : "";
  bool resolving = true;
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::string& component = components[i];
    const std::string directory = resolved;
    if (i > 0) resolved += '/';
    if (resolving && component != "." && component != ".." && !Exists(resolved + component)) {
      std::string real_name;
      if (FindNameIgnoringCase(directory, component, real_name)) {
        resolved += real_name;
        continue;
      }
      // Nothing below a missing component can exist: keep the rest as given.
      resolving = false;
    }
    resolved += component;
  }
  if (trailing_slash) resolved += '/';
  return resolved;
}

std::string ResolveForCreate(const std::string& path) {
  std::string slashed = WithForwardSlashes(path);
  const std::size_t slash = slashed.rfind('/');
  if (slash == std::string::npos || slash == 0) return slashed;
  return ResolvePath(slashed.substr(0, slash)) + slashed.substr(slash);
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(ResolvePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::vector<DirectoryEntry> FindEntries(const std::string& mask) {
  const std::string slashed = WithForwardSlashes(mask);
  const std::size_t last_slash = slashed.rfind('/');
  const std::string pattern = last_slash == std::string::npos ? slashed : slashed.substr(last_slash + 1);
  const std::string directory =
      last_slash == std::string::npos ? "." : ResolvePath(slashed.substr(0, last_slash + 1));

  std::vector<DirectoryEntry> entries;
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return entries;
  const int dir_fd = dirfd(dir);
  while (const dirent* found = readdir(dir)) {
    DirectoryEntry entry;
    entry.name = found->d_name;
    if (!MatchesMask(entry.name, pattern)) continue;
    // Follows symbolic links; a dangling one counts as an empty file.
    struct stat st;
    if (fstatat(dir_fd, found->d_name, &st, 0) == 0) {
      entry.is_directory = S_ISDIR(st.st_mode);
      entry.size = entry.is_directory ? 0 : static_cast<std::int64_t>(st.st_size);
    }
    entries.push_back(std::move(entry));
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const DirectoryEntry& a, const DirectoryEntry& b) { return NameLess(a.name, b.name); });
  return entries;
}

}  // namespace sirvane
