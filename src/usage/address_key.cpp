#include "usage/address_key.h"

namespace sirvane {

void AppendIpv4(std::string& out, std::uint64_t key) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto number = static_cast<unsigned>((key >> shift) & 0xFF);
    if (shift != 24) out += '.';
    if (number >= 100) out += static_cast<char>('0' + number / 100);
    if (number >= 10) out += static_cast<char>('0' + number / 10 % 10);
    out += static_cast<char>('0' + number % 10);
  }
}

}  // namespace sirvane
