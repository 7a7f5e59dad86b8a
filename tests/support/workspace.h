#pragma once
// The program as a user runs it: a directory with logs/access.log, an out/
// directory and a sirvane.cfg, and the installed binary started there.
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sirvane::testing {

// Squid's native format: name 8, bytes 5, URL 7, address 3; reports in out/.
inline constexpr const char* kSquidConfig =
    "inputpath=logs/access*.log\nnamefield=8\nbytesfield=5\nqueryfield=7\nipfield=3\noutputpath=out\n";

// One line of Squid's native log.
inline std::string SquidLine(const std::string& user, long long bytes, const std::string& address,
                             const std::string& url) {
  return "1733389200.123    245 " + address + " TCP_MISS/200 " + std::to_string(bytes) + " GET " + url + " " +
         user + " HIER_DIRECT/1.2.3.4 text/html\n";
}

// The Workspace below starts the program with fork and exec, so it serves the
// Linux-only suites (tests/faults); the end-to-end tests that also run on
// Windows start it through support/program.h.

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
