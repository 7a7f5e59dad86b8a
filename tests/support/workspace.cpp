#include "support/workspace.h"

#include <cstdlib>
#include <filesystem>

#include "support/program.h"

namespace sirvane::testing {

Workspace::Workspace(const std::string& log, const std::string& config) {
  std::filesystem::create_directories(dir.File("logs"));
  std::filesystem::create_directories(dir.File("out"));
  WriteFile(dir.File("logs/access.log"), log);
  WriteFile(dir.File("sirvane.cfg"), config);
}

int Workspace::Run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
  const int exit_code = RunProgram(dir.path(), arguments, dir.File("stderr.txt"), dir.File("stdout.txt"),
                                   environment, &peak_rss_kib);
  out = ReadFile(dir.File("stdout.txt"));
  err = ReadFile(dir.File("stderr.txt"));
#ifdef _WIN32
  // Text streams: on Windows their lines end in CR LF.
  std::erase(out, '\r');
  std::erase(err, '\r');
#endif
  return exit_code;
}

#ifndef _WIN32
int Workspace::RunWithFault(const std::string& fault, const std::string& path_part) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  // The sanitizer runtime wants to be the first library loaded; the shim is.
  return Run({}, {std::string("LD_PRELOAD=") + SIRVANE_FAULT_SHIM, "SIRVANE_FAULT=" + fault,
                  "SIRVANE_FAULT_PATH=" + path_part,
                  std::string("ASAN_OPTIONS=verify_asan_link_order=0:") + (asan != nullptr ? asan : "")});
}
#endif

}  // namespace sirvane::testing
