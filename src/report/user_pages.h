#pragma once
#include "report/report_context.h"
#include "usage/usage_tables.h"

namespace sirvane {

// One page per visible user: the user's figures and the hosts the traffic
// went to. Needs the PageName given by the summary page.
void WriteUserPages(const UsageTables& tables, const ReportContext& context);

}  // namespace sirvane
