// The line reader against a plain splitter: lines end at LF, CR LF or a lone
// CR, and a last line without an end counts. The first two bytes give a number
// of 'x' bytes put in front of the rest, so that line ends also fall on the
// reader's 1 MiB block boundaries.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "platform/line_reader.h"
#include "support/temp_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t padding = (std::size_t{data[0]} | std::size_t{data[1]} << 8) * 32;  // up to 2 MiB
  const std::string text =
      std::string(padding, 'x') + std::string(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::vector<std::string> expected;
  for (std::size_t i = 0, end; i < text.size(); i = end + 1) {
    end = std::min(text.find_first_of("\r\n", i), text.size());
    expected.push_back(text.substr(i, end - i));
    if (text.compare(end, 2, "\r\n") == 0) ++end;
  }

  static const sirvane::testing::TempDir scratch;
  sirvane::testing::WriteFile(scratch.File("access.log"), text);
  sirvane::LineReader reader;
  reader.Open(scratch.File("access.log"));
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.emplace_back(reader.ReadLine());
  Check(lines == expected);
  return 0;
}
