#include "platform/line_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sirvane {
namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;  // the reader's block size

class LineReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/sirvane_lines_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Put(const std::string& text) {
    const std::string path = dir_ + "/access.log";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
  }

  // Reads the way the log reading does: Eof before every ReadLine.
  static std::vector<std::string> ReadAll(LineReader& reader, const std::string& path) {
    reader.Open(path);
    std::vector<std::string> lines;
    while (!reader.Eof()) lines.emplace_back(reader.ReadLine());
    return lines;
  }
  std::vector<std::string> ReadAll(const std::string& text) {
    LineReader reader;
    std::vector<std::string> lines = ReadAll(reader, Put(text));
    EXPECT_EQ(reader.lines_read(), lines.size());
    return lines;
  }

  std::string dir_;
};

using Lines = std::vector<std::string>;

struct LineCase {
  const char* name;
  std::string text;
  Lines lines;
};

TEST_F(LineReaderTest, LineEnds) {
  const std::vector<LineCase> cases = {
      {"empty file", "", {}},
      {"LF", "a\nbb\n", {"a", "bb"}},
      {"CR LF", "a\r\nbb\r\n", {"a", "bb"}},
      {"CR", "a\rbb\r", {"a", "bb"}},
      {"no final line end", "a\nbb", {"a", "bb"}},
      {"one line end", "\n", {""}},
      {"lone CR", "\r", {""}},
      {"empty line after a line", "a\n\n", {"a", ""}},
      {"CR then CR LF", "\r\r\n", {"", ""}},
      {"LF then CR", "\n\r", {"", ""}},
      {"mixed", "a\n\rb\r\n\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
      {"NUL bytes kept", std::string("x\0y\n\0\n", 6), {std::string("x\0y", 3), std::string("\0", 1)}},
      {"bytes above 127 and spaces kept", "  \xC3\x84 \t\n", {"  \xC3\x84 \t"}},
  };
  for (const LineCase& c : cases) EXPECT_EQ(ReadAll(c.text), c.lines) << c.name;
}

TEST_F(LineReaderTest, LineLongerThanABlock) {
  std::string longest(3 * kBlock + 123, '\0');
  for (std::size_t i = 0; i < longest.size(); ++i) longest[i] = static_cast<char>('a' + i % 26);
  EXPECT_EQ(ReadAll("first\r\n" + longest + "\r\nlast"), (Lines{"first", longest, "last"}));
  EXPECT_EQ(ReadAll(longest), Lines{longest});
}

TEST_F(LineReaderTest, CarriageReturnAsTheLastByteOfABlock) {
  const std::string filler(kBlock - 1, 'a');
  const std::vector<LineCase> cases = {
      {"CR LF split", filler + "\r\nnext\n", {filler, "next"}},
      {"lone CR", filler + "\rnext\n", {filler, "next"}},
      {"CR then CR", filler + "\r\rnext", {filler, "", "next"}},
      {"CR ends the file", filler + "\r", {filler}},
      {"CR LF ends the file", filler + "\r\n", {filler}},
  };
  for (const LineCase& c : cases) EXPECT_EQ(ReadAll(c.text), c.lines) << c.name;
}

TEST_F(LineReaderTest, LastLineStaysValidWhileEofReadsAhead) {
  // The first line fills the first block exactly, so Eof() has to read the
  // next one while the caller may still hold the line.
  const std::string filler(kBlock - 1, 'a');
  LineReader reader;
  reader.Open(Put(filler + "\nbbbb\n"));
  ASSERT_FALSE(reader.Eof());
  const std::string_view line = reader.ReadLine();
  ASSERT_FALSE(reader.Eof());
  EXPECT_EQ(line, filler);
  EXPECT_EQ(reader.ReadLine(), "bbbb");
  EXPECT_TRUE(reader.Eof());
}

TEST_F(LineReaderTest, UnreadablePathsGiveNoLineAndAWarning) {
  struct Case {
    std::string path;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {dir_ + "/missing.log", "No such file or directory"},
      {dir_, "directory"},
  };
  for (const Case& c : cases) {
    LineReader reader;
    testing::internal::CaptureStderr();
    reader.Open(c.path);
    const bool eof = reader.Eof();
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(eof) << c.path;
    EXPECT_EQ(reader.ReadLine(), "");
    EXPECT_EQ(reader.lines_read(), 0u);
    EXPECT_NE(warning.find("'" + c.path + "'"), std::string::npos) << warning;
    EXPECT_NE(warning.find(c.reason), std::string::npos) << warning;
  }
}

TEST_F(LineReaderTest, OpenStartsAgainWithTheNextFile) {
  LineReader reader;
  EXPECT_TRUE(reader.Eof());  // nothing opened yet
  EXPECT_EQ(ReadAll(reader, Put("a\nb\nc")), (Lines{"a", "b", "c"}));
  EXPECT_EQ(reader.lines_read(), 3u);
  const std::string second = dir_ + "/second.log";
  std::ofstream(second, std::ios::binary) << "x\r\ny";
  reader.Open(second);
  ASSERT_FALSE(reader.Eof());
  EXPECT_EQ(reader.ReadLine(), "x");
  EXPECT_EQ(reader.lines_read(), 1u);
}

TEST_F(LineReaderTest, FileTruncatedWhileBeingReadEndsCleanly) {
  const std::string line(99, 'x');
  std::string text;
  const std::size_t total = 3 * kBlock / 100;
  for (std::size_t i = 0; i < total; ++i) text += line + "\n";
  const std::string path = Put(text);

  LineReader reader;
  reader.Open(path);
  ASSERT_FALSE(reader.Eof());
  EXPECT_EQ(reader.ReadLine(), line);
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  std::size_t lines = 1;
  while (!reader.Eof()) {
    reader.ReadLine();
    ++lines;
  }
  // What was read before the truncation is delivered; nothing after it.
  EXPECT_LT(lines, total);
  EXPECT_EQ(reader.lines_read(), lines);
}

}  // namespace
}  // namespace sirvane
