#include "platform/file_io.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

namespace sirvane::file_io {

const int kNotOpen = ERROR_INVALID_HANDLE;

namespace {

HANDLE AsHandle(Handle file) { return reinterpret_cast<HANDLE>(file); }

int LastError() { return static_cast<int>(GetLastError()); }

// Others may read the file while it is written, but not write it.
int Create(const std::string& path, DWORD disposition, Handle& file) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  file = reinterpret_cast<Handle>(handle);
  return 0;
}

// A name suffix no other process or call has used: tries to create
// `prefix` + suffix with `create` until that does not fail for an existing name.
template <typename MakeFn>
int CreateUnique(const std::string& prefix, std::string& path, MakeFn create) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0;; ++attempt) {
    const unsigned long long unique = (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^
                                      GetTickCount64() ^ (counter.fetch_add(1) * 0x9E3779B9ULL);
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%016llx", unique);
    path = prefix + suffix;
    const int error_number = create(path);
    if ((error_number != ERROR_FILE_EXISTS && error_number != ERROR_ALREADY_EXISTS) || attempt == 100) {
      return error_number;
    }
  }
}

}  // namespace

int CreateForWriting(const std::string& path, Handle& file) { return Create(path, CREATE_ALWAYS, file); }

int CreateTemporaryBeside(const std::string& final_path, std::string& temporary_path, Handle& file) {
  const std::size_t slash = final_path.find_last_of("/\\");
  const std::string directory = slash == std::string::npos ? "" : final_path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? final_path : final_path.substr(slash + 1);
  return CreateUnique(directory + "." + name + ".", temporary_path,
                      [&](const std::string& path) { return Create(path, CREATE_NEW, file); });
}

int WriteAll(Handle file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = size > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(AsHandle(file), data, chunk, &written, nullptr)) return LastError();
    if (written == 0) return ERROR_DISK_FULL;
    data += written;
    size -= written;
  }
  return 0;
}

int Close(Handle file) { return CloseHandle(AsHandle(file)) ? 0 : LastError(); }

int ReplaceWith(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : LastError();
}

int SwapInto(const std::string& from, const std::string& to, bool& swapped) {
  swapped = false;
  return ReplaceWith(from, to);
}

int Remove(const std::string& path) { return DeleteFileA(path.c_str()) ? 0 : LastError(); }

int CreateHiddenDirectory(const std::string& prefix, std::string& path) {
  return CreateUnique(prefix, path, [](const std::string& name) {
    if (!CreateDirectoryA(name.c_str(), nullptr)) return LastError();
    SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_HIDDEN);
    return 0;
  });
}

int ListNames(const std::string& directory, std::string& names, std::size_t most) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((directory + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return LastError();
  std::size_t listed = 0;
  int error_number = 0;
  for (;;) {
    const std::string_view name = found.cFileName;
    if (name != "." && name != "..") {
      if (listed == most) break;
      names.append(name).push_back('\0');
      ++listed;
    }
    if (!FindNextFileA(search, &found)) {
      const int last = LastError();
      if (last != ERROR_NO_MORE_FILES) error_number = last;
      break;
    }
  }
  FindClose(search);
  return error_number;
}

void RemoveEmptyDirectory(const std::string& path) { RemoveDirectoryA(path.c_str()); }

int ReadAll(const std::string& path, std::string& text) {
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastError();
  LARGE_INTEGER size;
  if (GetFileSizeEx(handle, &size) && size.QuadPart > 0) text.reserve(static_cast<std::size_t>(size.QuadPart));
  char block[64 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle, block, sizeof block, &got, nullptr)) {
      const int error_number = LastError();
      CloseHandle(handle);
      return error_number;
    }
    if (got == 0) break;
    text.append(block, got);
  }
  CloseHandle(handle);
  return 0;
}

bool OpenPlainFile(const std::string& path, Handle& file, std::uint64_t& size) {
  // A link or junction is opened as itself, and then refused.
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    CloseHandle(handle);
    return false;
  }
  file = reinterpret_cast<Handle>(handle);
  size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

int Read(Handle file, char* data, std::size_t size, std::size_t& got) {
  DWORD read = 0;
  const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  if (!ReadFile(AsHandle(file), data, want, &read, nullptr)) return LastError();
  got = read;
  return 0;
}

int Seek(Handle file, std::uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(AsHandle(file), to, nullptr, FILE_BEGIN) ? 0 : LastError();
}

const char* WriteAdvice(int error_number) {
  switch (error_number) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "Free some disk space and run it again.";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return "Check that you are allowed to write to that directory and file, and that no directory has "
             "that name.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "Another program has the file open; close it and run it again.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return "Check that the directory exists and that the name is valid.";
    case ERROR_INVALID_HANDLE:
      return "The program used a file it had not opened; please report this fault.";
    default:
      return "Check that the directory exists and is writable and that the disk is not full.";
  }
}

}  // namespace sirvane::file_io
