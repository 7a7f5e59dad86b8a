#pragma once
// The built program and the source tree, as the tests reach them, and a way
// to run the program as a user would.
#include <string>
#include <vector>

namespace sirvane::testing {

// The source tree and the built sirvane program. A cross-built test runs
// under wine, which shows the build machine's root directory as drive Z:.
std::string SourceDir();
std::string ProgramPath();

// Runs the program in `directory` with `arguments`, stdin empty, stderr into
// the file `stderr_path`, stdout into `stdout_path` (or nowhere when empty)
// and the "C" locale; returns its exit code, or -1 when it could not be
// started or did not exit normally. On POSIX only (the Linux-only suites need
// them): `environment` ("NAME=value") is added, and `peak_rss_kib` receives
// the program's peak memory.
int RunProgram(const std::string& directory, const std::vector<std::string>& arguments,
               const std::string& stderr_path, const std::string& stdout_path = "",
               const std::vector<std::string>& environment = {}, long* peak_rss_kib = nullptr);

}  // namespace sirvane::testing
