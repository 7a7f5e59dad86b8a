#pragma once
#include "report/report_context.h"
#include "usage/usage_tables.h"

namespace sirvane {

// ipaccess.txt: every user (visible or not) with the client addresses used.
void WriteAddressList(const UsageTables& tables, const ReportContext& context);

}  // namespace sirvane
