#include "report/page_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace sirvane {
namespace {

// Each case gives the user names of one run, in order, and the page names they must get.
TEST(PageNamesTest, AssignsUsableUniqueNames) {
  struct Case {
    std::vector<std::string> users;
    std::vector<std::string> pages;
  };
  const std::string a200(200, 'a');
  const Case cases[] = {
      {{"sales/clerk", "dom\\user", "a<b>:\"|?*c"}, {"salesclerk", "domuser", "a_b______c"}},
      // Only bytes below 32 are control bytes; UTF-8 stays as it is.
      {{std::string("\x01x\tz\x7F", 5), "m\xC3\xBCller"}, {std::string("_x_z\x7F", 5), "m\xC3\xBCller"}},
      {{"\\//", ""}, {"_", "__2"}},
      {{"con", "nul", "LPT9", "c/om1", "com0", "console"}, {"con_", "nul_", "LPT9_", "com1_", "com0", "console"}},
      {{"report", "report/"}, {"report_2", "report_3"}},  // the summary page's own name
      {{"a/b", "ab", "a\\b"}, {"ab", "ab_2", "ab_3"}},
      // A suffix already taken by a real user is skipped, either way round.
      {{"x", "x_2", "x/"}, {"x", "x_2", "x_3"}},
      {{"x_2", "x", "x/"}, {"x_2", "x", "x_3"}},
      {{std::string(250, 'a'), std::string(201, 'a'), a200}, {a200, a200 + "_2", a200 + "_3"}},
  };
  for (const Case& c : cases) {
    PageNames names;
    std::vector<std::string> pages;
    for (const std::string& user : c.users) pages.push_back(names.Assign(user));
    EXPECT_EQ(pages, c.pages) << ::testing::PrintToString(c.users);
  }
}

// Thousands of names, many of them the same after cleaning, with and without
// room made beforehand: every name given is new, and a repeated name takes
// the next free suffix.
TEST(PageNamesTest, ManyNamesStayUniqueAsTheIndexGrows) {
  for (const bool reserve : {false, true}) {
    PageNames names(reserve ? 42 : 7);
    if (reserve) names.Reserve(6000);
    std::vector<std::string> given;
    for (int i = 0; i < 3000; ++i) given.push_back(names.Assign("u" + std::to_string(i)));
    for (int i = 0; i < 3000; ++i) given.push_back(names.Assign(i % 2 == 0 ? "u/1" : "u1_" + std::to_string(i)));
    std::vector<std::string> sorted = given;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << reserve;
    EXPECT_EQ(given[3000], "u1_2");  // "u1" is taken by the second user
    EXPECT_EQ(given[3001], "u1_1");
    EXPECT_EQ(given[3002], "u1_3");
    EXPECT_EQ(given[3003], "u1_3_2");  // "u1_3" was given to "u/1"
  }
}

}  // namespace
}  // namespace sirvane
