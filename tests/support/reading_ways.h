#pragma once
// Every way a log file can be read, and the tables each way builds, dumped as
// text: the fast ways must give the plain way's dump byte for byte.
#include <string>
#include <utility>
#include <vector>

#include "config/settings.h"
#include "platform/locale.h"
#include "usage/log_ingestion.h"

namespace sirvane::testing {

// The plain way first, then the line reader, each byte scan, 2 to 4 parts.
std::vector<std::pair<std::string, ReadingPlan>> ReadingWays();

// A file that ReadFilesAndDump leaves out, so that reading it fails.
inline const std::string kMissingFile = "(missing)";

// Reads the files with these contents in order (written into `dir` as f1.log,
// f2.log, ...) and dumps everything the reports are made from, or the error
// that stopped the run, then the working report and the warnings.
std::string ReadFilesAndDump(const std::string& dir, const std::vector<std::string>& logs, const Settings& settings,
                             const LowerCase& lower, const ReadingPlan& plan);
// Reads `log` twice, as two files: the second starts with users present.
std::string ReadAndDump(const std::string& dir, const std::string& log, const Settings& settings,
                        const LowerCase& lower, const ReadingPlan& plan);

}  // namespace sirvane::testing
