#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Bytes from a string, at most 4093 at a time: reads shorter than asked for,
// ending anywhere in a line.
struct StringSource : ByteSource {
  explicit StringSource(std::string_view text) : rest(text) {}
  long long ReadInto(char* into, std::size_t size) override {
    const std::size_t n = rest.copy(into, std::min(size, std::size_t{4093}));
    rest.remove_prefix(n);
    return static_cast<long long>(n);
  }
  std::string_view rest;
};

// Texts and their lines: every kind of line end, also where a block or a
// 64-byte mask of the line-feed search ends.
std::vector<std::pair<std::string, Lines>> LineEndCases() {
  std::string longest(3 * kBlock + 123, 'a');
  for (std::size_t i = 0; i < longest.size(); i += 7) longest[i] = static_cast<char>('b' + i % 20);
  const std::string filler(kBlock - 1, 'f');  // the next byte is the block's last
  std::vector<std::pair<std::string, Lines>> cases = {
      {"", {}}, {"a\nbb\n", {"a", "bb"}}, {"a\r\nbb\r\n", {"a", "bb"}}, {"a\rbb", {"a", "bb"}},
      {"\r\r\n\n\r", {"", "", "", ""}}, {"a\n\rb\r\n\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
      {std::string("x\0y\n\0\n", 6), {std::string("x\0y", 3), std::string("\0", 1)}},
      {"first\r\n" + longest + "\r\nlast", {"first", longest, "last"}},
      {filler + "\r\nnext\n", {filler, "next"}}, {filler + "\r\rnext", {filler, "", "next"}},
      {filler + "\r", {filler}}, {"\nnext", {"", "next"}},  // not the end of the last file's CR
  };
  Lines lines;  // several blocks of lines of every length and line end around the masks, bytes above 127 too
  std::string text;
  const char* const kEnds[] = {"\n", "\r\n", "\r"};
  for (std::size_t i = 0; i < 60'000; ++i) {
    lines.push_back(std::to_string(i) + std::string(i % 130, "a \xE2z"[i % 4]));
    text += lines.back() + kEnds[i % 3];
  }
  cases.push_back({text, lines});
  return cases;
}

#if SIRVANE_WITH_COMPRESSION
const Compression kFormats[] = {Compression::kNone, Compression::kGzip, Compression::kBzip2, Compression::kXz,
                                Compression::kZstd};
#else
const Compression kFormats[] = {Compression::kNone};
#endif

// The same lines from a fresh and a reused LineReader, from a plain or a
// compressed file, with progress per block up to the file's size; for a plain
// file also from LineBuffer in every scan (reading in parts: log_ingestion_test).
TEST(LineReaderTest, EveryWayOfReadingGivesTheLinesOfTheText) {
  const std::vector<std::pair<std::string, Lines>> cases = LineEndCases();
  testing::TempDir dir;
  const std::string path = dir.File("access.log");
  LineReader reused;
  ::testing::internal::CaptureStderr();
  for (const Compression format : kFormats) {
    for (const auto& [text, lines] : cases) {
      SCOPED_TRACE(std::string(CompressionName(format)) + " " + text.substr(0, 20));
      const std::string data = testing::Compress(format, text);
      testing::WriteFile(path, data);
      std::vector<std::pair<std::uint64_t, std::uint64_t>> calls = {{0, 0}};
      LineReader fresh;  // a reused reader's buffer may have outgrown the block
      fresh.SetProgressObserver([&](std::uint64_t read, std::uint64_t size) { calls.emplace_back(read, size); });
      EXPECT_EQ(ReadAll(fresh, path), lines);
      EXPECT_EQ(ReadAll(reused, path), lines);
      if (!text.empty()) {  // per block (where a line crosses a block's end, two reads), never per line
        EXPECT_LE(calls.size(), 2 * (text.size() / kBlock + 2) + 1);
        EXPECT_EQ(calls.back(), std::make_pair<std::uint64_t>(data.size(), data.size()));
        EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end()));
      }
      if (format != Compression::kNone) continue;
      for (ByteScan scan : testing::ByteScansHere()) {
        StringSource source(text);
        LineBuffer buffer;
        buffer.SetByteScan(scan);
        buffer.Start(&source, "memory");
        Lines read;
        for (std::vector<std::span<char>> batch; buffer.ReadMutableLines(batch);) {
          for (const std::span<char> line : batch) read.emplace_back(line.data(), line.size());
        }
        EXPECT_EQ(read, lines) << testing::ByteScanName(scan);
      }
    }
  }
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ::testing::internal::CaptureStderr();  // unreadable: no line, and a warning naming the path
  EXPECT_EQ(ReadAll(reused, dir.File("missing.log")), Lines{});
  EXPECT_EQ(ReadAll(reused, dir.path()), Lines{});
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("'" + dir.path() + "'"), std::string::npos);
#if SIRVANE_WITH_COMPRESSION
  // A cut file is read up to the cut, the line there delivered as a last line
  // without a line end would be, then a warning names the file.
  const Lines& lines = cases.back().second;
  for (const Compression format : std::span(kFormats).subspan(1)) {
    const std::string whole = testing::Compress(format, cases.back().first);
    testing::WriteFile(path, whole.substr(0, whole.size() / 2));
    ::testing::internal::CaptureStderr();
    const Lines read = ReadAll(reused, path);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("'" + path + "' is damaged"), std::string::npos);
    EXPECT_TRUE(read.size() > 1000 && read.size() < lines.size() && std::equal(read.begin(), read.end() - 1,
                lines.begin()) && lines[read.size() - 1].starts_with(read.back()))
        << CompressionName(format) << ": " << read.size() << " lines";
  }
#else  // without the decoders a compressed file is read as it is, with a warning naming its format
  testing::WriteFile(path, std::string("\x1f\x8b\x08\x00garbage\nmore", 16));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ReadAll(reused, path), (Lines{std::string("\x1f\x8b\x08\x00garbage", 11), "more"}));
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("gzip-compressed"), std::string::npos);
#endif
}

}  // namespace
}  // namespace sirvane
