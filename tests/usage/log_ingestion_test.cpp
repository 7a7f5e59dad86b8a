// Reading logs: the fast ways (LogLineParser, FastLineAccountant, parts read by
// several threads) against the plain one (LineReader, LineSplitter, LineAccountant)
// on random logs built to hit the corners, and the rules all follow on known lines.
#include "usage/log_ingestion.h"

#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <tuple>

#include "support/compress.h"
#include "support/reading_ways.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

std::string ReadWith(const std::string& log, const Settings& settings, const LowerCase& lower,
                     const ReadingPlan& plan) {
  static const testing::TempDir dir;
  return testing::ReadAndDump(dir.path(), log, settings, lower, plan);
}

// Both files read to their ends, in order.
const std::string kBothRead = "work log [DIR/f1.log ... OK\r\nDIR/f2.log ... OK\r\n]\n";

Settings Positions(std::int32_t name, std::int32_t bytes, std::int32_t url, std::int32_t address) {
  Settings s;
  std::tie(s.NameField, s.BytesField, s.QueryField, s.IpField) = std::tie(name, bytes, url, address);
  return s;
}

// Letters as separators (and their upper-case forms), spaces in fields, runs of
// separators, every line end, short and header lines, saturating byte counts,
// long fields across the field search's 64-byte blocks, part boundaries anywhere.
std::string RandomLog(unsigned seed, Settings& settings) {
  std::mt19937 rng(seed);
  const auto pick = [&](std::size_t n) -> std::size_t { return n == 0 ? 0 : rng() % n; };
  const char separator = settings.Separator = "  ,\tx;/"[pick(7)];
  for (std::int32_t* field : {&settings.NameField, &settings.BytesField, &settings.QueryField, &settings.IpField}) {
    *field = 1 + static_cast<std::int32_t>(pick(5));
  }
  if (pick(3) == 0) settings.IpField = 0;
  // A field made of pieces that matter to some rule.
  const auto field = [&]() -> std::string {
    static const char* const pieces[] = {
        "alice", "Bob", "..dave", ".", "-", "10.0.0.1", "0", "00042", "1073741824", "9223372036854775807",
        "9223372036854775808", "http://HOST.example:8080/x", "host.example:443", "/index.html", "http:/x",
        "http://", "//a//b/", "a b", " ", "X", "\xC3\x84", "\xE2\x82\xAC", "\xC3", "12 34", "", "Z9", "/"};
    std::string text;
    if (pick(12) == 0) {
      text = pick(2) == 0 ? "http://" : "";
      for (std::size_t i = 20 + pick(120); i > 0; --i) text += "abcXYZ0189./:-"[pick(14)];
      return text;
    }
    for (std::size_t i = 1 + pick(pick(4) == 0 ? 3 : 1); i > 0; --i) {
      text += pieces[pick(sizeof pieces / sizeof pieces[0])];
      if (pick(20) == 0) text += static_cast<char>(std::toupper(static_cast<unsigned char>(separator)));
    }
    return text;
  };
  std::string log;
  const std::size_t lines = pick(3) == 0 ? pick(10) : 20 + pick(300);
  // Sometimes the first half has no byte count anywhere, so no user exists
  // when the second part begins.
  const std::size_t header_lines = pick(4) == 0 ? lines / 2 + pick(lines / 2 + 1) : pick(3);
  const char* const ends[] = {"\n", "\n", "\r\n", "\r", "\n\n", "\r\r\n"};
  for (std::size_t i = 0; i < lines; ++i) {
    log.append(pick(6) == 0 ? 1 : 0, separator);  // a leading separator: an empty first field
    for (std::size_t fields = pick(15) == 0 ? pick(3) : 3 + pick(5); fields > 0; --fields) {
      for (char c : field()) log += i < header_lines && c >= '0' && c <= '9' ? 'n' : c;
      if (fields > 1 || pick(10) == 0) log.append(1 + (pick(4) == 0 ? pick(3) : 0), separator);
    }
    if (i + 1 < lines || pick(2) == 0) log += ends[pick(6)];
  }
  return log;
}

// With ASCII lower-casing and in a UTF-8 locale, where one is installed.
TEST(LogIngestionTest, FastAndPartedReadingGiveThePlainTables) {
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C.UTF-8");  // where it is not installed, both are ASCII
  const LowerCase ascii, utf8 = LowerCase::FromCurrentLocale();
  std::setlocale(LC_CTYPE, previous.c_str());
  for (unsigned seed = 1; seed <= 200; ++seed) {
    const LowerCase& lower = seed % 4 == 0 ? utf8 : ascii;  // a quarter in UTF-8
    SCOPED_TRACE("seed " + std::to_string(seed));
    Settings settings;
    const std::string log = RandomLog(seed, settings);
    const std::string expected = ReadWith(log, settings, lower, {.fast = false});
    for (const auto& [way, plan] : testing::ReadingWays()) {
      ASSERT_EQ(ReadWith(log, settings, lower, plan), expected) << way;
    }
  }
}

