#pragma once
// The program as a user runs it: a directory with logs/access.log, an out/
// directory and a sirvane.cfg, and the installed binary started there.
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sirvane::testing {

// Squid's native format: name 8, bytes 5, URL 7, address 3; reports in out/.
extern const char* const kSquidConfig;

// One line of Squid's native log.
std::string SquidLine(const std::string& user, long long bytes, const std::string& address, const std::string& url);

struct Workspace {
  explicit Workspace(const std::string& log, const std::string& config = kSquidConfig);

  // Runs the program in the directory with stdin from /dev/null, LC_ALL=C and
  // `environment` ("NAME=value") added; stderr goes to `err`. Returns the exit
  // code, or -1 when it did not exit normally (a signal).
  int Run(const std::vector<std::string>& environment = {}, const std::vector<std::string>& arguments = {});
  // The same with the fault-injection library preloaded (tests/faults).
  int RunWithFault(const std::string& fault, const std::string& path_part);

  std::string Read(const std::string& name) const { return ReadFile(dir.File(name)); }
  // Name -> content of every entry of a directory (hidden ones included).
  std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& name) const;

  TempDir dir;
  std::string err;
  long peak_rss_kib = 0;  // of the last run
};

}  // namespace sirvane::testing
