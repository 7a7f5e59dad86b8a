#include "report/page_templates.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace sirvane {
namespace {

// The fixed text of the header ends just before the period.
constexpr std::size_t kHeaderFixedLength = 644;
const char* const kTitleBoxEnd = "</big>\r\n</td></tr></table></p></center>";

TEST(PageTemplatesTest, FixedTemplatesHaveTheirExactLengths) {
  PageTemplates t;
  BuildPageTemplates(t, 3, 2026);
  EXPECT_EQ(t.TableOpen.size(), 45u);
  EXPECT_EQ(t.TableClose.size(), 8u);
  EXPECT_EQ(t.UserTableHeader.size(), 251u);
  EXPECT_EQ(t.UrlTableHeader.size(), 167u);
  EXPECT_EQ(t.PageFooter.size(), 49u);
  EXPECT_EQ(t.PageHeader.size(), 690u);
  EXPECT_EQ(t.PageHeader.substr(kHeaderFixedLength - 12, 12), "statistic:  ");
  // The document title carries no period; only the title box does.
  EXPECT_NE(t.PageHeader.find("<title>Internet usage statistic</title>\r\n"), std::string::npos);
}

TEST(PageTemplatesTest, TitleBoxShowsThePeriod) {
  struct Case {
    std::int32_t month;
    std::int32_t year;
    std::string period;
  };
  const Case cases[] = {
      {3, 2026, "03.2026"}, {9, 2026, "09.2026"}, {10, 2026, "10.2026"}, {12, 1999, "12.1999"},
      {13, 2026, "13.2026"},  // the month is not checked
      {100, 2026, "100.2026"}, {3, 5, "03.5"},  // a short year keeps the digits it has
  };
  for (const Case& c : cases) {
    PageTemplates t;
    BuildPageTemplates(t, c.month, c.year);
    ASSERT_GT(t.PageHeader.size(), kHeaderFixedLength);
    EXPECT_EQ(t.PageHeader.substr(kHeaderFixedLength), c.period + kTitleBoxEnd)
        << c.month << "." << c.year;
  }
}

TEST(PageTemplatesTest, FillingAgainReplacesInsteadOfAppending) {
  PageTemplates once;
  BuildPageTemplates(once, 3, 2026);
  PageTemplates twice;
  BuildPageTemplates(twice, 11, 1990);
  BuildPageTemplates(twice, 3, 2026);
  EXPECT_EQ(twice.PageHeader, once.PageHeader);
  EXPECT_EQ(twice.Banner, once.Banner);
  EXPECT_EQ(twice.UserTableHeader, once.UserTableHeader);
}

TEST(PageTemplatesTest, BannerWorksOffline) {
  PageTemplates t;
  BuildPageTemplates(t, 3, 2026);
  const std::string& banner = t.Banner;
  EXPECT_EQ(banner.find("http"), std::string::npos) << banner;
  EXPECT_EQ(banner.find_first_of("\r\n"), std::string::npos);

  const std::string open = "<center><p><a href=\"";
  const std::string image = "\" target=\"_blank\"><img src=\"";
  const std::string size = "\" width=\"468\" height=\"18\" border=\"0\" alt=\"";
  const std::string close = "\"></a></p></center>";
  ASSERT_EQ(banner.compare(0, open.size(), open), 0) << banner;
  const std::size_t image_at = banner.find(image);
  const std::size_t size_at = banner.find(size);
  ASSERT_NE(image_at, std::string::npos);
  ASSERT_NE(size_at, std::string::npos);
  ASSERT_GT(size_at, image_at);
  EXPECT_GT(image_at, open.size()) << "the banner needs a link target";
  EXPECT_EQ(banner.compare(image_at + image.size(), 5, "data:"), 0) << "the image must be inline";
  ASSERT_GE(banner.size(), size_at + size.size() + close.size());
  EXPECT_EQ(banner.substr(banner.size() - close.size()), close);
  EXPECT_GT(banner.size(), size_at + size.size() + close.size()) << "the banner needs an alternative text";
}

}  // namespace
}  // namespace sirvane
