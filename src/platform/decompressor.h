#pragma once
// Stream decoders for compressed logs: gzip (ISA-L or zlib), bzip2 (libbz2), xz
// (liblzma) and zstd (libzstd). A file is recognised by its first bytes, never
// by its name, since rotated logs are named access.log.1.gz as often as
// access.log-20261206. Concatenated streams (gzip members, pbzip2 output, xz
// and zstd streams appended with cat) decode as one.
#include <memory>
#include <span>
#include <string>

namespace sirvane {

enum class Compression { kNone, kGzip, kBzip2, kXz, kZstd };

// Enough leading bytes for DetectCompression.
inline constexpr std::size_t kCompressionMagicSize = 6;

// The format whose magic bytes begin `head`; kNone for anything else (a plain
// log, or fewer bytes than the magic).
Compression DetectCompression(std::span<const char> head);

// "gzip", "bzip2", "xz", "zstd"; "plain" for kNone.
const char* CompressionName(Compression format);

enum class DecodeStatus {
  kMore,     // call again: with more input once `input` is empty, with more room once `output` is full
  kEnd,      // the input was the last and every stream in it ended cleanly
  kDamaged,  // the data is corrupt or ends inside a stream; damage() says how
};

class Decompressor {
 public:
  virtual ~Decompressor() = default;
  // Decodes from `input` into `output` and advances both past what was used.
  // `last` tells that no input follows the bytes given. After kDamaged the
  // bytes already written to `output` are all that can be recovered.
  virtual DecodeStatus Decode(std::span<const char>& input, std::span<char>& output, bool last) = 0;
  const std::string& damage() const { return damage_; }

 protected:
  DecodeStatus Damaged(std::string what) {
    damage_ = std::move(what);
    return DecodeStatus::kDamaged;
  }

 private:
  std::string damage_;
};

// Whether this build decodes compressed logs at all.
bool CompressedLogsSupported();

// A decoder for `format`, or null when this build has no library for it (the
// file is then read as it is). gzip goes through ISA-L where the build has it,
// else (or when `portable`) through zlib; the tests compare the two.
std::unique_ptr<Decompressor> MakeDecompressor(Compression format, bool portable = false);

}  // namespace sirvane
