#include "app/run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/system.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::ChangeDirectory;
using testing::CrLf;
using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Golden(const std::string& name) {
  const std::string content = ReadFile(std::string(SIRVANE_SOURCE_DIR) + "/tests/golden/" + name);
  EXPECT_FALSE(content.empty()) << "missing golden file " << name;
  return content;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line must end with CR LF";
  return lines;
}

// Log lines with the user in field 1, the URL in field 7 and the bytes in
// field 10, the positions a configuration gets by default.
std::string LogLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += (i % 3 == 0 ? "alice" : "bob");
    text += " 1764943331.123 150 10.0.0." + std::to_string(i % 7) + " TCP_MISS/200 GET http://mirror" +
            std::to_string(i % 4) + ".example/file - DIRECT/1.2.3.4 " + std::to_string(1000 + i) + "\r\n";
  }
  return text;
}

// A run in a fresh current directory on 5 December 2026 at 14:02:11, with a
// 24-hour time format that does not pad the hour.
class RunAnalyzerTest : public ::testing::Test {
 protected:
  RunAnalyzerTest() : cd_(dir_.path()), clock_(LocalDateTime{2026, 12, 5, 14, 2, 11}) {}

  int RunWith(const std::vector<std::string>& arguments, const Clock& clock) {
    sirvane::Run run(clock, LocaleFormats{"%d.%m.%Y", "%-H:%M:%S"}, LowerCase());
    return RunAnalyzer(arguments, run);
  }
  int RunWith(const std::vector<std::string>& arguments) { return RunWith(arguments, clock_); }

  void MakeDirectories(const std::string& path) { std::filesystem::create_directories(dir_.File(path)); }

  // The logs of the sample working report: two files of 1520 and 87 lines.
  void WriteSampleLogs() {
    MakeDirectories("c:/weblogs");
    WriteFile(dir_.File("c:/weblogs/access1.log"), LogLines(1520));
    WriteFile(dir_.File("c:/weblogs/access2.log"), LogLines(87));
    WriteFile(dir_.File("c:/weblogs/error.log"), LogLines(5));  // does not match the mask
  }

  TempDir dir_;
  ChangeDirectory cd_;
  FixedClock clock_;
};

TEST_F(RunAnalyzerTest, UnusableConfigurationNamedOnTheCommandLine) {
  // The argument is lower-cased; '\' separates directories as '/' does.
  MakeDirectories("c:/config");
  WriteFile(dir_.File("c:/config/proxy.cfg"),
            "inputpath=c:\\weblogs\\*.log\r\nnamefield=first\r\nmonth=dec\r\nlogfile=custom.log\r\n");
  // A valid sirvane.cfg shows that a second argument is ignored, not used.
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=c:\\weblogs\\*.log\r\n");
  const std::vector<std::vector<std::string>> argument_lists = {{"C:\\Config\\Proxy.CFG"},
                                                                {"C:\\Config\\Proxy.CFG", "sirvane.cfg"}};
  for (const auto& arguments : argument_lists) {
    SCOPED_TRACE(arguments.size());
    EXPECT_EQ(RunWith(arguments), 0);
    EXPECT_EQ(ReadFile(dir_.File("abort.log")), Golden("abort_namefield_month.log"));
    EXPECT_FALSE(Exists(dir_.File("custom.log"))) << "a refused configuration chooses no log file";
    EXPECT_FALSE(Exists(dir_.File("last.log")));
  }
}

TEST_F(RunAnalyzerTest, MissingDefaultConfiguration) {
  EXPECT_EQ(RunWith({}), 0);
  EXPECT_EQ(ReadFile(dir_.File("abort.log")), Golden("abort_missing_config.log"));
  EXPECT_FALSE(Exists(dir_.File("last.log")));
}

