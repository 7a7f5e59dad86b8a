#include "platform/decompressor.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

#if SIRVANE_WITH_COMPRESSION
#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>
#endif
#if SIRVANE_WITH_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace sirvane {

namespace {

bool StartsWith(std::span<const char> head, std::initializer_list<unsigned char> magic) {
  if (head.size() < magic.size()) return false;
  return std::equal(magic.begin(), magic.end(), head.begin(),
                    [](unsigned char m, char c) { return m == static_cast<unsigned char>(c); });
}

}  // namespace

Compression DetectCompression(std::span<const char> head) {
  if (StartsWith(head, {0x1f, 0x8b, 0x08})) return Compression::kGzip;
  if (StartsWith(head, {'B', 'Z', 'h'}) && head.size() > 3 && head[3] >= '1' && head[3] <= '9') {
    return Compression::kBzip2;
  }
  if (StartsWith(head, {0xfd, '7', 'z', 'X', 'Z', 0x00})) return Compression::kXz;
  if (StartsWith(head, {0x28, 0xb5, 0x2f, 0xfd})) return Compression::kZstd;
  // A zstd file may also begin with a skippable frame (magic 0x184D2A50 to 0x184D2A5F).
  if (head.size() >= 4 && (static_cast<unsigned char>(head[0]) & 0xf0) == 0x50 &&
      StartsWith(head.subspan(1), {0x2a, 0x4d, 0x18})) {
    return Compression::kZstd;
  }
  return Compression::kNone;
}

const char* CompressionName(Compression format) {
  switch (format) {
    case Compression::kGzip: return "gzip";
    case Compression::kBzip2: return "bzip2";
    case Compression::kXz: return "xz";
    case Compression::kZstd: return "zstd";
    case Compression::kNone: break;
  }
  return "plain";
}

#if SIRVANE_WITH_COMPRESSION

namespace {

// The libraries count in unsigned int; blocks are far smaller, but a caller's
// span need not be.
unsigned int Clamp(std::size_t size) { return static_cast<unsigned int>(std::min<std::size_t>(size, UINT_MAX)); }

const char* kTruncated = "the file ends in the middle of a compressed stream (truncated?)";

class GzipDecompressor final : public Decompressor {
 public:
  GzipDecompressor() {
    // 15 + 16: the largest window, gzip header and trailer (CRC and length checked).
    if (inflateInit2(&stream_, 15 + 16) != Z_OK) throw std::bad_alloc();
  }
  ~GzipDecompressor() override { inflateEnd(&stream_); }

  DecodeStatus Decode(std::span<const char>& input, std::span<char>& output, bool last) override {
    for (;;) {
      if (between_members_) {
        if (input.empty()) return last ? DecodeStatus::kEnd : DecodeStatus::kMore;
        inflateReset(&stream_);  // another member follows: gzip -c a b > ab
        between_members_ = false;
      }
      if (output.empty() || (input.empty() && !last)) return DecodeStatus::kMore;
      const unsigned int in_size = Clamp(input.size());
      const unsigned int out_size = Clamp(output.size());
      stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
      stream_.avail_in = in_size;
      stream_.next_out = reinterpret_cast<Bytef*>(output.data());
      stream_.avail_out = out_size;
      const int result = inflate(&stream_, Z_NO_FLUSH);
      input = input.subspan(in_size - stream_.avail_in);
      output = output.subspan(out_size - stream_.avail_out);
      if (result == Z_STREAM_END) {
        between_members_ = true;
      } else if (result == Z_BUF_ERROR && input.empty()) {
        return Damaged(kTruncated);  // no progress without more input, and none comes
      } else if (result != Z_OK) {
        return Damaged(std::string("gzip: ") + (stream_.msg != nullptr ? stream_.msg : "corrupt data"));
      }
    }
  }

