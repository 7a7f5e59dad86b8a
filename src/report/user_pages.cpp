#include "report/user_pages.h"

#include "platform/text_file.h"
#include "report/html_encoding.h"
#include "report/numbers.h"
#include "report/summary_page.h"
#include "usage/post_processing.h"

namespace sirvane {

namespace {

void WriteUserPage(const TReportRec& user, const ReportContext& context) {
  const PageTemplates& t = context.templates;
  TextFileWriter file;
  file.Create(context.settings.OutputPath + user.PageName + ".html", context.staged_files);
  file.WriteLine(t.PageHeader);
  file.WriteLine(t.Banner);
  file.WriteLine("<p align=\"center\">");
  file.WriteLine(t.TableOpen);
  file.WriteLine(t.UserTableHeader);

  std::string row = "<tr>\r\n<td width=\"50%\" align=\"left\"><strong>";
  AppendHtmlText(row, user.UserName);
  AppendUserFigures(row, user, context, "</strong></td>");
  file.WriteLine(row);

  file.WriteLine(t.TableClose);
  file.WriteLine("</p>");
  file.WriteLine("<p align=\"center\">");
  file.WriteLine(t.TableOpen);
  file.WriteLine(t.UrlTableHeader);
  const THistoryRec& history = user.History;
  for (std::size_t j = 0; j < history.Hosts.size(); ++j) {
    if (history.HostTraffic[j] <= 0) continue;
    row.assign("<tr><td width=\"60%\" align=\"left\">");
    AppendHtmlText(row, history.Hosts[j]);
    row += "</td><td width=\"40%\" align=\"center\">";
    row += std::to_string(KiloBytes(history.HostTraffic[j]));
    row += "K</td></tr>";
    file.WriteLine(row);
  }
  file.WriteLine(t.TableClose);
  file.WriteLine("</p>");
  file.WriteLine(CreationDateLine(context));
  file.WriteLine(t.PageFooter);
  file.Close();
}

}  // namespace

void WriteUserPages(const UsageTables& tables, const ReportContext& context) {
  for (const TReportRec& user : tables.Users) {
    if (IsVisibleUser(user, context.settings)) WriteUserPage(user, context);
  }
}

}  // namespace sirvane
