#include "platform/file_parts.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/line_reader.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

using Lines = std::vector<std::string>;
constexpr std::size_t kBlock = std::size_t{1} << 20;  // the reader's block size

// The lines of the whole file, as LineReader gives them.
Lines WholeFileLines(const std::string& path) {
  LineReader reader;
  reader.Open(path);
  Lines lines;
  while (!reader.Eof()) lines.emplace_back(reader.ReadLine());
  return lines;
}

// A text of short and block-sized lines with every kind of line end.
std::string RandomText(unsigned seed) {
  std::mt19937 random(seed);
  const char* const kEnds[] = {"\n", "\r\n", "\r", "\n\n", "\r\r\n"};
  std::string text;
  const std::size_t lines = 1 + random() % 400;
  for (std::size_t i = 0; i < lines; ++i) {
    const std::size_t size = random() % 50 == 0 ? kBlock - 200 + random() % 400 : random() % 300;
    text.append(size, static_cast<char>('a' + random() % 26));
    if (i + 1 < lines || random() % 2 == 0) text += kEnds[random() % 5];
  }
  return text;
}

// Every part read line by line and in batches gives, in order, the lines
// LineReader reads from the whole file, whatever the number of parts.
TEST(RangeLineReaderTest, PartsTogetherGiveTheLinesOfTheWholeFile) {
  testing::TempDir dir;
  const std::string path = dir.File("access.log");
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const std::string text = RandomText(seed);
    testing::WriteFile(path, text);
    const Lines expected = WholeFileLines(path);
    ASSERT_GT(expected.size(), 0u);
    for (std::size_t parts = 1; parts <= 3; ++parts) {
      const std::vector<FileRange> ranges = SplitIntoLineRanges(path, parts, 0);
      ASSERT_FALSE(ranges.empty());
      Lines one_by_one;
      Lines batched;
      for (const FileRange& range : ranges) {
        RangeLineReader reader;
        ASSERT_TRUE(reader.Open(path, range));
        while (!reader.Eof()) {
          const std::span<char> line = reader.ReadMutableLine();
          one_by_one.emplace_back(line.data(), line.size());
        }
        ASSERT_TRUE(reader.Open(path, range));  // a reused reader starts afresh
        std::vector<std::span<char>> lines;
        while (reader.ReadMutableLines(lines)) {
          for (const std::span<char> line : lines) batched.emplace_back(line.data(), line.size());
        }
        EXPECT_EQ(reader.BytesRead(), range.end - range.begin);
      }
      EXPECT_EQ(one_by_one, expected) << "seed " << seed << ", " << parts << " parts";
      EXPECT_EQ(batched, expected) << "seed " << seed << ", " << parts << " parts";
    }
  }
}

}  // namespace
}  // namespace sirvane
