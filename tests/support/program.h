#pragma once
// The built program and the source tree, and a way to run the program as a user would.
#include <string>
#include <vector>

namespace sirvane::testing {

// The source tree and the built sirvane program. A cross-built test runs
// under wine, which shows the build machine's root directory as drive Z:.
std::string SourceDir();
std::string ProgramPath();

// Runs the program in `directory` with stdin empty, stderr into `stderr_path`,
// stdout into `stdout_path` (or nowhere) and the "C" locale; returns its exit code,
// or -1 when it did not start or exit normally. POSIX only: `environment`
// ("NAME=value") is added, and `peak_rss_kib` gets the program's peak memory.
int RunProgram(const std::string& directory, const std::vector<std::string>& arguments,
               const std::string& stderr_path, const std::string& stdout_path = "",
               const std::vector<std::string>& environment = {}, long* peak_rss_kib = nullptr);

}  // namespace sirvane::testing