TEST_F(RunAnalyzerTest, WorkingReportOfASampleRun) {
  WriteSampleLogs();
  MakeDirectories("c:/reports");
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=c:\\weblogs\\access*.log\r\noutputpath=c:\\reports\r\n");
  ASSERT_EQ(RunWith({}), 0);

  std::vector<std::string> expected = Lines(Golden("working_report.log"));
  ASSERT_EQ(expected.size(), 22u);
  // The output directory gets the separator of the system the run is on.
  expected[3] = std::string("Output path is c:\\reports") + kDirectorySeparator;
  // A clock that stands still: the analysis starts and ends at the same moment.
  expected[19] = "Begin of creating report at 14:02:11;";
  expected[20] = "End of creating report at 14:02:11;";
  expected[21] = "Processing time is 0:00:00;";
  EXPECT_EQ(Lines(ReadFile(dir_.File("last.log"))), expected);

  EXPECT_TRUE(Exists(dir_.File("c:/reports/report.html")));
  EXPECT_TRUE(Exists(dir_.File("c:/reports/alice.html")));
  EXPECT_TRUE(Exists(dir_.File("c:/reports/bob.html")));
  EXPECT_FALSE(Exists(dir_.File("c:/reports/ipaccess.txt"))) << "no address field configured";
}

// Moves on one second whenever it is read.
class SteppingClock : public Clock {
 public:
  LocalDateTime Now() const override {
    LocalDateTime t{2026, 12, 5, 14, 2, 11};
    t.second += seconds_++;
    t.minute += t.second / 60;
    t.second %= 60;
    return t;
  }

 private:
  mutable int seconds_ = 0;
};

int Seconds(const std::string& line, const std::string& prefix) {
  EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
  int h = 0, m = 0, s = 0;
  EXPECT_EQ(std::sscanf(line.c_str() + prefix.size(), "%d:%d:%d;", &h, &m, &s), 3) << line;
  return (h * 60 + m) * 60 + s;
}

TEST_F(RunAnalyzerTest, ProcessingTimeIsTheTimeBetweenBeginAndEnd) {
  WriteSampleLogs();
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=c:\\weblogs\\access*.log\r\n");
  const SteppingClock clock;
  ASSERT_EQ(RunWith({}, clock), 0);
  const std::vector<std::string> lines = Lines(ReadFile(dir_.File("last.log")));
  ASSERT_EQ(lines.size(), 22u);
  const int begin = Seconds(lines[19], "Begin of creating report at ");
  const int end = Seconds(lines[20], "End of creating report at ");
  EXPECT_GT(end, begin);
  EXPECT_EQ(Seconds(lines[21], "Processing time is "), end - begin);
}

TEST_F(RunAnalyzerTest, NoMatchingLogFileEndsTheReport) {
  MakeDirectories("c:/weblogs");
  MakeDirectories("out");
  WriteFile(dir_.File("sirvane.cfg"), "inputpath=c:\\weblogs\\access*.log\r\noutputpath=out\r\nmonth=7\r\n");
  ASSERT_EQ(RunWith({}), 0);
  EXPECT_EQ(ReadFile(dir_.File("last.log")), CrLf({"***Sirvane working report - 05.12.2026***",
                                                   "Configuration file is OK",
                                                   "Input path is c:\\weblogs\\access*.log",
                                                   std::string("Output path is out") + kDirectorySeparator,
                                                   "Month is 7",
                                                   " ",
                                                   "Analyzing log files...",
                                                   "No such log files: c:\\weblogs\\access*.log"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("out")));
  EXPECT_FALSE(Exists(dir_.File("report.html")));
}

TEST_F(RunAnalyzerTest, OutputPathEndsWithASeparator) {
  struct Case {
    std::string setting;  // configuration line, without line end
    std::string shown;
  };
  const Case cases[] = {
      {"", "Output path is "},
      {"outputpath=out", std::string("Output path is out") + kDirectorySeparator},
      {"outputpath=out/", "Output path is out/"},
      {"outputpath=c:\\reports\\", "Output path is c:\\reports\\"},
      {"outputpath=C:\\Reports", std::string("Output path is c:\\reports") + kDirectorySeparator},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    WriteFile(dir_.File("sirvane.cfg"), "inputpath=nothing*.log\r\n" + c.setting + "\r\n");
    ASSERT_EQ(RunWith({}), 0);
    const std::vector<std::string> lines = Lines(ReadFile(dir_.File("last.log")));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], c.shown);
  }
}

}  // namespace
}  // namespace sirvane
