// The fast ways of reading a log (LogLineParser, FastLineAccountant, a file
// read in parts by several threads) against the plain way (LineReader,
// LineSplitter, LineAccountant), on random logs built to hit the corners.
#include "usage/log_line_parser.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <sstream>

#include "platform/text_file.h"
#include "support/byte_scans.h"
#include "support/temp_dir.h"
#include "support/usage_lists.h"
#include "usage/log_ingestion.h"

namespace sirvane {
namespace {

// Everything the reports are made from, as text: equal dumps, equal reports.
std::string Dump(const UsageTables& tables) {
  std::ostringstream out;
  for (const auto& file : tables.LogFiles) out << "file " << file.FileName << ' ' << file.RecordCount << '\n';
  for (const TReportRec& user : tables.Users) {
    out << "user [" << user.UserName << "] " << user.Traffic << '\n';
    for (const auto& host : user.Hosts) out << "  host [" << tables.HostName(host.id) << "] " << host.traffic << '\n';
    for (std::string_view address : testing::AddressNames(tables, user)) out << "  addr [" << address << "]\n";
  }
  return out.str();
}

// Letters as separators (and their upper-case forms), spaces in fields, runs
// of separators, CR / LF / CR LF line ends, short lines, header lines, huge
// and saturating byte counts, long fields across the 64-byte blocks of the
// field search, and part boundaries wherever the file's size puts them.
class RandomLog {
 public:
  explicit RandomLog(unsigned seed) : rng(seed) {
    static const char separators[] = {' ', ' ', ',', '\t', 'x', ';', '/'};
    settings.Separator = separators[Pick(sizeof separators)];
    settings.NameField = 1 + static_cast<std::int32_t>(Pick(5));
    settings.BytesField = 1 + static_cast<std::int32_t>(Pick(5));
    settings.QueryField = 1 + static_cast<std::int32_t>(Pick(5));
    settings.IpField = Pick(3) == 0 ? 0 : 1 + static_cast<std::int32_t>(Pick(5));
  }

  std::string Log() {
    std::string log;
    const std::size_t lines = Pick(3) == 0 ? Pick(10) : 20 + Pick(300);
    // Sometimes the first half has no byte count anywhere, so no user exists
    // when the second part begins.
    const std::size_t header_lines = Pick(4) == 0 ? lines / 2 + Pick(lines / 2 + 1) : Pick(3);
    const char* const ends[] = {"\n", "\n", "\r\n", "\r", "\n\n", "\r\r\n"};
    for (std::size_t i = 0; i < lines; ++i) {
      log += Line(i < header_lines);
      if (i + 1 < lines || Pick(2) == 0) log += ends[Pick(6)];
    }
    return log;
  }

  Settings settings;

 private:
  std::string Line(bool header) {
    const char separator = settings.Separator;
    std::string line(Pick(6) == 0 ? 1 : 0, separator);  // a leading separator: an empty first field
    const std::size_t fields = Pick(15) == 0 ? Pick(3) : 3 + Pick(5);
    for (std::size_t f = 0; f < fields; ++f) {
      if (f > 0) line.append(1 + (Pick(4) == 0 ? Pick(3) : 0), separator);
      for (char c : Field(separator)) line += header && c >= '0' && c <= '9' ? 'n' : c;
    }
    if (Pick(10) == 0) line.append(1 + Pick(2), separator);
    return line;
  }

  // A field made of pieces that matter to some rule.
  std::string Field(char separator) {
    static const char* const pieces[] = {
        "alice", "Bob", "..dave", ".", "-", "10.0.0.1", "10.0.0.2", "0", "17", "00042", "1073741824",
        "9223372036854775807", "9223372036854775808", "99999999999999999999", "http://host.example/a",
        "http://HOST.example:8080/x", "host.example:443", "/index.html", "http:/x", "http://", "//a//b/",
        "https://cdn.Example.com", "a b", " ", "X", "\xC3\x84", "\xE2\x82\xAC", "\xC3", "user name", "12 34",
        "http://h o.st/", "", "Z9", "/"};
    std::string text;
    if (Pick(12) == 0) {
      text = Pick(2) == 0 ? "http://" : "";
      for (std::size_t i = 20 + Pick(120); i > 0; --i) text += "abcXYZ0189./:-"[Pick(14)];
      return text;
    }
    for (std::size_t i = 1 + Pick(Pick(4) == 0 ? 3 : 1); i > 0; --i) {
      text += pieces[Pick(sizeof pieces / sizeof pieces[0])];
      if (Pick(20) == 0) text += static_cast<char>(std::toupper(static_cast<unsigned char>(separator)));
    }
    return text;
  }

  std::size_t Pick(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); }

  std::mt19937 rng;
};

// Reads the log twice, as two files, so the second starts with users present.
std::string ReadWith(const testing::TempDir& dir, const Settings& settings, const LowerCase& lower,
                     const ReadingPlan& plan) {
  UsageTables tables;
  TextFileWriter work_log;
  work_log.Create(dir.File("work.log"));
  for (int i = 0; i < 2; ++i) {
    tables.LogFiles.push_back(TFileAnalyzeRep{"f" + std::to_string(i), 0});
    AnalyzeLogFile(dir.File("access.log"), settings, tables, lower, work_log, plan);
  }
  tables.FinishHostLists();
  work_log.Close();
  return Dump(tables) + "--\n" + testing::ReadFile(dir.File("work.log"));
}

// With ASCII lower-casing and in a UTF-8 locale, where one is installed.
TEST(LogLineParserTest, FastAndPartedReadingGiveThePlainTables) {
  std::vector<std::pair<LowerCase, unsigned>> lowerings = {{LowerCase(), 150}};
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
    lowerings.emplace_back(LowerCase::FromCurrentLocale(), 60);
    std::setlocale(LC_CTYPE, previous.c_str());
    ASSERT_EQ(lowerings.back().first.mode(), LowerCase::Mode::kUtf8);
  }
  testing::TempDir dir;
  ReadingPlan plain, line_reader, sequential;
  plain.fast = false;
  line_reader.ranges = false;
  sequential.threads = 1;
  for (const auto& [lower, seeds] : lowerings) {
    for (unsigned seed = 1; seed <= seeds; ++seed) {
      RandomLog random(seed + (lower.mode() == LowerCase::Mode::kUtf8 ? 1000 : 0));
      const Settings& s = random.settings;
      testing::WriteFile(dir.File("access.log"), random.Log());
      SCOPED_TRACE(::testing::Message() << "seed " << seed << ", separator '" << s.Separator << "', fields " << s.NameField
                                        << "/" << s.BytesField << "/" << s.QueryField << "/" << s.IpField);
      const std::string expected = ReadWith(dir, s, lower, plain);
      ASSERT_EQ(ReadWith(dir, s, lower, line_reader), expected);
      for (ByteScan scan : testing::ByteScansHere()) {
        sequential.scan = scan;
        ASSERT_EQ(ReadWith(dir, s, lower, sequential), expected) << testing::ByteScanName(scan);
      }
      for (std::size_t threads = 2; threads <= 4; ++threads) {
        ReadingPlan parts;
        parts.threads = threads;
        parts.min_split_size = 0;
        ASSERT_EQ(ReadWith(dir, s, lower, parts), expected) << threads << " parts";
      }
    }
  }
}

}  // namespace
}  // namespace sirvane