// Files are read as one stream, cut into parts anywhere: inside a file, at
// its ends, around empty, compressed (never cut) and missing files, whose
// warnings come in file order.
TEST(LogIngestionTest, FilesReadInPartsGiveThePlainTables) {
  static const testing::TempDir dir;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    Settings settings;
    std::vector<std::string> logs = {RandomLog(seed, settings)};
    for (std::size_t more = rng() % 5; more > 0; --more) {
      Settings other;  // only the first file's configuration is used
      std::string log = rng() % 5 == 0 ? std::string() : RandomLog(rng(), other);
      if (rng() % 3 == 0) log = testing::Compress(Compression::kGzip, log);
      if (rng() % 6 == 0) log = testing::kMissingFile;
      logs.insert(logs.begin() + static_cast<std::ptrdiff_t>(rng() % (logs.size() + 1)), log);
    }
    const std::string expected = testing::ReadFilesAndDump(dir.path(), logs, settings, LowerCase(), {.fast = false});
    for (std::size_t parts = 2; parts <= 4; ++parts) {
      const ReadingPlan plan{.threads = parts, .min_split_size = 0};
      ASSERT_EQ(testing::ReadFilesAndDump(dir.path(), logs, settings, LowerCase(), plan), expected) << parts;
    }
  }
}

TEST(LogIngestionTest, AccountsEachKindOfLineAndStopsAtAPositionOutOfRange) {
  const std::string log =
      "x bytes url 1.1.1.1 hdr\n"  // no user yet and no byte count: nothing at all
      "x 100 http://a.example/ 10.0.0.1 Alice\n"
      "x 50 http://b.example/x 10.0.0.2 .alice\n"
      "x n/a http://c.example/ 10.0.0.3 ..ALICE\n"  // only the address
      "x - http://d.example/ 10.0.0.4 bob\n"  // a new user without traffic
      "x 9223372036854775807 http://a.example/ 10.0.0.1 alice\n"  // sums saturate
      "alice\n";  // a short line reads its missing fields as empty
  // Read a second time, the same lines add up, and the first line makes a
  // user: there are users by then.
  const std::string tables =
      "file f1 7\nfile f2 7\n"
      "user [alice] 9223372036854775807\n  host [a.example] 9223372036854775807\n  host [b.example] 100\n"
      "  addr [10.0.0.1]\n  addr [10.0.0.2]\n  addr [10.0.0.3]\n"
      "user [bob] 0\n  addr [10.0.0.4]\n"
      "user [] 0\n  addr []\n"
      "user [hdr] 0\n  addr [1.1.1.1]\n" + kBothRead;
  // A position outside 1 to 1000 stops the run at its first use, naming the
  // setting; the fast reader must leave such configurations to the plain one.
  const std::string range = "Range check error: The field position ", none = "file f1 1\nfile f2 1\n";
  const std::string aborted = "work log [DIR/f1.log ... ]\n";
  const std::vector<std::tuple<Settings, std::string, std::string>> cases = {
      {Positions(5, 2, 3, 4), log, tables},
      // Names from the first field, where the address usually is: no addresses kept.
      {Positions(1, 2, 3, 4), "10.0.0.1 5 http://a/ 10.0.0.1",
       none + "user [10.0.0.1] 10\n  host [a] 10\n" + kBothRead},
      {Positions(1, 2, 3, 1001), "a 1 u", range + "ipfield=1001 "},
      {Positions(1, 2, 3, 1001), "a x u", none + kBothRead},
      {Positions(1, 2, 3, -3), "a 1 u", none + "user [a] 2\n  host [] 2\n" + kBothRead},
  };
  for (const auto& [settings, lines, expected] : cases) {
    for (const auto& [way, plan] : testing::ReadingWays()) {
      const std::string read = ReadWith(lines, settings, LowerCase(), plan);
      if (expected.starts_with(range)) {
        // The run stops in the first file, whose line the working report leaves open.
        EXPECT_TRUE(read.starts_with(expected) && read.ends_with(aborted)) << way << ": " << read;
      } else {
        EXPECT_EQ(read, expected) << way;
      }
    }
  }
}

}  // namespace
}  // namespace sirvane
