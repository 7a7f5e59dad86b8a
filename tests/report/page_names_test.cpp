#include "report/page_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sirvane {
namespace {

// Each case gives the user names of one run, in order, and the page names they must get.
TEST(PageNamesTest, AssignsUsableUniqueNames) {
  const std::string a200(200, 'a');
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"sales/clerk", "dom\\user", "a<b>:\"|?*c"}, {"salesclerk", "domuser", "a_b______c"}},
      // Only bytes below 32 are control bytes; UTF-8 stays as it is.
      {{std::string("\x01x\tz\x7F", 5), "m\xC3\xBCller"}, {std::string("_x_z\x7F", 5), "m\xC3\xBCller"}},
      {{"\\//", ""}, {"_", "__2"}},
      // No page is a hidden file: leading dots, left by a removed '/' or making
      // up the whole name, become '_'; dots further in stay.
      {{"/.202.8", ".", "...", "\\..x.", "a.b."}, {"_202.8", "_", "___", "__x.", "a.b."}},
      {{"con", "nul", "LPT9", "c/om1", "com0", "console", "com10"},
       {"con_", "nul_", "LPT9_", "com1_", "com0_", "console", "com10"}},
      // Superscript digits, in a Latin code page and in UTF-8, are digits too.
      {{"com\xB9", "LPT\xC2\xB2.x", "com\xB4", "lpt\xC2\xB4"},
       {"com\xB9_", "LPT\xC2\xB2_.x", "com\xB4", "lpt\xC2\xB4"}},
      // Windows opens the device for a device name before any dot too.
      {{"con.x", "AUX.tar.gz", "nul.", "conx.y", "x.con", ".con"},
       {"con_.x", "AUX_.tar.gz", "nul_.", "conx.y", "x.con", "_con"}},
      // A changed name that meets a real user's gets a suffix like any other.
      {{"_x", ".x", "con_.x", "con.x"}, {"_x", "_x_2", "con_.x", "con_.x_2"}},
      {{"report", "report/"}, {"report_2", "report_3"}},  // the summary page's own name
      // The first name that must change meets names given before it was needed.
      {{"a", "report", "a/"}, {"a", "report_2", "a_2"}},
      // A suffix already taken by a real user is skipped.
      {{"x", "x_2", "x/"}, {"x", "x_2", "x_3"}},
      {{"x", "x/", "x_2"}, {"x", "x_2", "x_2_2"}},  // and a real user's name taken as a suffix gets one too
      {{std::string(250, 'a'), std::string(201, 'a'), a200}, {a200, a200 + "_2", a200 + "_3"}},
  };
  for (const auto& [users, expected] : cases) {
    PageNames names(users.size());
    StringArena arena;
    std::vector<std::string> pages;
    for (std::size_t k = 0; k < users.size(); ++k) {
      const CountedString user = arena.CopyCounted(users[k]);
      const std::string_view page = names.Assign(k, user);
      pages.emplace_back(page);
      // A name that needs no change is the user's own, not a copy.
      if (page == users[k] && !page.empty()) {
        EXPECT_EQ(page.data(), user.view().data()) << users[k];
      }
    }
    const std::vector<CountedString> kept = names.TakeNames();
    for (std::size_t k = 0; k < users.size(); ++k) EXPECT_EQ(kept.at(k).view(), pages[k]);
    EXPECT_EQ(pages, expected) << ::testing::PrintToString(users);
  }
  // A user without a page (one not shown) leaves its position empty; the
  // names around it still count.
  PageNames names(3);
  StringArena arena;
  EXPECT_EQ(names.Assign(0, arena.CopyCounted("x")), "x");
  EXPECT_EQ(names.Assign(2, arena.CopyCounted("x/")), "x_2");
  EXPECT_TRUE(names.TakeNames().at(1).empty());
}

}  // namespace
}  // namespace sirvane
