#include "support/program.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace sirvane::testing {

static std::string BuildMachinePath(std::string path) {
#ifdef _WIN32
  if (path.starts_with('/')) path.insert(0, "Z:");
#endif
  return path;
}

std::string SourceDir() { return BuildMachinePath(SIRVANE_SOURCE_DIR); }
std::string ProgramPath() { return BuildMachinePath(SIRVANE_BINARY); }

#ifdef _WIN32

int RunProgram(const std::string& directory, const std::vector<std::string>& arguments,
               const std::string& stderr_path, const std::string& stdout_path,
               const std::vector<std::string>& environment, long*) {
  if (!environment.empty()) return -1;
  const std::string program = ProgramPath();
  std::string command_line = "\"" + program + "\"";
  for (const std::string& argument : arguments) command_line += " \"" + argument + "\"";
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const auto open = [&](const std::string& path, DWORD access, DWORD creation) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ, &inherit, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = open("NUL", GENERIC_READ, OPEN_EXISTING);
  startup.hStdOutput = stdout_path.empty() ? open("NUL", GENERIC_WRITE, OPEN_EXISTING)
                                           : open(stdout_path, GENERIC_WRITE, CREATE_ALWAYS);
  startup.hStdError = open(stderr_path, GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE streams[] = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
  PROCESS_INFORMATION process{};
  const bool started = std::ranges::count(streams, INVALID_HANDLE_VALUE) == 0 &&
                       CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      directory.c_str(), &startup, &process);
  for (const HANDLE stream : streams) CloseHandle(stream);  // a no-op on INVALID_HANDLE_VALUE
  if (!started) return -1;
  DWORD exit_code = 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  const BOOL known = GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return known ? static_cast<int>(exit_code) : -1;
}

#else

int RunProgram(const std::string& directory, const std::vector<std::string>& arguments,
               const std::string& stderr_path, const std::string& stdout_path,
               const std::vector<std::string>& environment, long* peak_rss_kib) {
  const std::string program = ProgramPath();
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  constexpr int kWriteFlags = O_WRONLY | O_CREAT | O_TRUNC;
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    const int input = ::open("/dev/null", O_RDONLY);
    const int output = ::open(stdout_path.empty() ? "/dev/null" : stdout_path.c_str(), kWriteFlags, 0644);
    const int error = ::open(stderr_path.c_str(), kWriteFlags, 0644);
    if (input < 0 || output < 0 || error < 0 || ::chdir(directory.c_str()) != 0) _exit(127);
    ::dup2(input, 0);
    ::dup2(output, 1);
    ::dup2(error, 2);
    ::setenv("LC_ALL", "C", 1);
    for (const std::string& setting : environment) ::putenv(const_cast<char*>(setting.c_str()));
    ::execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(child, &status, 0, &usage) != child) return -1;
  if (peak_rss_kib != nullptr) *peak_rss_kib = usage.ru_maxrss;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace sirvane::testing
