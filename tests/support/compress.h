#pragma once
// Test data compressed with each library's own encoder, as the usual command-line
// tools would write it (gzip, bzip2, xz, zstd with its frame checksum).
#include <string>
#include <string_view>

#include "platform/decompressor.h"

namespace sirvane::testing {

// One complete stream (gzip member, bzip2 or xz stream, zstd frame) holding `text`.
// bzip2 uses its smallest block (100 kB), so that a few MB make many blocks.
std::string Compress(Compression format, std::string_view text);

}  // namespace sirvane::testing
