#include "report/page_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sirvane {
namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += "[" + name + "]";
  return text;
}

// Each case gives the user names of one run, in order, and the page names
// they must get.
TEST(PageNamesTest, AssignsUsableUniqueNames) {
  struct Case {
    std::vector<std::string> users;
    std::vector<std::string> pages;
  };
  const std::string a200(200, 'a');
  const Case cases[] = {
      {{"admin"}, {"admin"}},
      {{"sales/clerk", "dom\\user"}, {"salesclerk", "domuser"}},
      {{"a<b>:\"|?*c"}, {"a_b______c"}},
      {{std::string("\x01x\tz\x7F", 5)}, {std::string("_x_z\x7F", 5)}},  // only bytes below 32 are control
      {{"m\xC3\xBCller"}, {"m\xC3\xBCller"}},
      // Nothing left: the page still needs a name.
      {{"\\//", ""}, {"_", "__2"}},
      {{std::string(250, 'a')}, {a200}},
      // Names the file system reserves for devices.
      {{"con", "nul", "LPT9", "c/om1", "com0", "console"}, {"con_", "nul_", "LPT9_", "com1_", "com0", "console"}},
      // The summary page's own name is never handed out.
      {{"report", "report/"}, {"report_2", "report_3"}},
      // Names that meet after cleaning are numbered in order of appearance.
      {{"a/b", "ab", "a\\b"}, {"ab", "ab_2", "ab_3"}},
      // A suffix already taken by a real user is skipped, either way round.
      {{"x", "x_2", "x/"}, {"x", "x_2", "x_3"}},
      {{"x_2", "x", "x/"}, {"x_2", "x", "x_3"}},
      {{std::string(201, 'a'), a200}, {a200, a200 + "_2"}},
  };
  for (const Case& c : cases) {
    PageNames names;
    std::vector<std::string> pages;
    for (const std::string& user : c.users) pages.push_back(names.Assign(user));
    EXPECT_EQ(pages, c.pages) << Joined(c.users);
  }
}

TEST(PageNamesTest, ManyUsersSharingOneNameGetDistinctNames) {
  PageNames names;
  std::vector<std::string> pages;
  for (int i = 0; i < 1000; ++i) pages.push_back(names.Assign(i % 2 == 0 ? "u/x" : "ux"));
  EXPECT_EQ(pages[0], "ux");
  for (int i = 1; i < 1000; ++i) EXPECT_EQ(pages[i], "ux_" + std::to_string(i + 1));
}

}  // namespace
}  // namespace sirvane
