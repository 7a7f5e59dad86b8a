#pragma once
#include "report/report_context.h"
#include "usage/usage_tables.h"

namespace sirvane {

// One page per visible user: the user's figures and the hosts the traffic
// went to. Needs the page names given by the summary page.
// Pages are written on up to two threads when the machine has two cores.
void WriteUserPages(const UsageTables& tables, const ReportContext& context);
// The same on at most `threads` threads (1: one after the other).
void WriteUserPages(const UsageTables& tables, const ReportContext& context, unsigned threads);

}  // namespace sirvane
