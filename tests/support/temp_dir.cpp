#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace sirvane::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  // create_directory is false for a name another test process took first, and
  // throws when the temporary directory is not writable.
  std::random_device random;
  do {
    path_ = (fs::temp_directory_path() / ("sirvane-test-" + std::to_string(random()))).generic_string();
  } while (!fs::create_directory(path_));
}

TempDir::~TempDir() {
  // Read-only directories made by a test must not keep their contents alive.
  // The walk stops at its first error rather than retry the same entry.
  std::error_code error, ignored;
  for (fs::recursive_directory_iterator it(path_, error), end; !error && it != end; it.increment(error)) {
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

std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    files.emplace_back(entry.path().filename().string(),
                       entry.is_regular_file() ? ReadFile(entry.path().string()) : "<directory>");
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string CrLf(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace sirvane::testing
