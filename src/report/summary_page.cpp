#include "report/summary_page.h"

#include "platform/text_file.h"
#include "report/html_encoding.h"
#include "report/numbers.h"
#include "usage/post_processing.h"

namespace sirvane {

void AppendUserFigures(std::string& out, const TReportRec& user, const ReportContext& context,
                       const char* close_name_cell) {
  const std::int64_t limit = context.settings.Limit;
  const std::int64_t projected_bytes = Project(user.Traffic, context.prognosis_factor);
  const bool traffic_high = limit > 0 && user.Traffic >= limit;
  const bool prognosis_high = limit > 0 && projected_bytes >= limit;

  out += close_name_cell;
  out += traffic_high ? "<td width=\"25%\" align=\"center\"><font color=\"#FF0000\"><strong>"
                      : "<td width=\"25%\" align=\"center\">";
  out += std::to_string(KiloBytes(user.Traffic));
  out += traffic_high ? "K</strong></font></td>" : "K</td>";
  out += prognosis_high ? "<td width=\"25%\" align=\"center\"><font color=\"#FF0000\"><strong>"
                        : "<td width=\"25%\" align=\"center\">";
  out += std::to_string(ProjectKiloBytes(user.Traffic, context.prognosis_factor));
  out += prognosis_high ? "K</strong></font></td></tr>" : "K</td></tr>";
}

std::string CreationDateLine(const ReportContext& context, const LocalDateTime& now) {
  return "<p align=\"right\">&nbsp;</p><p align=\"right\">Date of creation of the report: " +
         FormatDate(context.formats, now);
}

void WriteSummaryPage(UsageTables& tables, const ReportContext& context) {
  const PageTemplates& t = context.templates;
  TextFileWriter file;
  file.Create(context.settings.OutputPath + "report.html", context.staged_files);
  file.WriteLine(t.PageHeader);
  file.WriteLine(t.Banner);
  file.WriteLine(t.TableOpen);
  file.WriteLine(t.UserTableHeader);

  PageNames page_names(tables.Users.size(), tables.HashSeed());
  std::int64_t hidden_sum = 0;
  std::int64_t total_sum = 0;
  std::string row;
  for (std::size_t position = 0; position < tables.Users.size(); ++position) {
    const TReportRec& user = tables.Users[position];
    const std::int64_t kilobytes = KiloBytes(user.Traffic);
    if (IsVisibleUser(user, context.settings)) {
      const std::string_view page_name = page_names.Assign(position, user.UserName);
      row.assign("<tr>\r\n<td width=\"50%\" align=\"left\"><a href=\"");
      AppendUrlPath(row, std::string(page_name) + ".html");
      row += "\">";
      AppendHtmlText(row, user.UserName);
      AppendUserFigures(row, user, context, "</a></td>");
      file.WriteLine(row);
    } else {
      hidden_sum = SaturatingAdd(hidden_sum, kilobytes);
    }
    total_sum = SaturatingAdd(total_sum, kilobytes);
  }
  tables.AdoptPageNames(page_names.TakeNames(), page_names.arena());

  const double factor = context.prognosis_factor;
  file.WriteLine("<tr><td width=\"50%\" align=\"left\">unknown</td>\r\n<td width=\"25%\" align=\"center\">" +
                 std::to_string(hidden_sum) + "K</td><td width=\"25%\" align=\"center\">" +
                 std::to_string(Project(hidden_sum, factor)) + "K</td></tr>");
  file.WriteLine(
      "<tr><td width=\"50%\" align=\"left\"><strong>total:</strong></td>\r\n<td width=\"25%\" "
      "align=\"center\"><strong>" +
      std::to_string(total_sum) + "K</strong></td><td width=\"25%\" align=\"center\"><strong>" +
      std::to_string(Project(total_sum, factor)) + "K</strong></td></tr>");
  file.WriteLine(t.TableClose);
  file.WriteLine(CreationDateLine(context, context.clock.Now()));
  file.WriteLine(t.PageFooter);
  file.Close();
}

}  // namespace sirvane
