// The two gzip decoders on the same bytes, fed and drained in pieces whose
// sizes the first byte chooses: where zlib reads a whole stream, ISA-L must
// read the same text, and up to where either stops at damage, both decode
// the same bytes (the shorter text begins the longer).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "platform/decompressor.h"

namespace {

struct Decoded {
  std::string text;
  sirvane::DecodeStatus status;
};

Decoded Decode(bool portable, const char* data, std::size_t size, std::size_t in_step, std::size_t out_step) {
  using sirvane::DecodeStatus;
  const auto decoder = sirvane::MakeDecompressor(sirvane::Compression::kGzip, portable);
  Decoded decoded{"", DecodeStatus::kMore};
  std::vector<char> room(out_step);
  std::size_t fed = 0;
  std::span<const char> input;
  // Far more calls than any input needs: a decoder that stops making progress ends here.
  for (int calls = 0; calls < 10'000'000; ++calls) {
    if (input.empty() && fed < size) {
      const std::size_t n = std::min(in_step, size - fed);
      input = std::span<const char>(data + fed, n);
      fed += n;
    }
    std::span<char> output(room);
    decoded.status = decoder->Decode(input, output, fed == size);
    decoded.text.append(room.data(), room.size() - output.size());
    if (decoded.status != DecodeStatus::kMore) return decoded;
    if (decoded.text.size() > (std::size_t{64} << 20)) return decoded;  // a bomb: both stop alike
  }
  Check(false);
  return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || !sirvane::CompressedLogsSupported()) return 0;
  const std::size_t in_step = std::size_t{1} << (data[0] & 15);
  const std::size_t out_step = std::size_t{1} << (data[0] >> 4);
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const Decoded fast = Decode(false, bytes, size - 1, in_step, out_step);
  const Decoded zlib = Decode(true, bytes, size - 1, in_step, out_step);
  if (zlib.status == sirvane::DecodeStatus::kEnd) {
    Check(fast.status == sirvane::DecodeStatus::kEnd && fast.text == zlib.text);
  }
  const std::string& shorter = fast.text.size() < zlib.text.size() ? fast.text : zlib.text;
  const std::string& longer = fast.text.size() < zlib.text.size() ? zlib.text : fast.text;
  Check(longer.compare(0, shorter.size(), shorter) == 0);
  return 0;
}
