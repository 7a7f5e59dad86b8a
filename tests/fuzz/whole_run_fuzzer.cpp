// A whole run over a generated directory: the first byte gives the length of
// the configuration text that follows, the rest is the log. The input and
// output paths are appended last, so they always win: every file the run
// writes must stay in that directory.
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

#include "app/run.h"
#include "fuzz/check.h"
#include "platform/error.h"
#include "support/links.h"
#include "support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sirvane;
  namespace fs = std::filesystem;
  if (size == 0) return 0;
  const std::size_t config_size = std::min<std::size_t>(data[0], size - 1);
  std::string config(reinterpret_cast<const char*>(data + 1), config_size);
  std::erase(config, '\x1a');  // a Ctrl-Z would end the file before the paths below
  config += "\ninputpath=logs/access*.log\noutputpath=out\nlogfile=last.log\n";
  static const testing::TempDir scratch;
  const fs::path root = scratch.path();
  fs::remove_all(root / "work");
  fs::create_directories(root / "work" / "logs");
  fs::create_directories(root / "work" / "out");
  fs::current_path(root / "work");
  testing::WriteFile("sirvane.cfg", config);
  testing::WriteFile("logs/access.log", std::string(reinterpret_cast<const char*>(data + 1 + config_size),
                                                    size - 1 - config_size));

  const FixedClock clock(LocalDateTime{2026, 12, 7, 9, 30, 0});
  const LowerCase lower;
  Run run(clock, LocaleFormats{"%d.%m.%Y", "%H:%M:%S"}, lower);
  bool stopped = false;
  try {
    Check(RunAnalyzer({}, run) == 0);
  } catch (const RunError&) {
    stopped = true;
  }
  // Nothing outside out/ but the run's own files; nothing hidden left in out/.
  const std::set<std::string> allowed = {"logs", "out", "sirvane.cfg", "last.log", "abort.log"};
  for (const auto& entry : fs::directory_iterator(".")) Check(allowed.contains(entry.path().filename().string()));
  for (const auto& entry : fs::directory_iterator("out")) {
    Check(entry.is_regular_file() && entry.path().filename().string()[0] != '.');
  }
  // Every link of the summary page leads to a page written by this run, each
  // user's to a page of its own.
  if (!stopped && fs::exists("out/report.html")) {
    std::set<std::string> pages;
    for (const std::string& target : testing::LinkTargets(testing::ReadFile("out/report.html"))) {
      Check(target.find('/') == std::string::npos && fs::is_regular_file("out/" + target));
      Check(pages.insert(target).second);
    }
  }
  fs::current_path(root);
  return 0;
}
