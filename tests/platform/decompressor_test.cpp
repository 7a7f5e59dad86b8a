#include "platform/decompressor.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/compress.h"

namespace sirvane {
namespace {

using testing::Compress;

#if SIRVANE_WITH_COMPRESSION

struct Decoded {
  std::string text;
  DecodeStatus status;
  std::string damage;
};

// Feeds `data` `in_step` bytes and takes `out_step` bytes at a time, as small buffers would.
Decoded DecodeAll(Compression format, bool portable, const std::string& data, std::size_t in_step,
                  std::size_t out_step) {
  const std::unique_ptr<Decompressor> decompressor = MakeDecompressor(format, portable);
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

// Whole streams, and streams appended to each other, decode to their text
// whatever the pieces fed and taken. Damage ends the data as damaged, after at
// least the beginning of what came before it (a checksum may only tell at the
// end of a stream). A cut stream: the line-reader test reads up to the cut.
TEST(DecompressorTest, EveryFormatDecodesStreamsUpToTheDamage) {
  std::string text, head;  // several bzip2 blocks, so that damage in the middle leaves whole blocks before it
  for (std::size_t i = 0; i < 20'000; ++i) {
    if (i == 2'000) head = text;  // small enough to be decoded a byte at a time
    text += std::to_string(i * 7919 % 100003) + " 10.0." + std::to_string(i % 256) + ".1 GET http://h" +
            std::to_string(i * 13 % 4099) + ".example/x user" + std::to_string(i % 97) + "\n";
  }
  for (const Compression format : {Compression::kGzip, Compression::kBzip2, Compression::kXz, Compression::kZstd}) {
    const std::string one = Compress(format, head), empty = Compress(format, ""), all = Compress(format, text);
    std::string corrupt = all, checksum = all;
    for (std::size_t i = all.size() / 2; i < all.size() / 2 + 64; ++i) corrupt[i] = static_cast<char>(~corrupt[i]);
    checksum[all.size() - 5] ^= 1;  // in each format's end: the gzip CRC, the zstd checksum, bzip2's, xz's footer
    struct Case {
      const char* what;
      std::string data, expected;
      DecodeStatus status;
      bool whole;  // all of `expected`, else at least its beginning
    };
    const Case cases[] = {
        {"whole", one, head, DecodeStatus::kEnd, true},
        {"two streams", one + Compress(format, "tail\n"), head + "tail\n", DecodeStatus::kEnd, true},
        {"empty streams", empty + one + empty, head, DecodeStatus::kEnd, true},
        {"trailing garbage", all + "garbage\n", text, DecodeStatus::kDamaged, true},
        {"corrupt in the middle", corrupt, text, DecodeStatus::kDamaged, false},
        {"a wrong checksum", checksum, text, DecodeStatus::kDamaged, false},
    };
    for (const Case& c : cases) {
      const bool ended = c.status == DecodeStatus::kEnd;
      std::vector<std::pair<std::size_t, std::size_t>> steps = {{64 << 10, 1 << 20}};
      if (ended) steps.insert(steps.end(), {{1, 7}, {333, 1}});  // a byte at a time only for the small text
      for (const auto& [in_step, out_step] : steps) {
        for (const bool portable : {false, true}) {  // gzip: ISA-L (where built in) and zlib
          SCOPED_TRACE(std::string(CompressionName(format)) + (portable ? " (portable) " : " ") + c.what +
                       ", in " + std::to_string(in_step) + ", out " + std::to_string(out_step));
          const Decoded decoded = DecodeAll(format, portable, c.data, in_step, out_step);
          EXPECT_EQ(decoded.status, c.status) << decoded.damage;
          EXPECT_EQ(decoded.damage.empty(), ended);
          EXPECT_TRUE(c.whole ? decoded.text == c.expected
                              : decoded.text.size() > text.size() / 4 &&
                                    decoded.text.starts_with(text.substr(0, 50'000)))
              << decoded.text.size() << " bytes";
        }
      }
    }
  }
}

#endif

}  // namespace
}  // namespace sirvane
