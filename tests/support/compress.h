#pragma once
// Test data as gzip, bzip2, xz and zstd (with its frame checksum) would write it.
#include <string>
#include <string_view>

#include "platform/decompressor.h"

namespace sirvane::testing {

// One complete stream holding `text`; bzip2 blocks of 100 kB, so a few MB make many.
std::string Compress(Compression format, std::string_view text);

}  // namespace sirvane::testing
