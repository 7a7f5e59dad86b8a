// The fast ways of reading a log (LogLineParser, FastLineAccountant, a file
// read in parts by several threads) against the plain way (LineReader,
// LineSplitter, LineAccountant), on random logs built to hit the corners:
// letters as separators, spaces in fields, runs of separators, CR / LF / CR LF
// line ends, short lines, header lines, huge and saturating byte counts, and
// part boundaries wherever the file's size puts them.
#include "usage/log_line_parser.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <sstream>

#include "platform/text_file.h"
#include "support/byte_scans.h"
#include "support/temp_dir.h"
#include "text/split_fields.h"
#include "usage/host_address.h"
#include "usage/log_ingestion.h"

namespace sirvane {
namespace {

// Everything the reports are made from, as text: equal dumps, equal reports.
std::string Dump(const UsageTables& tables) {
  std::ostringstream out;
  for (const TFileAnalyzeRep& file : tables.LogFiles) out << "file " << file.FileName << ' ' << file.RecordCount << '\n';
  for (const TReportRec& user : tables.Users) {
    out << "user [" << user.UserName << "] " << user.Traffic << '\n';
    for (const HostIndex::Entry& host : user.Hosts) {
      out << "  host [" << tables.HostName(host.id) << "] " << host.traffic << '\n';
    }
    for (std::size_t j = 0; j < user.Addresses.size(); ++j) {
      out << "  addr [" << tables.AddressName(user.Addresses[j]) << "]\n";
    }
  }
  return out.str();
}

class RandomLog {
 public:
  explicit RandomLog(unsigned seed) : rng_(seed) {}

  Settings RandomSettings() {
    Settings s;
    const char separators[] = {' ', ' ', ',', '\t', 'x', ';', '/'};
    s.Separator = separators[Pick(sizeof separators)];
    s.NameField = 1 + static_cast<std::int32_t>(Pick(5));
    s.BytesField = 1 + static_cast<std::int32_t>(Pick(5));
    s.QueryField = 1 + static_cast<std::int32_t>(Pick(5));
    s.IpField = Pick(3) == 0 ? 0 : 1 + static_cast<std::int32_t>(Pick(5));
    return s;
  }

  // A field made of pieces that matter to some rule.
  std::string Field(char separator) {
    static const char* const kPieces[] = {
        "alice", "Bob", "..dave", ".", "-", "10.0.0.1", "10.0.0.2", "0", "17", "00042", "1073741824",
        "9223372036854775807", "9223372036854775808", "99999999999999999999", "http://host.example/a",
        "http://HOST.example:8080/x", "host.example:443", "/index.html", "http:/x", "http://", "//a//b/",
        "https://cdn.Example.com", "a b", " ", "X", "\xC3\x84", "\xE2\x82\xAC", "\xC3", "user name", "12 34",
        "http://h o.st/", "", "Z9", "/"};
    std::string text;
    if (Pick(12) == 0) {
      // Long fields carry the line across the 64-byte blocks of the field search.
      text = Pick(2) == 0 ? "http://" : "";
      const std::size_t length = 20 + Pick(120);
      for (std::size_t i = 0; i < length; ++i) text += "abcXYZ0189./:-"[Pick(14)];
      return text;
    }
    const std::size_t pieces = 1 + Pick(Pick(4) == 0 ? 3 : 1);
    for (std::size_t i = 0; i < pieces; ++i) {
      text += kPieces[Pick(sizeof kPieces / sizeof kPieces[0])];
      // Upper-case forms of a letter separator, which split too.
      if (Pick(20) == 0) text += static_cast<char>(std::toupper(static_cast<unsigned char>(separator)));
    }
    return text;
  }

  std::string Line(char separator, bool header) {
    std::string line;
    if (Pick(6) == 0) line += separator;  // a leading separator: an empty first field
    const std::size_t fields = Pick(15) == 0 ? Pick(3) : 3 + Pick(5);
    for (std::size_t f = 0; f < fields; ++f) {
      if (f > 0) line.append(1 + (Pick(4) == 0 ? Pick(3) : 0), separator);
      std::string field = Field(separator);
      if (header) {
        for (char& c : field) {
          if (c >= '0' && c <= '9') c = 'n';
        }
      }
      line += field;
    }
    if (Pick(10) == 0) line.append(1 + Pick(2), separator);
    return line;
  }

