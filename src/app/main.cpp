// sirvane: internet usage per user from proxy-server access logs.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/run.h"
#include "platform/error.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  using namespace sirvane;
  UseEnvironmentLocale();
  PrepareHeap();
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (const std::optional<std::string> text = InformationRequested(arguments)) {
    // Exit 1 when the text could not be written (a closed or full stdout).
    return std::fputs(text->c_str(), stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
  }
  SystemClock clock;
  try {
    Run run(clock, LocaleFormats::FromCurrentLocale(), LowerCase::FromCurrentLocale(), RandomSeed());
    return RunAnalyzer(arguments, run);
  } catch (const RunError& error) {
    ReportError(error.kind(), error.advice());
  } catch (const std::bad_alloc&) {
    ReportError("Out of memory",
                "The logs hold more distinct users, hosts and addresses than fit in memory. "
                "Check the field positions in the configuration file, or run on fewer log files.");
  }
  return 1;
}
