#include "usage/host_address.h"

#include <gtest/gtest.h>

#include <random>

#include "text/split_fields.h"

namespace sirvane {
namespace {

// The host, the URL's second field split at slashes, is found 64 bytes at a time:
// slashes and URL ends on every side of those boundaries, against the full split.
TEST(HostOfUrlTest, AgreesWithTheSplitAtEveryLength) {
  std::mt19937 random(11);
  TTokenizedlogrec record;
  for (int i = 0; i < 20000; ++i) {
    std::string url(random() % 200, 'a');
    const unsigned slash_share = 1 + random() % 8;  // from mostly slashes to hardly any
    for (char& c : url) {
      if (random() % 10 < slash_share) c = random() % 3 == 0 ? '/' : 'h';
      if (random() % 50 == 0) c = '/';
    }
    SplitFields(url, '/', record, LowerCase());
    ASSERT_EQ(HostOfUrl(url), record.Field(2)) << url;
  }
}

}  // namespace
}  // namespace sirvane
