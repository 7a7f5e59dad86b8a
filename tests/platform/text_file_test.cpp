#include "platform/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/error.h"

namespace sirvane {
namespace {

class TextFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/sirvane_text_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return dir_ + "/" + name; }
  std::string Contents(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Put(const std::string& name, const std::string& text) const {
    std::ofstream(PathOf(name), std::ios::binary) << text;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  std::string dir_;
};

TEST_F(TextFileTest, LineWritesEndInCrLfAndTextWritesContinueTheLine) {
  TextFileWriter file;
  file.Create(PathOf("last.log"));
  EXPECT_TRUE(file.is_open());
  file.Write("***Report - ");
  file.WriteLine("05.12.2026***");
  file.WriteLine(" ");
  file.WriteLine("");
  file.Write("c:\\logs\\a.log ... ");
  file.Close();
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(Contents("last.log"), "***Report - 05.12.2026***\r\n \r\n\r\nc:\\logs\\a.log ... ");
}

TEST_F(TextFileTest, CreateEmptiesALongerExistingFile) {
  Put("last.log", std::string(1000, 'z'));
  TextFileWriter file;
  file.Create(PathOf("last.log"));
  file.WriteLine("ab");
  file.Close();
  EXPECT_EQ(Contents("last.log"), "ab\r\n");
}

TEST_F(TextFileTest, CreateFindsAnExistingDirectoryInAnotherLetterCase) {
  ASSERT_EQ(mkdir(PathOf("Reports").c_str(), 0755), 0);
  TextFileWriter file;
  file.Create(dir_ + "\\reports\\report.html", TextFileWriter::Replace::kAtomically);
  file.Write("x");
  file.Close();
  EXPECT_EQ(Contents("Reports/report.html"), "x");
}

TEST_F(TextFileTest, TextLargerThanTheBufferArrivesInOrder) {
  std::string expected;
  TextFileWriter file;
  file.Create(PathOf("big.txt"));
  const std::string big(200 * 1024, 'b');
  for (int i = 0; i < 3000; ++i) {
    const std::string line = "line " + std::to_string(i);
    file.WriteLine(line);
    expected += line + "\r\n";
    if (i == 1500) {
      file.Write(big);
      expected += big;
    }
  }
  file.Close();
  EXPECT_EQ(Contents("big.txt"), expected);
}

TEST_F(TextFileTest, AtomicReplaceKeepsTheOldFileUntilClose) {
  Put("report.html", "old");
  {
    TextFileWriter file;
    file.Create(PathOf("report.html"), TextFileWriter::Replace::kAtomically);
    file.WriteLine("new");
    file.Flush();
    EXPECT_EQ(Contents("report.html"), "old");
    file.Close();
  }
  EXPECT_EQ(Contents("report.html"), "new\r\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"report.html"});
}

TEST_F(TextFileTest, AbandonedAtomicFileLeavesNothingBehind) {
  Put("report.html", "old");
  {
    TextFileWriter file;
    file.Create(PathOf("report.html"), TextFileWriter::Replace::kAtomically);
    file.WriteLine("half");
    file.Flush();
    TextFileWriter fresh;
    fresh.Create(PathOf("fresh.html"), TextFileWriter::Replace::kAtomically);
    fresh.WriteLine("half");
    fresh.Flush();
  }
  EXPECT_EQ(Contents("report.html"), "old");
  EXPECT_EQ(Names(), std::vector<std::string>{"report.html"});
}

TEST_F(TextFileTest, AbandonedFileKeepsOnlyWhatWasFlushed) {
  {
    TextFileWriter file;
    file.Create(PathOf("last.log"));
    file.Write("c:\\logs\\a.log ... ");
    file.Flush();
    file.WriteLine("OK");
  }
  EXPECT_EQ(Contents("last.log"), "c:\\logs\\a.log ... ");
}

TEST_F(TextFileTest, CreatingInAMissingDirectoryIsAnIoError) {
  for (auto replace : {TextFileWriter::Replace::kDirect, TextFileWriter::Replace::kAtomically}) {
    TextFileWriter file;
    try {
      file.Create(PathOf("missing/last.log"), replace);
      FAIL() << "no error";
    } catch (const RunError& error) {
      EXPECT_EQ(error.kind(), "I/O error 2");
      EXPECT_NE(error.advice().find(PathOf("missing/last.log")), std::string::npos) << error.advice();
      EXPECT_NE(error.advice().find("directory exists"), std::string::npos) << error.advice();
    }
    EXPECT_FALSE(file.is_open());
  }
}

TEST_F(TextFileTest, AFullDiskIsAnIoErrorOnFlushAndOnClose) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not available";
  TextFileWriter file;
  file.Create("/dev/full");
  file.WriteLine("x");
  try {
    file.Flush();
    FAIL() << "no error";
  } catch (const RunError& error) {
    EXPECT_EQ(error.kind(), "I/O error 28");
    EXPECT_NE(error.advice().find("disk space"), std::string::npos) << error.advice();
  }
  TextFileWriter closing;
  closing.Create("/dev/full");
  closing.WriteLine("x");
  EXPECT_THROW(closing.Close(), RunError);
}

TEST_F(TextFileTest, ReadWholeFileReturnsEveryByte) {
  const std::string bytes("a\r\nb\0c\rd\n\xFF", 10);
  Put("Config.CFG", bytes);
  EXPECT_EQ(ReadWholeFile(PathOf("config.cfg")), bytes);
  Put("empty", "");
  EXPECT_EQ(ReadWholeFile(PathOf("empty")), "");
  EXPECT_THROW(ReadWholeFile(PathOf("missing.cfg")), RunError);
  EXPECT_THROW(ReadWholeFile(dir_), RunError);  // a directory
}

}  // namespace
}  // namespace sirvane
