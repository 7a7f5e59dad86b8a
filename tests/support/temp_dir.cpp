#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace sirvane::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  // create_directory reports whether it made the directory, so a name that
  // another test process took first is simply not used.
  std::random_device random;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const fs::path candidate = base / ("sirvane-test-" + std::to_string(random()));
    if (fs::create_directory(candidate)) path_ = candidate.generic_string();
  }
  if (path_.empty()) throw std::runtime_error("cannot create a temporary directory in " + base.string());
}

TempDir::~TempDir() {
  std::error_code error, ignored;
  // Read-only directories made by a test must not keep their contents alive.
  // The walk stops at its first error rather than retry the same entry.
  const fs::recursive_directory_iterator end;
  for (auto it = fs::recursive_directory_iterator(path_, error); !error && it != end; it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::string TempDir::File(const std::string& name) const { return path_ + "/" + name; }

ChangeDirectory::ChangeDirectory(const std::string& dir) : previous_(fs::current_path().string()) {
  fs::current_path(dir);
}

ChangeDirectory::~ChangeDirectory() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!(out << bytes)) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ostringstream content;
  content << std::ifstream(path, std::ios::binary).rdbuf();
  return content.str();
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

std::string CrLf(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace sirvane::testing
