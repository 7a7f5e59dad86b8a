#include "report/page_templates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace sirvane {
namespace {

constexpr std::size_t kHeaderBeforePeriod = 644;

TEST(PageTemplatesTest, FixedTemplatesHaveTheirExactLengths) {
  PageTemplates t;
  BuildPageTemplates(t, 11, 1990);
  BuildPageTemplates(t, 3, 2026);  // must replace the first filling, not append to it
  EXPECT_EQ(t.TableOpen.size(), 45u);
  EXPECT_EQ(t.TableClose.size(), 8u);
  EXPECT_EQ(t.UserTableHeader.size(), 251u);
  EXPECT_EQ(t.UrlTableHeader.size(), 167u);
  EXPECT_EQ(t.PageFooter.size(), 49u);
  EXPECT_EQ(t.PageHeader.size(), 690u);
  EXPECT_EQ(t.Banner.rfind("<center>"), 0u);
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
