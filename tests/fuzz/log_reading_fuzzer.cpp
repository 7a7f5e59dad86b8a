// Every fast way of reading a log against the plain one. The first six bytes
// choose the configuration (separator, the positions of name, byte count, URL
// and address, ASCII or UTF-8 lower-casing), the rest is the log; every way
// must build the same tables.
#include <clocale>
#include <cstdint>
#include <string>

#include "fuzz/check.h"
#include "support/reading_ways.h"
#include "support/temp_dir.h"

namespace {

// Positions outside 1 to 1000 are left out: such a configuration is read
// the plain way only (and the reading test covers it).
std::int32_t Position(std::uint8_t byte) { return 1 + byte % 10; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sirvane;
  if (size < 6) return 0;
  static const testing::TempDir dir;
  static const LowerCase ascii;
  static const LowerCase utf8 = [] {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C.UTF-8");  // where it is not installed, both are ASCII
    const LowerCase lower = LowerCase::FromCurrentLocale();
    std::setlocale(LC_CTYPE, previous.c_str());
    return lower;
  }();
  static const auto ways = testing::ReadingWays();

  Settings settings;
  static const char kSeparators[] = " ,\tx;/";
  settings.Separator = data[0] < 6 ? kSeparators[data[0]] : static_cast<char>(data[0]);
  settings.NameField = Position(data[1]);
  settings.BytesField = Position(data[2]);
  settings.QueryField = Position(data[3]);
  settings.IpField = data[4] >= 128 ? 0 : Position(data[4]);
  // A separator above 127 is left to the plain way in UTF-8: taken with ASCII
  // lower-casing instead, so that the input still compares the fast ways.
  const bool utf8_mode = (data[5] & 1) != 0 && static_cast<unsigned char>(settings.Separator) < 0x80;
  const LowerCase& lower = utf8_mode ? utf8 : ascii;
  const std::string log(reinterpret_cast<const char*>(data + 6), size - 6);

  const std::string plain = testing::ReadAndDump(dir.path(), log, settings, lower, ways.front().second);
  for (std::size_t i = 1; i < ways.size(); ++i) {
    Check(testing::ReadAndDump(dir.path(), log, settings, lower, ways[i].second) == plain);
  }
  return 0;
}
