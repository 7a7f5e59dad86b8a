#include "usage/address_key.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sirvane {
namespace {

// An address is a number only when writing the number gives the same text
// back: otherwise two spellings of one address would become one.
TEST(AddressKeyTest, OnlyTheUsualSpellingOfAnIpv4AddressIsANumber) {
  for (const char* text : {"0.0.0.0", "10.0.0.1", "1.2.3.4", "192.168.100.254", "255.255.255.255", "9.99.199.200"}) {
    const std::uint64_t key = Ipv4Key(text);
    ASSERT_TRUE(IsIpv4Key(key)) << text;
    std::string back = "x";
    AppendIpv4(back, key);
    EXPECT_EQ(back, std::string("x") + text);
  }
  for (const char* text : {"", "1.2.3", "1.2.3.4.", ".1.2.3.4", "1.2.3.4.5", "01.2.3.4", "1.2.3.04", "1.2.3.00",
                           "256.1.1.1", "1.2.3.1000", "1..2.3", "1.2.3.a", "a.b.c.d", "1.2.3.4 ", "1,2,3,4",
                           "::1", "fe80::1", "1.2.3.4:80", "-", "0000.0.0.0", "1.2.3.-4", "1.2.3.4\xB2"}) {
    EXPECT_EQ(Ipv4Key(text), kNoAddress) << text;
  }
}

// The kept answers are exact: near-misses of kept texts (an octet longer, a
// byte changed in the middle, a leading zero) get their own answers, however
// often each text comes back.
TEST(AddressKeyTest, KeptAnswersAreThoseOfTheTextItself) {
  std::mt19937 rng(5);
  const char* const octets[] = {"1", "0", "25", "255", "256", "01", "199", "7"};
  Ipv4Keys keys;
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    for (int part = 0; part < 4; ++part) text += std::string(part > 0 ? "." : "") + octets[rng() % 8];
    if (rng() % 4 == 0) text[rng() % text.size()] = "x.9"[rng() % 3];
    ASSERT_EQ(keys(text), Ipv4Key(text)) << text;
  }
}

}  // namespace
}  // namespace sirvane
