#pragma once
// The fixed pieces of HTML the pages are assembled from.
#include <cstdint>
#include <string>

namespace sirvane {

struct PageTemplates {
  std::string PageHeader;
  std::string Banner;
  std::string TableOpen;
  std::string TableClose;
  std::string UserTableHeader;
  std::string UrlTableHeader;
  std::string PageFooter;
};

// Fills every template; the header's title box shows the report period.
void BuildPageTemplates(PageTemplates& templates, std::int32_t report_month, std::int32_t report_year);

}  // namespace sirvane
