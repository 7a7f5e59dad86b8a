// Logs as hostile clients and broken disks make them: each run ends with sound numbers
// and escaped output (or a clear warning), in bounded memory, writing only in out/.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "report/page_templates.h"
#include "support/compress.h"
#include "support/golden.h"
#include "support/links.h"
#include "support/workspace.h"

namespace sirvane {
namespace {

using testing::SquidLine;
using testing::Workspace;

constexpr long kMiB = 1024;  // peak RSS is in KiB
const std::string kFinalConfig = std::string(testing::kSquidConfig) + "finalreport=yes\n";

// Reading gigabytes takes minutes under the sanitizers: the plain build does it.
#ifdef SIRVANE_SANITIZED
#define SKIP_WHEN_SANITIZED() GTEST_SKIP() << "too slow under the sanitizers"
#else
#define SKIP_WHEN_SANITIZED()
#endif

// The user rows of report.html, or the host rows of a user page.
// `count` equal lines of `user`'s, 1 KiB each, padded to 128 bytes: 8192 to the MiB.
std::string PaddedLines(const std::string& user, long count) {
  std::string line = SquidLine(user, 1024, "10.0.0.1", "http://" + user + ".example/");
  line.insert(line.size() - 1, std::string(128 - line.size(), ' '));
  std::string text;
  text.reserve(static_cast<std::size_t>(count) * line.size());
  for (long i = 0; i < count; ++i) text += line;
  return text;
}

std::vector<std::string> Rows(const Workspace& w, const std::string& page = "report.html") {
  PageTemplates t;
  BuildPageTemplates(t, 1, 2026);
  return testing::TableRows(w.Read("out/" + page), page == "report.html" ? t.UserTableHeader : t.UrlTableHeader);
}

// What every run must leave: every link of the summary page leads to a page in
// out/, and nothing but the working report was written outside out/.
void ExpectContained(const Workspace& w) {
  for (const std::string& target : testing::LinkTargets(w.Read("out/report.html"))) {
    EXPECT_EQ(target.find('/'), std::string::npos) << target;
    EXPECT_TRUE(testing::Exists(w.dir.File("out/" + target))) << target;
  }
  std::vector<std::string> top;
  for (const auto& [name, content] : w.Snapshot("")) top.push_back(name);
  EXPECT_EQ(top, (std::vector<std::string>{"last.log", "logs", "out", "sirvane.cfg", "stderr.txt", "stdout.txt"}));
  for (const auto& [name, content] : w.Snapshot("out")) EXPECT_NE(name[0], '.') << "left behind: " << name;
}

// Random bytes and stray separators are left to the fuzzers and tests/usage;
// these bytes and names mean something on the way to the pages.
TEST(HostileLogTest, CraftedBytesAndNamesGiveSoundNumbersAndEscapedPages) {
  const std::string nul(1, '\0');
  std::string crafted;
  long bytes = 0;
  for (const std::string& url : std::vector<std::string>{"http://<script>alert(1)</script>/", "http://\"q'uote\"/",
                                                         "http://../../etc/passwd", "http://%00/", "http://con/",
                                                         "http://" + std::string(300, '/') + "x/", "<script>"}) {
    crafted += SquidLine("mallory", bytes += 1024, "10.0.0.1", url);
  }
  struct Case {
    std::string name;
    std::string log;                    // between two lines each of alice and bob
    std::vector<std::string> rows;      // the summary's user rows, without the prognosis
    std::string page;                   // a user page to look at, and text it must hold
    std::vector<std::string> page_has;
  };
  const std::vector<Case> cases = {
      {"NUL bytes",
       std::string(64 * 1024, '\0') + SquidLine("ev" + nul + "il", 2048, "10.0.0.1", "http://n" + nul + "ul/"),
       {"bob|137K|", "alice|10K|", "ev" + nul + "il|2K|"}, "ev_il.html",
       {"<tr><td width=\"60%\" align=\"left\">n" + nul + "ul</td>"}},
      {"crafted hosts", crafted, {"bob|137K|", "mallory|28K|", "alice|10K|"}, "mallory.html",
       {"&lt;script&gt;alert(1)&lt;", "&quot;q&#39;uote&quot;", ">..<", ">%00<", ">con<", ">x<", "\"left\"></td>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace w(testing::kAliceAndBob + c.log + testing::kAliceAndBob);
    ASSERT_EQ(w.Run(), 0) << w.err;
    EXPECT_EQ(w.err, "");
    std::vector<std::string> rows = Rows(w);
    ASSERT_GE(rows.size(), 2u);
    rows.resize(rows.size() - 2);  // unknown and total
    for (std::string& row : rows) row.erase(row.rfind('|') + 1);
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(w.Read("out/report.html").find("<script>"), std::string::npos);
    const std::string page = w.Read("out/" + c.page);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    for (const std::string& text : c.page_has) EXPECT_NE(page.find(text), std::string::npos) << text;
    ExpectContained(w);
  }
}

// A log that changes under the reader, made deterministic by the preloaded
// library: it acts once the first 1 MiB has been read.
TEST(HostileLogTest, ALogThatShrinksOrVanishesWhileReadEndsCleanly) {
  std::string line = SquidLine("alice", 1024, "10.0.0.1", "http://a.example/");
  line.insert(line.size() - 1, std::string(128 - line.size(), ' '));  // 128-byte lines: 8192 per MiB
  std::string log;
  for (int i = 0; i < 3 * 8192; ++i) log += line;
  const std::vector<std::tuple<std::string, long, std::string>> cases = {  // fault, lines counted, warning
      {"read-truncate=0", 8192, ""},
      {"read-truncate=1500000", 8192 + (1500000 - 1048576) / 128 + 1, ""},
      {"read-unlink", 3 * 8192, ""},
      {"read-error", 8192, "error while reading the log file"}};
  for (const auto& [fault, records, warning] : cases) {
    SCOPED_TRACE(fault);
    Workspace w(log, kFinalConfig);
    ASSERT_EQ(w.RunWithFault(fault, "access.log"), 0) << w.err;
    EXPECT_NE(w.Read("last.log").find("access.log:" + std::to_string(records) + ";"), std::string::npos)
        << w.Read("last.log");
    EXPECT_TRUE(warning.empty() ? w.err.empty() : w.err.find(warning) != std::string::npos) << w.err;
    // Every line read counts, the one cut after its byte count included.
    const std::string k = std::to_string(records) + "K";
    EXPECT_EQ(Rows(w)[0], "alice|" + k + "|" + k);
  }
}

// A live log grows while it is read, its last line cut in the middle when the
// run began: it is read to its end, as it is then, the last line complete,
// as one pass over the whole file would read it.
TEST(HostileLogTest, ALogThatGrowsWhileReadIsReadToItsNewEnd) {
  const std::string line = PaddedLines("alice", 1);
  const std::string log = PaddedLines("alice", 2 * 8192);
  const std::size_t cut = line.find(" 1024 ") + 3;  // in the middle of the byte count
  Workspace w(log + line.substr(0, cut), kFinalConfig);
  ASSERT_EQ(w.RunWithFault("read-append=" + line.substr(cut) + line, "access.log"), 0) << w.err;
  const long records = 2 * 8192 + 2;
  EXPECT_NE(w.Read("last.log").find("access.log:" + std::to_string(records) + ";"), std::string::npos)
      << w.Read("last.log");
  const std::string k = std::to_string(records) + "K";
  EXPECT_EQ(Rows(w), (std::vector<std::string>{"alice|" + k + "|" + k, "unknown|0K|0K", "total:|" + k + "|" + k}));
}

// A listed log is replaced by a compressed one of the same name before its
// turn comes: it is told compressed when it is opened, as one pass tells it,
// and not read as text because it was plain when the run began.
TEST(HostileLogTest, ALogReplacedByACompressedOneBeforeItsTurnIsDecompressed) {
  Workspace w(PaddedLines("alice", 2 * 8192), kFinalConfig);
  std::ofstream(w.dir.File("logs/access2.log"), std::ios::binary) << SquidLine("bob", 2048, "10.0.0.2", "http://b/");
  std::ofstream(w.dir.File("logs/carol.gz"), std::ios::binary)
      << testing::Compress(Compression::kGzip, SquidLine("carol", 3072, "10.0.0.3", "http://c/"));
  ASSERT_EQ(w.RunWithFault("read-rename=logs/carol.gz>logs/access2.log", "access.log"), 0) << w.err;
  EXPECT_NE(w.Read("last.log").find("access2.log:1;"), std::string::npos) << w.Read("last.log");
  EXPECT_EQ(Rows(w), (std::vector<std::string>{"alice|16384K|16384K", "carol|3K|3K", "unknown|0K|0K",
                                               "total:|16387K|16387K"}));
}

// A read error inside the first of two parts of one file: as in one pass,
// the rest of the file is skipped, the second part's lines included, with one
// warning; the file after it is read.
TEST(HostileLogTest, AReadErrorInTheFirstPartOfAFileSkipsTheRestOfIt) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core reads the files in one part";
  Workspace w(PaddedLines("alice", 34 * 8192), kFinalConfig);  // 34 MiB: read in two parts, cut at 17 MiB
  std::ofstream(w.dir.File("logs/access2.log"), std::ios::binary) << PaddedLines("bob", 8);
  ASSERT_EQ(w.RunWithFault("read-bad-at=" + std::to_string(5 << 20), "access.log"), 0) << w.err;
  EXPECT_NE(w.Read("last.log").find("access.log:40960;\r\naccess2.log:8;"), std::string::npos) << w.Read("last.log");
  EXPECT_EQ(Rows(w), (std::vector<std::string>{"alice|40960K|40960K", "bob|8K|8K", "unknown|0K|0K",
                                               "total:|40968K|40968K"}));
  const std::string warning = "error while reading the log file 'logs/access.log'";
  ASSERT_NE(w.err.find(warning), std::string::npos) << w.err;
  EXPECT_EQ(w.err.find(warning, w.err.find(warning) + 1), std::string::npos) << w.err;  // once
}

// logrotate moves a live log away and starts a new one while it is read. A
// file cut between the two parts is read whole from the file that was
// listed, by both parts: here the first part reaches access.log only after
// access-0.log, during which the move comes, while the second part reads the
// rest of access.log from the start of the run.
TEST(HostileLogTest, ALogRotatedWhileReadInTwoPartsIsReadWhole) {
  if (std::thread::hardware_concurrency() < 2) GTEST_SKIP() << "one core reads the files in one part";
  const long kFirst = 4 * 8192, kSecond = 30 * 8192;  // 34 MiB in all: enough to be read in two parts
  const std::string log = PaddedLines("alice", kSecond);
  Workspace w(log, kFinalConfig);
  std::ofstream(w.dir.File("logs/access-0.log"), std::ios::binary) << PaddedLines("bob", kFirst);
  ASSERT_EQ(w.RunWithFault("read-rotate=logs/access.log", "access-0.log"), 0) << w.err;
  ASSERT_EQ(w.Read("logs/access.log.1").size(), log.size());  // the move came
  EXPECT_NE(w.Read("last.log").find("access-0.log:" + std::to_string(kFirst) + ";\r\naccess.log:" +
                                    std::to_string(kSecond) + ";"),
            std::string::npos)
      << w.Read("last.log");
  EXPECT_EQ(Rows(w)[0], "alice|" + std::to_string(kSecond) + "K|" + std::to_string(kSecond) + "K");
  EXPECT_EQ(Rows(w)[1], "bob|" + std::to_string(kFirst) + "K|" + std::to_string(kFirst) + "K");
}

// A line of 200 MB is read whole. A sparse file of 5 GiB of NUL bytes (past
// both 2^31 and 2^32) with one real line at the end has its first "line" cut
// at 256 MiB with a warning. Memory stays bounded either way.
TEST(HostileLogTest, LongLinesAndGibibytesOfNulBytesAreReadInBoundedMemory) {
  SKIP_WHEN_SANITIZED();
  std::string log = SquidLine("bob", 70000, "10.0.3.18", "http://www.example.org/");
  log.insert(log.size() - 1, " " + std::string(200'000'000, 'x'));
  Workspace w(log + SquidLine("alice", 4096, "10.0.3.17", "http://a.example/"), kFinalConfig);
  std::ofstream sparse(w.dir.File("logs/access-5.log"), std::ios::binary);
  sparse.seekp(std::streamoff{5} << 30) << "\n" + SquidLine("u5", 5 * 1024, "10.0.0.1", "http://h/");
  sparse.close();
  ASSERT_EQ(w.Run(), 0) << w.err;
  EXPECT_NE(w.Read("last.log").find("access-5.log:2;\r\n"), std::string::npos) << w.Read("last.log");
  EXPECT_NE(w.err.find("'logs/access-5.log' is longer than 256 MiB"), std::string::npos) << w.err;
  EXPECT_EQ(w.err.find("'logs/access.log'"), std::string::npos) << w.err;
  EXPECT_EQ(Rows(w), (std::vector<std::string>{"bob|68K|68K", "u5|5K|5K", "alice|4K|4K", "unknown|0K|0K",
                                               "total:|77K|77K"}));
  EXPECT_LT(w.peak_rss_kib, 768 * kMiB);  // measured: 530 MiB
  ExpectContained(w);
}

// A million users, of whom every 10,000th has traffic (and so a page): the
// tables, the ordering and ipaccess.txt at scale, without a million files.
TEST(HostileLogTest, AMillionUsersAndOneUserWithHalfAMillionHosts) {
  SKIP_WHEN_SANITIZED();
  std::string log;
  log.reserve(100'000'000);
  for (int i = 0; i < 1'000'000; ++i) {
    const std::string bytes = i % 10'000 == 0 ? std::to_string(1024 * (i / 10'000 + 1)) : "-";
    log += "1 2 10." + std::to_string(i % 250) + ".0.1 T " + bytes + " GET http://h/ u" + std::to_string(i) + "\n";
  }
  for (int i = 0; i < 500'000; ++i) log += "1 2 10.0.0.1 T 1024 GET http://h" + std::to_string(i) + ".example/ many\n";
  Workspace w(log, kFinalConfig);
  ASSERT_EQ(w.Run(), 0) << w.err;
  const std::vector<std::string> rows = Rows(w);
  ASSERT_EQ(rows.size(), 100u + 1 + 2);
  EXPECT_EQ(rows[0], "many|500000K|500000K");
  EXPECT_EQ(rows[1], "u990000|100K|100K");
  EXPECT_EQ(rows[100], "u0|1K|1K");
  EXPECT_EQ(Rows(w, "many.html").size(), 500'000u);
  const std::string addresses = w.Read("out/ipaccess.txt");
  EXPECT_EQ(std::count(addresses.begin(), addresses.end(), '\n'), 1'000'002);  // the header, then every user
  EXPECT_LT(w.peak_rss_kib, 1024 * kMiB);  // measured: 465 MiB
  ExpectContained(w);
}

}  // namespace
}  // namespace sirvane
