#include "report/page_templates.h"

namespace sirvane {

namespace {

// The banner works offline: it links to the summary page and its image is
// inline, so opening a report makes no request to another site.
constexpr const char* kBannerLink = "report.html";
constexpr const char* kBannerImage =
    "data:image/svg+xml;base64,"
    "PHN2ZyB4bWxucz0iaHR0cDovL3d3dy53My5vcmcvMjAwMC9zdmciIHdpZHRoPSI0NjgiIGhlaWdodD0iMTgiPjxyZWN0IHdpZHRoPSI0NjgiIGhlaWdodD0iMTgiIGZpbGw9IiNGRjAwMDAiLz48dGV4dCB4PSIyMzQiIHk9IjEzIiBmb250LWZhbWlseT0ic2Fucy1zZXJpZiIgZm9udC1zaXplPSIxMSIgZmlsbD0iI0ZGRkZGRiIgdGV4dC1hbmNob3I9Im1pZGRsZSI+U2lydmFuZSBpbnRlcm5ldCB1c2FnZSByZXBvcnQ8L3RleHQ+PC9zdmc+";
constexpr const char* kBannerText = "Sirvane internet usage report";

}  // namespace

void BuildPageTemplates(PageTemplates& t, std::int32_t report_month, std::int32_t report_year) {
  t.Banner = std::string("<center><p><a href=\"") + kBannerLink + "\" target=\"_blank\"><img src=\"" +
             kBannerImage + "\" width=\"468\" height=\"18\" border=\"0\" alt=\"" + kBannerText +
             "\"></a></p></center>";
  t.PageHeader =
      "<html>\r\n"
      "<head>\r\n"
      "<style type=\"text/css\" rel=\"stylesheet\"> \r\n"
      "A:link {text-decoration: none;color=\"#0000FF\";font-size=\"12\"}\r\n"
      "A:visited {text-decoration: none;color=\"#0000FF\"; font-size=\"12\"}\r\n"
      "A:active {text-decoration:none;color=\"#0000FF\"; font-size=\"12\"}\r\n"
      "A:hover {text-decoration:none; color=#FF0000;font-size=\"12\"}\r\n"
      "P:{font-size=\"12\"}\r\n"
      "</style>\r\n"
      "<title>Internet usage statistic</title>\r\n"
      "</head>\r\n"
      "<body><center>\r\n"
      "<p align=\"center\"><table border=\"2\" width=\"85%\" style=\"border: thin groove rgb(255,0,0)\" "
      "bordercolor=\"#FF0000\" bordercolorlight=\"#FF0000\"  bordercolordark=\"#FF0000\"><tr><td "
      "width=\"85%\" align=\"center\"><big>Internet usage statistic:  ";
  t.PageFooter = "<br><small>Sirvane,1.05</small></p></body></html>";
  t.TableOpen = "<table border=\"1\" width=\"85%\" align=\"center\">";
  t.TableClose = "</table>";
  t.UserTableHeader =
      "<tr><td width=\"50%\" align=\"left\"><p align=\"center\"><strong>user:</strong></td>\r\n"
      "<td width=\"25%\" align=\"center\"><p align=\"center\"><strong>traffic:</strong></td>\r\n"
      "<td width=\"25%\" align=\"center\"><p align=\"center\"><strong>prognosis:</strong></td>\r\n"
      "</tr>\r\n";
  t.UrlTableHeader =
      "<tr><td width=\"60%\" align=\"left\"><p align=\"center\"><strong>URL:</strong></td>\r\n"
      "<td width=\"40%\" align=\"center\"><p align=\"center\"><strong>traffic:</strong></td>\r\n"
      "</tr>\r\n";

  if (report_month < 10) t.PageHeader += "0";
  t.PageHeader += std::to_string(report_month);
  t.PageHeader += ".";
  t.PageHeader += std::to_string(report_year);
  t.PageHeader += "</big>\r\n";
  t.PageHeader += "</td></tr></table></p></center>";
}

}  // namespace sirvane
