#include "report/page_templates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace sirvane {
namespace {

constexpr std::size_t kHeaderBeforePeriod = 644;

// The exact bytes are checked by the golden pages; a second filling must
// replace the first, not append to it.
TEST(PageTemplatesTest, RebuildingReplacesTheTemplates) {
  PageTemplates reused;
  BuildPageTemplates(reused, 11, 1990);
  BuildPageTemplates(reused, 3, 2026);
  PageTemplates fresh;
  BuildPageTemplates(fresh, 3, 2026);
  for (std::string PageTemplates::*part : {&PageTemplates::PageHeader, &PageTemplates::Banner,
                                           &PageTemplates::TableOpen, &PageTemplates::TableClose,
                                           &PageTemplates::UserTableHeader, &PageTemplates::UrlTableHeader,
                                           &PageTemplates::PageFooter}) {
    EXPECT_EQ(reused.*part, fresh.*part);
  }
}

TEST(PageTemplatesTest, TitleBoxShowsThePeriod) {
  struct Case {
    std::int32_t month;
    std::int32_t year;
    std::string period;
  };
  // Neither the month is checked nor the year padded.
  const Case cases[] = {{9, 2026, "09.2026"}, {10, 1999, "10.1999"}, {13, 2026, "13.2026"}, {3, 5, "03.5"}};
  for (const Case& c : cases) {
    PageTemplates t;
    BuildPageTemplates(t, c.month, c.year);
    ASSERT_GT(t.PageHeader.size(), kHeaderBeforePeriod);
    EXPECT_EQ(t.PageHeader.substr(kHeaderBeforePeriod), c.period + "</big>\r\n</td></tr></table></p></center>");
  }
}

}  // namespace
}  // namespace sirvane
