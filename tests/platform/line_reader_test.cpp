#include "platform/line_reader.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <random>
#include <span>
#include <vector>

#include "support/byte_scans.h"
#include "support/compress.h"
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

// Texts and their lines: every kind of line end, also where a block ends.
std::vector<std::pair<std::string, Lines>> LineEndCases() {
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
  return cases;
}

TEST(LineReaderTest, LineEndsAndUnreadablePaths) {
  const std::vector<std::pair<std::string, Lines>> cases = LineEndCases();
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

// Bytes from a string, handed out `step` at a time.
class StringSource : public ByteSource {
 public:
  StringSource(std::string text, std::size_t step) : text_(std::move(text)), step_(step) {}
  long long ReadInto(char* into, std::size_t size) override {
    const std::size_t n = std::min({size, step_, text_.size() - at_});
    std::copy_n(text_.data() + at_, n, into);
    at_ += n;
    return static_cast<long long>(n);
  }

 private:
  std::string text_;
  std::size_t step_;
  std::size_t at_ = 0;
};

// Lines of every length around the 64-byte masks of the line-feed search,
// with each kind of line end, read in batches in every scanning way.
TEST(LineBufferTest, BatchesGiveTheSameLinesInEveryScanningWay) {
  std::mt19937 rng(7);
  std::string text;
  Lines expected;
  const char* const kEnds[] = {"\n", "\r\n", "\r", "\n"};
  bool after_cr = false;  // an empty line after a lone CR would make a CR LF
  for (int i = 0; i < 3000; ++i) {
    const std::size_t length = std::max<std::size_t>(after_cr, rng() % 4 == 0 ? rng() % 300 : 60 + rng() % 10);
    std::string line(length, 'x');
    for (char& c : line) c = static_cast<char>(rng() % 3 == 0 ? ' ' : 'a' + rng() % 26);
    if (length > 0 && rng() % 5 == 0) line[rng() % length] = '\xE2';
    expected.push_back(line);
    const char* const end = kEnds[rng() % 4];
    text += line + end;
    after_cr = end[0] == '\r' && end[1] == '\0';
  }
  for (ByteScan scan : testing::ByteScansHere()) {
    for (std::size_t step : {std::size_t{1} << 20, std::size_t{4093}}) {
      StringSource source(text, step);
      LineBuffer buffer;
      buffer.SetByteScan(scan);
      buffer.Start(&source, "memory");
      Lines read;
      std::vector<std::span<char>> lines;
      while (buffer.ReadMutableLines(lines)) {
        for (const std::span<char> line : lines) read.emplace_back(line.data(), line.size());
      }
      EXPECT_EQ(read, expected) << testing::ByteScanName(scan) << ", " << step << " bytes a read";
    }
  }
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

#if SIRVANE_WITH_COMPRESSION

const Compression kFormats[] = {Compression::kGzip, Compression::kBzip2, Compression::kXz, Compression::kZstd};

Lines NumberedLines(std::size_t count) {
  Lines lines;
  for (std::size_t i = 0; i < count; ++i) {
    lines.push_back("1733389200." + std::to_string(i) + " 10.0.3." + std::to_string(i % 250) + " TCP_MISS/200 " +
                    std::to_string(i * 7) + " GET http://h" + std::to_string(i % 300) + ".example/ user" +
                    std::to_string(i % 50));
  }
  return lines;
}

std::string Joined(const Lines& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

TEST(LineReaderTest, CompressedFilesReadAsTheirText) {
  std::vector<std::pair<std::string, Lines>> cases = LineEndCases();
  const Lines many = NumberedLines(60'000);  // about 5 MB, several decoded blocks
  cases.push_back({Joined(many, "\r\n"), many});
  testing::TempDir dir;
  LineReader reused;
  ::testing::internal::CaptureStderr();
  for (const Compression format : kFormats) {
    for (const auto& [text, lines] : cases) {
      testing::WriteFile(dir.File("access.log"), testing::Compress(format, text));
      LineReader fresh;
      EXPECT_EQ(ReadAll(fresh, dir.File("access.log")), lines) << CompressionName(format) << " " << text.substr(0, 20);
      EXPECT_EQ(ReadAll(reused, dir.File("access.log")), lines) << CompressionName(format) << " " << text.substr(0, 20);
    }
    // Streams appended to each other are one text, even where a line spans two.
    const std::string members =
        testing::Compress(format, "a\nb") + testing::Compress(format, "") + testing::Compress(format, "c\r\nd\n");
    testing::WriteFile(dir.File("access.log"), members);
    EXPECT_EQ(ReadAll(reused, dir.File("access.log")), (Lines{"a", "bc", "d"})) << CompressionName(format);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(LineReaderTest, DamagedCompressedFileIsReadUpToTheDamage) {
  const Lines lines = NumberedLines(40'000);
  const std::string text = Joined(lines, "\n");
  testing::TempDir dir;
  for (const Compression format : kFormats) {
    const std::string whole = testing::Compress(format, text);
    std::string corrupt = whole;
    for (std::size_t i = corrupt.size() / 2; i < corrupt.size() / 2 + 64; ++i) {
      corrupt[i] = static_cast<char>(~corrupt[i]);
    }
    for (const std::string& data : {whole.substr(0, whole.size() / 2), corrupt}) {
      testing::WriteFile(dir.File("access.log"), data);
      LineReader reader;
      ::testing::internal::CaptureStderr();
      const Lines read = ReadAll(reader, dir.File("access.log"));
      const std::string warning = ::testing::internal::GetCapturedStderr();
      const std::string name = std::string(CompressionName(format)) + (data == corrupt ? " corrupt" : " truncated");
      EXPECT_NE(warning.find("'" + dir.File("access.log") + "' is damaged"), std::string::npos) << name << warning;
      ASSERT_GT(read.size(), 1000u) << name;  // what came before the damage is kept
      EXPECT_LT(read.size(), lines.size() + 1) << name;
      if (data != corrupt) {  // corrupt bytes may decode to garbage before a checksum tells
        EXPECT_TRUE(std::equal(read.begin(), read.end() - 1, lines.begin())) << name;
        // A cut line is delivered as a last line without a line end would be.
        EXPECT_TRUE(lines[read.size() - 1].starts_with(read.back())) << name;
      }
      EXPECT_TRUE(std::equal(read.begin(), read.begin() + 1000, lines.begin())) << name;
    }
  }
}

TEST(LineReaderTest, ProgressIsReportedPerBlockUpToTheFileSize) {
  const std::string text = Joined(NumberedLines(60'000), "\n");
  testing::TempDir dir;
  for (const Compression format : {Compression::kNone, Compression::kGzip, Compression::kZstd}) {
    const std::string data = testing::Compress(format, text);
    testing::WriteFile(dir.File("access.log"), data);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    LineReader reader;
    reader.SetProgressObserver([&](std::uint64_t read, std::uint64_t size) { calls.emplace_back(read, size); });
    const Lines lines = ReadAll(reader, dir.File("access.log"));
    ASSERT_EQ(lines.size(), 60'000u);
    ASSERT_FALSE(calls.empty());
    // Per block (a block may take two reads where a line crosses its end), not per line.
    EXPECT_LE(calls.size(), 2 * (text.size() / kBlock + 2)) << CompressionName(format);
    EXPECT_EQ(calls.back(), std::make_pair<std::uint64_t>(data.size(), data.size())) << CompressionName(format);
    EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end())) << CompressionName(format);
  }
}

TEST(LineReaderTest, LeavingACompressedFileEarlyStopsItsDecoder) {
  testing::TempDir dir;
  testing::WriteFile(dir.File("big.log"), testing::Compress(Compression::kZstd, Joined(NumberedLines(100'000), "\n")));
  testing::WriteFile(dir.File("small.log"), testing::Compress(Compression::kGzip, "x\ny\n"));
  LineReader reader;
  for (int i = 0; i < 3; ++i) {
    reader.Open(dir.File("big.log"));
    ASSERT_FALSE(reader.Eof());
    EXPECT_EQ(reader.ReadLine(), NumberedLines(1)[0]);
  }
  EXPECT_EQ(ReadAll(reader, dir.File("small.log")), (Lines{"x", "y"}));
  reader.Open(dir.File("big.log"));  // and the destructor, in mid-file
}

#else

TEST(LineReaderTest, WithoutCompressionSupportACompressedFileIsReadAsItIs) {
  testing::TempDir dir;
  const std::string bytes("\x1f\x8b\x08\x00garbage\nmore", 16);
  testing::WriteFile(dir.File("access.log"), bytes);
  LineReader reader;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ReadAll(reader, dir.File("access.log")), (Lines{std::string("\x1f\x8b\x08\x00garbage", 11), "more"}));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("gzip-compressed"), std::string::npos);
}

#endif

}  // namespace
}  // namespace sirvane
