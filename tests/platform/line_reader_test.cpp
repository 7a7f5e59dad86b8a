#include "platform/line_reader.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <vector>

#include "support/temp_dir.h"

namespace sirvane {
namespace {

using Lines = std::vector<std::string>;
constexpr std::size_t kBlock = std::size_t{1} << 20;  // the reader's block size

Lines ReadAll(LineReader& reader, const std::string& path) {
  reader.Open(path);
  Lines lines;
  for (bool more = !reader.Eof(); more;) {
    const std::string_view line = reader.ReadLine();
    more = !reader.Eof();  // may read ahead while the line is still held
    lines.emplace_back(line);
  }
  return lines;
}

TEST(LineReaderTest, LineEndsAndUnreadablePaths) {
  std::string longest(3 * kBlock + 123, 'a');
  for (std::size_t i = 0; i < longest.size(); i += 7) longest[i] = static_cast<char>('b' + i % 20);
  const std::string filler(kBlock - 1, 'f');  // the next byte is the block's last
  const std::vector<std::pair<std::string, Lines>> cases = {
      {"", {}}, {"a\nbb\n", {"a", "bb"}}, {"a\r\nbb\r\n", {"a", "bb"}}, {"a\rbb", {"a", "bb"}},
      {"\r\r\n\n\r", {"", "", "", ""}}, {"a\n\rb\r\n\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
      {std::string("x\0y\n\0\n", 6), {std::string("x\0y", 3), std::string("\0", 1)}},
      {"first\r\n" + longest + "\r\nlast", {"first", longest, "last"}},
      {filler + "\r\nnext\n", {filler, "next"}}, {filler + "\r\rnext", {filler, "", "next"}},
      {filler + "\r", {filler}}, {"\nnext", {"", "next"}},  // not the end of the last file's CR
  };
  testing::TempDir dir;
  LineReader reused;  // Open must start afresh
  for (const auto& [text, lines] : cases) {
    testing::WriteFile(dir.File("access.log"), text);
    LineReader fresh;  // a reused reader's buffer may have outgrown the block
    EXPECT_EQ(ReadAll(fresh, dir.File("access.log")), lines) << text.substr(0, 20);
    EXPECT_EQ(ReadAll(reused, dir.File("access.log")), lines) << text.substr(0, 20);
  }
  ::testing::internal::CaptureStderr();  // unreadable: no line, and a warning naming the path
  EXPECT_EQ(ReadAll(reused, dir.File("missing.log")), Lines{});
  EXPECT_EQ(ReadAll(reused, dir.path()), Lines{});
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("'" + dir.path() + "'"), std::string::npos);
}

TEST(LineReaderTest, FileTruncatedWhileBeingReadEndsCleanly) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows does not let a file that is open for reading be truncated";
#else
  testing::TempDir dir;
  std::string text(3 * kBlock, 'x');
  for (std::size_t i = 99; i < text.size(); i += 100) text[i] = '\n';
  testing::WriteFile(dir.File("access.log"), text);
  LineReader reader;
  reader.Open(dir.File("access.log"));
  EXPECT_EQ(reader.ReadLine(), text.substr(0, 99));
  ASSERT_EQ(truncate(dir.File("access.log").c_str(), 0), 0);
  std::size_t more = 0;
  for (; !reader.Eof(); ++more) EXPECT_TRUE(text.starts_with(reader.ReadLine()));
  EXPECT_LT(more, text.size() / 100);
#endif
}

}  // namespace
}  // namespace sirvane
