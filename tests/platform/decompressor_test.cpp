#include "platform/decompressor.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/compress.h"

namespace sirvane {
namespace {

using testing::Compress;

TEST(DecompressorTest, FormatIsToldByMagicBytes) {
  const std::vector<std::pair<std::string, Compression>> cases = {
      {std::string("\x1f\x8b\x08\x00", 4), Compression::kGzip},
      {"BZh91AY&SY", Compression::kBzip2},
      {std::string("\xfd" "7zXZ\0\0", 7), Compression::kXz},
      {"\x28\xb5\x2f\xfd", Compression::kZstd},
      {"\x50\x2a\x4d\x18", Compression::kZstd},  // a skippable frame first
      {"\x5f\x2a\x4d\x18", Compression::kZstd},
      {"\x60\x2a\x4d\x18", Compression::kNone},
      {"\x1f\x8b", Compression::kNone},  // too short to tell
      {"BZh0", Compression::kNone},
      {"BZh", Compression::kNone},
      {std::string("\xfd" "7zXZ", 5), Compression::kNone},
      {"1733389200.123    245 10.0.3.17 TCP_MISS/200", Compression::kNone},
      {"", Compression::kNone},
  };
  for (const auto& [head, format] : cases) {
    EXPECT_EQ(DetectCompression(std::span<const char>(head.data(), head.size())), format) << head;
  }
}

#if SIRVANE_WITH_COMPRESSION

const Compression kFormats[] = {Compression::kGzip, Compression::kBzip2, Compression::kXz, Compression::kZstd};

struct Decoded {
  std::string text;
  DecodeStatus status;
  std::string damage;
};

// Feeds `data` in pieces of `in_step` bytes and takes the output `out_step`
// bytes at a time, as a caller with small buffers would.
Decoded DecodeAll(Compression format, const std::string& data, std::size_t in_step, std::size_t out_step) {
  const std::unique_ptr<Decompressor> decompressor = MakeDecompressor(format);
  std::string text;
  std::vector<char> room(out_step);
  std::size_t fed = 0;
  std::span<const char> input;
  for (int calls = 0; calls < 100'000'000; ++calls) {
    if (input.empty() && fed < data.size()) {
      const std::size_t n = std::min(in_step, data.size() - fed);
      input = std::span<const char>(data.data() + fed, n);
      fed += n;
    }
    std::span<char> output(room);
    const DecodeStatus status = decompressor->Decode(input, output, fed == data.size());
    text.append(room.data(), room.size() - output.size());
    if (status != DecodeStatus::kMore) return {text, status, decompressor->damage()};
  }
  ADD_FAILURE() << "the decoder never finished";
  return {text, DecodeStatus::kMore, ""};
}

std::string SampleText(std::size_t lines) {
  std::string text;
  for (std::size_t i = 0; i < lines; ++i) {
    text += "1733389200." + std::to_string(i % 1000) + " " + std::to_string(i * 7919 % 100003) + " 10.0." +
            std::to_string(i % 256) + ".1 TCP_MISS/200 " + std::to_string(i * 31 % 99991) + " GET http://h" +
            std::to_string(i * 13 % 4099) + ".example/x user" + std::to_string(i % 97) + "\n";
  }
  return text;
}

TEST(DecompressorTest, EveryFormatDecodesWholeAndConcatenatedStreams) {
  const std::string text = SampleText(2000);
  for (const Compression format : kFormats) {
    const std::string one = Compress(format, text);
    const std::string empty = Compress(format, "");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {one, text},
        {one + Compress(format, "tail\n"), text + "tail\n"},
        {empty, ""},
        {empty + one + empty, text},
    };
    for (const auto& [data, expected] : cases) {
      using Steps = std::pair<std::size_t, std::size_t>;
      for (const auto& [in_step, out_step] : {Steps{1 << 20, 1 << 20}, Steps{1, 7}, Steps{333, 1}}) {
        const Decoded decoded = DecodeAll(format, data, in_step, out_step);
        EXPECT_EQ(decoded.status, DecodeStatus::kEnd) << CompressionName(format) << " " << decoded.damage;
        EXPECT_TRUE(decoded.text == expected) << CompressionName(format) << " in " << in_step << " out "
                                              << out_step << ": " << decoded.text.size() << " bytes";
      }
    }
  }
}

TEST(DecompressorTest, DamageEndsTheDataAfterWhatCameBeforeIt) {
  // Large enough for several bzip2 blocks, so that damage in the middle
  // leaves whole blocks before it.
  const std::string text = SampleText(20'000);
  for (const Compression format : kFormats) {
    const std::string whole = Compress(format, text);
    std::string corrupt = whole;
    for (std::size_t i = corrupt.size() / 2; i < corrupt.size() / 2 + 64; ++i) {
      corrupt[i] = static_cast<char>(~corrupt[i]);
    }
    struct Case {
      const char* what;
      std::string data;
      bool prefix_exact;  // whatever was decoded is the text's beginning
    };
    const std::vector<Case> cases = {
        {"truncated", whole.substr(0, whole.size() / 2), true},
        {"one byte short", whole.substr(0, whole.size() - 1), false},
        {"header only", whole.substr(0, 3), true},
        {"corrupt in the middle", corrupt, false},
        {"trailing garbage", whole + "garbage\n", true},
    };
    for (const Case& c : cases) {
      const Decoded decoded = DecodeAll(format, c.data, 64 << 10, 1 << 20);
      const std::string name = std::string(CompressionName(format)) + " " + c.what;
      EXPECT_EQ(decoded.status, DecodeStatus::kDamaged) << name;
      EXPECT_FALSE(decoded.damage.empty()) << name;
      if (c.prefix_exact) {
        EXPECT_TRUE(text.starts_with(decoded.text)) << name;
      } else {
        // Data before the damage is kept (a checksum may only tell at the end).
        EXPECT_GT(decoded.text.size(), text.size() / 4) << name;
        EXPECT_EQ(decoded.text.substr(0, 50'000), text.substr(0, 50'000)) << name;
      }
    }
    EXPECT_EQ(DecodeAll(format, whole + "garbage\n", 1 << 20, 1 << 20).text, text) << CompressionName(format);
  }
}

#endif

}  // namespace
}  // namespace sirvane
