#include "report/page_templates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

namespace sirvane {
namespace {

// The exact bytes are checked by the golden pages. Here: the period as given
// (neither the month checked nor the year padded), and a second filling of
// the same templates replaces the first instead of appending to it.
TEST(PageTemplatesTest, TitleBoxShowsThePeriodAndRebuildingReplacesAll) {
  const std::tuple<std::int32_t, std::int32_t, std::string> cases[] = {
      {9, 2026, "09.2026"}, {10, 1999, "10.1999"}, {13, 2026, "13.2026"}, {3, 5, "03.5"}};
  PageTemplates reused;
  BuildPageTemplates(reused, 11, 1990);
  for (const auto& [month, year, period] : cases) {
    PageTemplates fresh;
    BuildPageTemplates(fresh, month, year);
    EXPECT_TRUE(fresh.PageHeader.ends_with(":  " + period + "</big>\r\n</td></tr></table></p></center>")) << period;
    BuildPageTemplates(reused, month, year);
    for (std::string PageTemplates::*part : {&PageTemplates::PageHeader, &PageTemplates::Banner,
                                             &PageTemplates::TableOpen, &PageTemplates::TableClose,
                                             &PageTemplates::UserTableHeader, &PageTemplates::UrlTableHeader,
                                             &PageTemplates::PageFooter}) {
      EXPECT_EQ(reused.*part, fresh.*part) << period;
    }
  }
}

}  // namespace
}  // namespace sirvane