  std::string Log(char separator) {
    std::string log;
    const std::size_t lines = Pick(3) == 0 ? Pick(10) : 20 + Pick(300);
    // Sometimes the first half has no byte count anywhere, so no user exists
    // when the second part begins.
    const std::size_t header_lines = Pick(4) == 0 ? lines / 2 + Pick(lines / 2 + 1) : Pick(3);
    const char* const kEnds[] = {"\n", "\n", "\r\n", "\r", "\n\n", "\r\r\n"};
    for (std::size_t i = 0; i < lines; ++i) {
      log += Line(separator, i < header_lines);
      if (i + 1 < lines || Pick(2) == 0) log += kEnds[Pick(sizeof kEnds / sizeof kEnds[0])];
    }
    return log;
  }

  std::size_t Pick(std::size_t n) { return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

 private:
  std::mt19937 rng_;
};

std::string ReadWith(const std::string& path, const Settings& settings, const LowerCase& lower,
                     const ReadingPlan& plan, const testing::TempDir& dir) {
  UsageTables tables;
  TextFileWriter work_log;
  work_log.Create(dir.File("work.log"));
  // Two files, so the second starts with users present.
  for (int i = 0; i < 2; ++i) {
    tables.LogFiles.push_back(TFileAnalyzeRep{"f" + std::to_string(i), 0});
    AnalyzeLogFile(path, settings, tables, lower, work_log, plan);
  }
  tables.FinishHostLists();
  work_log.Close();
  return Dump(tables) + "--\n" + testing::ReadFile(dir.File("work.log"));
}

void CompareReadings(const LowerCase& lower, unsigned first_seed, unsigned seeds) {
  testing::TempDir dir;
  const std::string path = dir.File("access.log");
  ReadingPlan plain;
  plain.fast = false;
  ReadingPlan line_reader;
  line_reader.ranges = false;
  ReadingPlan sequential;
  sequential.threads = 1;
  for (unsigned seed = first_seed; seed < first_seed + seeds; ++seed) {
    RandomLog random(seed);
    const Settings settings = random.RandomSettings();
    const std::string log = random.Log(settings.Separator);
    testing::WriteFile(path, log);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", separator '" + std::string(1, settings.Separator) +
                 "', fields " + std::to_string(settings.NameField) + "/" + std::to_string(settings.BytesField) +
                 "/" + std::to_string(settings.QueryField) + "/" + std::to_string(settings.IpField));
    const std::string expected = ReadWith(path, settings, lower, plain, dir);
    ASSERT_EQ(ReadWith(path, settings, lower, line_reader, dir), expected);
    for (ByteScan scan : testing::ByteScansHere()) {
      sequential.scan = scan;
      ASSERT_EQ(ReadWith(path, settings, lower, sequential, dir), expected) << testing::ByteScanName(scan);
    }
    for (std::size_t threads = 2; threads <= 4; ++threads) {
      ReadingPlan parts;
      parts.threads = threads;
      parts.min_split_size = 0;
      ASSERT_EQ(ReadWith(path, settings, lower, parts, dir), expected) << threads << " parts";
    }
  }
}

TEST(LogLineParserTest, FastAndPartedReadingGiveThePlainTablesWithAsciiLowerCasing) {
  CompareReadings(LowerCase(), 1, 150);
}

TEST(LogLineParserTest, FastAndPartedReadingGiveThePlainTablesInAUtf8Locale) {
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) GTEST_SKIP() << "no C.UTF-8 locale";
  const LowerCase lower = LowerCase::FromCurrentLocale();
  std::setlocale(LC_CTYPE, previous.c_str());
  ASSERT_EQ(lower.mode(), LowerCase::Mode::kUtf8);
  CompareReadings(lower, 1000, 60);
}

TEST(LogLineParserTest, LeavesPositionsOutsideTheRangeToThePlainPath) {
  Settings s;
  s.NameField = 1001;
  EXPECT_FALSE(LogLineParser(s, LowerCase()).Usable());
  s.NameField = 1;
  s.IpField = 0;
  EXPECT_TRUE(LogLineParser(s, LowerCase()).Usable());
  s.IpField = -3;  // not in use: no addresses
  EXPECT_TRUE(LogLineParser(s, LowerCase()).Usable());
  s.QueryField = 0;
  EXPECT_FALSE(LogLineParser(s, LowerCase()).Usable());
}

}  // namespace
}  // namespace sirvane
