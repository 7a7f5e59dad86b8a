#pragma once
#include "report/report_context.h"
#include "usage/usage_tables.h"

namespace sirvane {

// Whether the user pages on disk may be this run's, byte for byte: the last
// run's summary page ends as this run's will, with the same date line and
// footer, and so does every page. When it does not (the first run of a day),
// every page differs by its date, and reading a million old pages (from disk,
// on a nightly run) only to find that costs more than writing them. Call it
// before the summary page is replaced.
bool OldPagesMayMatch(const ReportContext& context);

// One page per visible user: the user's figures and the hosts the traffic
// went to. Needs the page names given by the summary page.
// Pages are written on up to two threads when the machine has two cores.
void WriteUserPages(const UsageTables& tables, const ReportContext& context);
// The same on at most `threads` threads (1: one after the other).
void WriteUserPages(const UsageTables& tables, const ReportContext& context, unsigned threads);

}  // namespace sirvane
