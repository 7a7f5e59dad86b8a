#include "support/compress.h"

#include <cstdint>
#include <stdexcept>

#if SIRVANE_WITH_COMPRESSION
#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>
#endif

namespace sirvane::testing {

std::string Compress([[maybe_unused]] Compression format, std::string_view text) {
#if SIRVANE_WITH_COMPRESSION
  auto* in = const_cast<char*>(text.data());
  std::string out(text.size() + text.size() / 100 + 1024, '\0');  // above each library's worst case
  std::size_t size = out.size();
  bool done = true;
  if (format == Compression::kGzip) {
    z_stream stream{};
    done = deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    stream.next_in = reinterpret_cast<Bytef*>(in);
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    done = done && deflate(&stream, Z_FINISH) == Z_STREAM_END;
    size = stream.total_out;
    deflateEnd(&stream);
  } else if (format == Compression::kBzip2) {
    auto bz_size = static_cast<unsigned int>(size);
    done = BZ2_bzBuffToBuffCompress(out.data(), &bz_size, in, static_cast<unsigned int>(text.size()), 1, 0, 0) == BZ_OK;
    size = bz_size;
  } else if (format == Compression::kXz) {
    size = 0;
    done = lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(in),
                                   text.size(), reinterpret_cast<std::uint8_t*>(out.data()), &size,
                                   out.size()) == LZMA_OK;
  } else if (format == Compression::kZstd) {
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    size = ZSTD_compress2(context, out.data(), out.size(), in, text.size());
    ZSTD_freeCCtx(context);
    done = !ZSTD_isError(size);
  }
  if (!done) throw std::runtime_error("cannot compress the test data");
  if (format != Compression::kNone) return out.substr(0, size);
#endif
  return std::string(text);
}

}  // namespace sirvane::testing
