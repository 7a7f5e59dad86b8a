#include "app/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/system.h"
#include "support/golden.h"

namespace sirvane {
namespace {

using namespace testing;

// Log lines with user, URL and bytes at the default positions 1, 7 and 10.
std::string LogLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += (i % 3 == 0 ? "alice" : "bob");
    text += " 1764943331.123 150 10.0.0." + std::to_string(i % 7) + " TCP_MISS/200 GET http://mirror" +
            std::to_string(i % 4) + ".example/file - DIRECT/1.2.3.4 " + std::to_string(1000 + i) + "\r\n";
  }
  return text;
}

// Moves on two seconds whenever it is read, from 14:02:07.
class SteppingClock : public Clock {
 public:
  LocalDateTime Now() const override { return LocalDateTime{2026, 12, 5, 14, 2, 7 + 2 * readings_++}; }

 private:
  mutable int readings_ = 0;
};

// Runs in a fresh current directory on 5 December 2026 at 14:02:11, hours unpadded.
// Logs are in c:/weblogs: a directory "c:" on POSIX, the system drive on Windows.
class RunAnalyzerTest : public ::testing::Test {
 protected:
  RunAnalyzerTest() : cd_(dir_.path()) {
#ifndef _WIN32
    std::filesystem::create_directories(dir_.File("c:/weblogs"));
    WriteFile(dir_.File("c:/weblogs/error.log"), LogLines(5));  // matches no mask used here
#endif
  }

  int RunWith(const std::vector<std::string>& arguments,
              const Clock& clock = FixedClock(LocalDateTime{2026, 12, 5, 14, 2, 11})) {
    sirvane::Run run(clock, LocaleFormats::Picture("dd.MM.yyyy", "H:mm:ss"), LowerCase());
    return RunAnalyzer(arguments, run);
  }

  TempDir dir_;
  ChangeDirectory cd_;
};

#ifdef _WIN32
#define SKIP_WITHOUT_DRIVE_C_DIRECTORY() GTEST_SKIP() << "needs a directory named c: in the test directory"
#else
#define SKIP_WITHOUT_DRIVE_C_DIRECTORY()
#endif

TEST_F(RunAnalyzerTest, UnusableConfigurationEndsInAnAbortLog) {
  SKIP_WITHOUT_DRIVE_C_DIRECTORY();
  std::filesystem::create_directories(dir_.File("c:/config"));
  WriteFile(dir_.File("c:/config/proxy.cfg"),
            "inputpath=c:\\weblogs\\*.log\r\nnamefield=first\r\nmonth=dec\r\nlogfile=custom.log\r\n");
  // The argument is lower-cased and a second one ignored.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{}, "abort_missing_config.log"}, {{"C:\\Config\\Proxy.CFG", "sirvane.cfg"}, "abort_namefield_month.log"}};
  for (const auto& [arguments, golden] : cases) {
    SCOPED_TRACE(golden);
    std::filesystem::remove(dir_.File("abort.log"));
    EXPECT_EQ(RunWith(arguments), 0);
    EXPECT_EQ(ReadFile(dir_.File("abort.log")), Golden(golden));
    EXPECT_FALSE(Exists(dir_.File("custom.log")) || Exists(dir_.File("last.log")));
  }
}

TEST_F(RunAnalyzerTest, WorkingReportOfASampleRun) {
  SKIP_WITHOUT_DRIVE_C_DIRECTORY();
  WriteFile(dir_.File("c:/weblogs/access1.log"), LogLines(1520));
  WriteFile(dir_.File("c:/weblogs/access2.log"), LogLines(87));
  std::filesystem::create_directories(dir_.File("c:/reports"));
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=c:\\weblogs\\access*.log\r\noutputpath=c:\\reports\r\n");
  // The configuration and the report's date read the clock first: the report
  // is begun at 14:02:11 and ended at 14:02:13.
  ASSERT_EQ(RunWith({}, SteppingClock()), 0);
  std::string expected = Golden("working_report.log");
  expected.replace(expected.find("Output path is c:\\reports\\") + 25, 1, 1, kDirectorySeparator);
  EXPECT_EQ(ReadFile(dir_.File("last.log")), expected);
  EXPECT_TRUE(Exists(dir_.File("c:/reports/bob.html")));
  EXPECT_FALSE(Exists(dir_.File("c:/reports/ipaccess.txt"))) << "no address field configured";
}

// A rerun on the same day reads the old pages and leaves an unchanged one
// alone (the next day's rewrite: the user pages' test).
TEST_F(RunAnalyzerTest, UnchangedPagesStayOnARerunTheSameDay) {
  std::filesystem::create_directories(dir_.File("logs"));
  std::filesystem::create_directories(dir_.File("out"));
  WriteFile(dir_.File("logs/access.log"), LogLines(30));
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=logs/access.log\r\noutputpath=out/\r\n");
  ASSERT_EQ(RunWith({}), 0);
  std::filesystem::create_hard_link(dir_.File("out/bob.html"), dir_.File("bob.html.old"));
  ASSERT_EQ(RunWith({}), 0);
#ifndef _WIN32  // wine counts one link whatever there are
  EXPECT_EQ(std::filesystem::hard_link_count(dir_.File("out/bob.html")), 2u);
#endif
}

// An output path that ends in a separator gets no second one.
TEST_F(RunAnalyzerTest, WithoutMatchingLogFilesTheReportEndsEarly) {
  std::filesystem::create_directories(dir_.File("out"));
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=c:\\weblogs\\access*.log\r\nmonth=7\r\noutputpath=out/");
  ASSERT_EQ(RunWith({}), 0);
  EXPECT_EQ(ReadFile(dir_.File("last.log")),
            CrLf({"***Sirvane working report - 05.12.2026***", "Configuration file is OK",
                  "Input path is c:\\weblogs\\access*.log", "Output path is out/", "Month is 7", " ",
                  "Analyzing log files...", "No such log files: c:\\weblogs\\access*.log"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("out")));
  EXPECT_FALSE(Exists(dir_.File("report.html")));
}

}  // namespace
}  // namespace sirvane
