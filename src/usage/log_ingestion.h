#pragma once
// Reading log files into the usage tables, line by line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "platform/locale.h"
#include "platform/text_file.h"
#include "text/split_fields.h"
#include "usage/log_line_parser.h"
#include "usage/recent_users.h"
#include "usage/usage_tables.h"

namespace sirvane {

// Accounts split log lines into the tables. Holds the field positions checked
// on use, so that a misconfigured position stops the run with a message that
// names the setting.
class LineAccountant {
 public:
  LineAccountant(const Settings& settings, UsageTables& tables);

  // Accounts one split line (the file's line count is the caller's).
  void Account(const TTokenizedlogrec& record);

 private:
  std::string_view FieldAt(const TTokenizedlogrec& record, std::int32_t position, const char* key) const;

  const Settings& settings_;
  UsageTables& tables_;
};

// Accounts lines read by LogLineParser; the same rules as LineAccountant,
// with the users of recent names kept (most lines come from a few users).
// `users_before` says that the line before the first one accounted here
// already had a user (a later part of a file read by another thread), so a
// line without byte count is never taken for a header.
class FastLineAccountant {
 public:
  FastLineAccountant(const Settings& settings, UsageTables& tables, bool users_before = false);
  // Accounts several lines in order, the memory each needs loaded ahead.
  void AccountBatch(const LogLine* lines, std::size_t count);
  // Lines are accounted this many at a time, so that their text stays in the
  // nearest cache; a reader parses them in batches of the same size.
  static constexpr std::size_t kChunk = 256;

 private:
  void AccountChunk(const LogLine* lines, std::size_t count);
  // `user` is the line's user when already known, else null.
  void Account(const LogLine& line, std::uint32_t host_id, TReportRec* user, std::uint64_t name_hash);

  UsageTables& tables_;
  bool users_before_;
  bool with_address_;
  RecentUsers recent_users_;
  // Each line's scratch, for one chunk.
  std::uint64_t host_hashes_[kChunk] = {};
  std::uint64_t name_hashes_[kChunk] = {};  // set for lines whose user was not kept
  std::uint32_t host_ids_[kChunk] = {};
  TReportRec* users_[kChunk] = {};  // users never move while the table grows
};

// How files are read. The plain way is the reference that the fast ways must
// match byte for byte.
struct ReadingPlan {
  bool fast = true;                // LogLineParser where the configuration allows it
  bool ranges = true;              // plain files read by byte ranges (else through LineReader, as compressed ones)
  std::size_t threads = 0;         // parts read at once; 0: one per core, at most 2
  std::uint64_t min_split_size = std::uint64_t{32} << 20;  // files smaller in all are read by one thread
  ByteScan scan = BestByteScan();  // how LogLineParser searches for fields
};

struct LogFileToRead {
  std::string path;
  std::string name;        // as the working report's file list shows it
  std::uint64_t size = 0;  // as listed: shares out files that cannot be cut
};

// Reads the files in order, each to its end, into the tables, as one pass
// over all their lines would: appends one entry per file to tables.LogFiles
// with its line count, and writes each file's progress line in the working
// report. Call tables.FinishHostLists() once the last file has been read.
void AnalyzeLogFiles(const std::vector<LogFileToRead>& files, const Settings& settings, UsageTables& tables,
                     const LowerCase& lower, TextFileWriter& work_log, const ReadingPlan& plan = ReadingPlan());

// The last field position a line is split to: the largest position in use.
std::int64_t LastFieldUsed(const Settings& settings);

// A user name without its leading dots; a name of dots only stays as it is.
std::string_view CleanUserName(std::string_view name);

}  // namespace sirvane
