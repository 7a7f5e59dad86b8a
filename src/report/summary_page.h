#pragma once
#include "report/page_names.h"
#include "report/report_context.h"
#include "usage/usage_tables.h"

namespace sirvane {

// report.html: a row per visible user linking to the user's page, the row of
// all hidden users and the total. Gives every visible user its page name.
void WriteSummaryPage(UsageTables& tables, const ReportContext& context);

// The cells shared by both kinds of page: the traffic and prognosis of a user,
// highlighted against the limit, after `close_name_cell`.
void AppendUserFigures(std::string& out, const TReportRec& user, const ReportContext& context,
                       const char* close_name_cell);

// "Date of creation of the report: " with the date of `now`.
std::string CreationDateLine(const ReportContext& context, const LocalDateTime& now);

}  // namespace sirvane