 private:
  z_stream stream_{};
  bool between_members_ = false;
};

#if SIRVANE_WITH_ISAL
// gzip through ISA-L, which inflates three to five times as fast as zlib here
// (a month of compressed daily logs is mostly inflating). Header and trailer
// are checked as zlib checks them (the CRC; not the length, which the CRC
// already covers for any damage a disk or a transfer makes).
class IsalGzipDecompressor final : public Decompressor {
 public:
  IsalGzipDecompressor() { Start(); }

  DecodeStatus Decode(std::span<const char>& input, std::span<char>& output, bool last) override {
    for (;;) {
      if (between_members_) {
        if (input.empty()) return last ? DecodeStatus::kEnd : DecodeStatus::kMore;
        Start();  // another member follows: gzip -c a b > ab
        between_members_ = false;
      }
      if (output.empty() || (input.empty() && !last)) return DecodeStatus::kMore;
      const unsigned int in_size = Clamp(input.size());
      const unsigned int out_size = Clamp(output.size());
      state_.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input.data()));
      state_.avail_in = in_size;
      state_.next_out = reinterpret_cast<std::uint8_t*>(output.data());
      state_.avail_out = out_size;
      const int result = isal_inflate(&state_);
      const bool progress = state_.avail_in != in_size || state_.avail_out != out_size;
      input = input.subspan(in_size - state_.avail_in);
      output = output.subspan(out_size - state_.avail_out);
      if (result != ISAL_DECOMP_OK) return Damaged("gzip: " + ErrorText(result));
      if (state_.block_state == ISAL_BLOCK_FINISH) {
        between_members_ = true;
      } else if (!progress) {
        return Damaged(kTruncated);  // no progress without more input, and none comes
      }
    }
  }

 private:
  void Start() {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_GZIP;  // parse the header, check the trailer's CRC
  }
  static std::string ErrorText(int result) {
    switch (result) {
      case ISAL_INVALID_BLOCK: return "invalid block";
      case ISAL_INVALID_SYMBOL: return "invalid code";
      case ISAL_INVALID_LOOKBACK: return "invalid distance";
      case ISAL_INVALID_WRAPPER: return "incorrect header";
      case ISAL_UNSUPPORTED_METHOD: return "unknown compression method";
      case ISAL_INCORRECT_CHECKSUM: return "incorrect data check";
      default: return "corrupt data (error " + std::to_string(result) + ")";
    }
  }

  inflate_state state_{};
  bool between_members_ = false;
};
#endif

class Bzip2Decompressor final : public Decompressor {
 public:
  Bzip2Decompressor() { Start(); }
  ~Bzip2Decompressor() override { BZ2_bzDecompressEnd(&stream_); }

  DecodeStatus Decode(std::span<const char>& input, std::span<char>& output, bool last) override {
    for (;;) {
      if (between_streams_) {
        if (input.empty()) return last ? DecodeStatus::kEnd : DecodeStatus::kMore;
        BZ2_bzDecompressEnd(&stream_);  // another stream follows (pbzip2, or cat)
        Start();
        between_streams_ = false;
      }
      if (output.empty() || (input.empty() && !last)) return DecodeStatus::kMore;
      const unsigned int in_size = Clamp(input.size());
      const unsigned int out_size = Clamp(output.size());
      stream_.next_in = const_cast<char*>(input.data());
      stream_.avail_in = in_size;
      stream_.next_out = output.data();
      stream_.avail_out = out_size;
      const int result = BZ2_bzDecompress(&stream_);
      const bool progress = stream_.avail_in != in_size || stream_.avail_out != out_size;
      input = input.subspan(in_size - stream_.avail_in);
      output = output.subspan(out_size - stream_.avail_out);
      if (result == BZ_STREAM_END) {
        between_streams_ = true;
      } else if (result == BZ_OK) {
        if (!progress) return Damaged(kTruncated);
      } else if (result == BZ_DATA_ERROR_MAGIC) {
        return Damaged("bzip2: data after the end of a stream is not bzip2 data");
      } else if (result == BZ_MEM_ERROR) {
        return Damaged("bzip2: out of memory");
      } else {
        return Damaged("bzip2: corrupt data (error " + std::to_string(result) + ")");
      }
    }
  }

