#pragma once
// The program as a user runs it: a directory with logs/access.log, an out/
// directory and a sirvane.cfg, and the built program started there.
#include <string>
#include <utility>
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
// Alice and Bob, one request each.
inline const std::string kAliceAndBob = SquidLine("alice", 5120, "10.0.3.17", "http://cdn.example.com/a.png") +
                                        SquidLine("bob", 70000, "10.0.3.18", "http://www.example.org/");

struct Workspace {
  explicit Workspace(const std::string& log, const std::string& config = kSquidConfig);

  // RunProgram in the directory; stdout and stderr go to stdout.txt, stderr.txt, `out`, `err`.
  int Run(const std::vector<std::string>& arguments = {}, const std::vector<std::string>& environment = {});
#ifndef _WIN32
  // The same with the fault-injection library preloaded (tests/faults).
  int RunWithFault(const std::string& fault, const std::string& path_part);
#endif

  std::string Read(const std::string& name) const { return ReadFile(dir.File(name)); }
  std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& name) const {
    return testing::Snapshot(dir.File(name));
  }

  TempDir dir;
  std::string out;
  std::string err;
  long peak_rss_kib = 0;  // of the last run, on POSIX
};

}  // namespace sirvane::testing
