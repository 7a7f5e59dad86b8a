#pragma once
// Finds the log files, reads them in turn, post-processes the tables and hands
// over to the report writers, logging its progress in the working report.
#include <string>

#include "app/run.h"

namespace sirvane {

void AnalyzeLogs(Run& run);

// The run statistics in the working report, then every report file.
void CreateReports(Run& run);

// 30 divided by the day of the month, never below 1; exactly 1 for a final report.
double PrognosisFactorFor(int day_of_month, bool final_report);

// The directory part of the input mask, to put before every name found: both
// '\' and '/' separate, each part keeps the separator that followed it (runs
// collapsed), a leading single separator stays single and a leading run of two
// or more (a network path) stays two.
std::string DirectoryPrefix(const std::string& input_path);

// A time of day given as a fraction of a day, rounded to the millisecond and
// shown in the locale's long time format (milliseconds dropped).
std::string FormatTimeOfDay(double fraction, const LocaleFormats& formats);

}  // namespace sirvane