 private:
  void Start() {
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) throw std::bad_alloc();
  }

  bz_stream stream_{};
  bool between_streams_ = false;
};

class XzDecompressor final : public Decompressor {
 public:
  XzDecompressor() {
    // LZMA_CONCATENATED: streams appended one after another (and the padding
    // between them) decode as one.
    if (lzma_stream_decoder(&stream_, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) throw std::bad_alloc();
  }
  ~XzDecompressor() override { lzma_end(&stream_); }

  DecodeStatus Decode(std::span<const char>& input, std::span<char>& output, bool last) override {
    for (;;) {
      if (output.empty() || (input.empty() && !last)) return DecodeStatus::kMore;
      stream_.next_in = reinterpret_cast<const std::uint8_t*>(input.data());
      stream_.avail_in = input.size();
      stream_.next_out = reinterpret_cast<std::uint8_t*>(output.data());
      stream_.avail_out = output.size();
      const lzma_ret result = lzma_code(&stream_, last ? LZMA_FINISH : LZMA_RUN);
      input = input.subspan(input.size() - stream_.avail_in);
      output = output.subspan(output.size() - stream_.avail_out);
      switch (result) {
        case LZMA_OK: continue;
        case LZMA_STREAM_END: return DecodeStatus::kEnd;
        case LZMA_BUF_ERROR: return Damaged(kTruncated);
        case LZMA_MEM_ERROR: return Damaged("xz: out of memory");
        case LZMA_FORMAT_ERROR: return Damaged("xz: data after the end of a stream is not xz data");
        case LZMA_OPTIONS_ERROR: return Damaged("xz: unsupported compression options");
        default: return Damaged("xz: corrupt data (error " + std::to_string(static_cast<int>(result)) + ")");
      }
    }
  }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

class ZstdDecompressor final : public Decompressor {
 public:
  ZstdDecompressor() : context_(ZSTD_createDCtx()) {
    if (context_ == nullptr) throw std::bad_alloc();
  }
  ~ZstdDecompressor() override { ZSTD_freeDCtx(context_); }

  DecodeStatus Decode(std::span<const char>& input, std::span<char>& output, bool last) override {
    for (;;) {
      if (output.empty()) return DecodeStatus::kMore;
      if (input.empty() && !last) return DecodeStatus::kMore;
      if (input.empty() && frame_complete_) return DecodeStatus::kEnd;
      ZSTD_inBuffer in{input.data(), input.size(), 0};
      ZSTD_outBuffer out{output.data(), output.size(), 0};
      const std::size_t result = ZSTD_decompressStream(context_, &out, &in);
      input = input.subspan(in.pos);
      output = output.subspan(out.pos);
      if (ZSTD_isError(result)) return Damaged(std::string("zstd: ") + ZSTD_getErrorName(result));
      frame_complete_ = result == 0;  // a frame ended and all of it was written out
      if (in.pos == 0 && out.pos == 0 && input.empty()) return Damaged(kTruncated);
    }
  }

 private:
  ZSTD_DCtx* context_;
  bool frame_complete_ = false;
};

}  // namespace

bool CompressedLogsSupported() { return true; }

std::unique_ptr<Decompressor> MakeDecompressor(Compression format, [[maybe_unused]] bool portable) {
  switch (format) {
    case Compression::kGzip:
#if SIRVANE_WITH_ISAL
      if (!portable) return std::make_unique<IsalGzipDecompressor>();
#endif
      return std::make_unique<GzipDecompressor>();
    case Compression::kBzip2: return std::make_unique<Bzip2Decompressor>();
    case Compression::kXz: return std::make_unique<XzDecompressor>();
    case Compression::kZstd: return std::make_unique<ZstdDecompressor>();
    case Compression::kNone: break;
  }
  return nullptr;
}

#else

bool CompressedLogsSupported() { return false; }

std::unique_ptr<Decompressor> MakeDecompressor(Compression, bool) { return nullptr; }

#endif

}  // namespace sirvane
