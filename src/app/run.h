#pragma once
// The whole state of one run, passed explicitly so that tests can run many
// analyses in one process.
#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/text_file.h"
#include "report/page_templates.h"
#include "usage/usage_tables.h"

namespace sirvane {

struct Run {
  Run(const Clock& clock, LocaleFormats formats, LowerCase lower, std::uint64_t hash_seed = 0x5157A2E5EEDull)
      : clock(clock), formats(std::move(formats)), lower(std::move(lower)), tables(hash_seed) {}

  const Clock& clock;
  LocaleFormats formats;
  LowerCase lower;

  Settings settings;
  UsageTables tables;
  PageTemplates templates;
  TextFileWriter WorkLog;  // the working report, or the abort log
  double PrognosisFactor = 1.0;
  double StartTime = 0.0;  // time of day, as a fraction of a day
  double EndTime = 0.0;
};

// One run from the command-line arguments (without the program name); returns
// the exit code. An error that stops the run is thrown as RunError.
int RunAnalyzer(const std::vector<std::string>& arguments, Run& run);

}  // namespace sirvane
