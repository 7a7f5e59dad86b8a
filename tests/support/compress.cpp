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

#if SIRVANE_WITH_COMPRESSION

namespace {

std::string Gzip(std::string_view text) {
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflate");
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

std::string Bzip2(std::string_view text) {
  unsigned int size = static_cast<unsigned int>(text.size() + text.size() / 100 + 600);
  std::string out(size, '\0');
  if (BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(text.data()),
                               static_cast<unsigned int>(text.size()), 1, 0, 0) != BZ_OK) {
    throw std::runtime_error("bzip2");
  }
  out.resize(size);
  return out;
}

std::string Xz(std::string_view text) {
  std::string out(lzma_stream_buffer_bound(text.size()), '\0');
  std::size_t size = 0;
  if (lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(text.data()),
                              text.size(), reinterpret_cast<std::uint8_t*>(out.data()), &size,
                              out.size()) != LZMA_OK) {
    throw std::runtime_error("xz");
  }
  out.resize(size);
  return out;
}

std::string Zstd(std::string_view text) {
  ZSTD_CCtx* context = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
  std::string out(ZSTD_compressBound(text.size()), '\0');
  const std::size_t size = ZSTD_compress2(context, out.data(), out.size(), text.data(), text.size());
  ZSTD_freeCCtx(context);
  if (ZSTD_isError(size)) throw std::runtime_error("zstd");
  out.resize(size);
  return out;
}

}  // namespace

std::string Compress(Compression format, std::string_view text) {
  switch (format) {
    case Compression::kGzip: return Gzip(text);
    case Compression::kBzip2: return Bzip2(text);
    case Compression::kXz: return Xz(text);
    case Compression::kZstd: return Zstd(text);
    case Compression::kNone: break;
  }
  return std::string(text);
}

#else

std::string Compress(Compression, std::string_view text) { return std::string(text); }

#endif

}  // namespace sirvane::testing
