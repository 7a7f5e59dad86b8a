#include "support/workspace.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace sirvane::testing {

Workspace::Workspace(const std::string& log, const std::string& config) {
  std::filesystem::create_directories(dir.File("logs"));
  std::filesystem::create_directories(dir.File("out"));
  WriteFile(dir.File("logs/access.log"), log);
  WriteFile(dir.File("sirvane.cfg"), config);
}

int Workspace::Run(const std::vector<std::string>& environment, const std::vector<std::string>& arguments) {
  const std::string err_path = dir.File("stderr.txt");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 2) < 0 || ::chdir(dir.path().c_str()) != 0) {
      ::_exit(127);
    }
    ::setenv("LC_ALL", "C", 1);
    for (const std::string& setting : environment) ::putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv = {const_cast<char*>(SIRVANE_BINARY)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(SIRVANE_BINARY, argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return -2;
  peak_rss_kib = usage.ru_maxrss;
  err = ReadFile(err_path);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Workspace::RunWithFault(const std::string& fault, const std::string& path_part) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  // The sanitizer runtime wants to be the first library loaded; the shim is.
  return Run({std::string("LD_PRELOAD=") + SIRVANE_FAULT_SHIM, "SIRVANE_FAULT=" + fault,
              "SIRVANE_FAULT_PATH=" + path_part,
              std::string("ASAN_OPTIONS=verify_asan_link_order=0:") + (asan != nullptr ? asan : "")});
}

std::vector<std::pair<std::string, std::string>> Workspace::Snapshot(const std::string& name) const {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File(name))) {
    files.emplace_back(entry.path().filename().string(),
                       entry.is_regular_file() ? ReadFile(entry.path().string()) : "<directory>");
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace sirvane::testing
