#include "usage/log_ingestion.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/file_parts.h"
#include "platform/line_reader.h"
#include "usage/host_address.h"
#include "usage/read_progress.h"

namespace sirvane {

std::string_view CleanUserName(std::string_view name) {
  const std::size_t first = name.find_first_not_of('.');
  if (first == std::string_view::npos) return name;
  return name.substr(first);
}

LineAccountant::LineAccountant(const Settings& settings, UsageTables& tables)
    : settings_(settings), tables_(tables) {}

std::string_view LineAccountant::FieldAt(const TTokenizedlogrec& record, std::int32_t position,
                                         const char* key) const {
  if (position < 1 || position > 1000) {
    ThrowRangeError(std::string("The field position ") + key + "=" + std::to_string(position) +
                    " is outside 1 to 1000. Set " + key + " in the configuration file to the position of "
                    "that field in a log line (the first field is 1).");
  }
  return record.Field(position);
}

void LineAccountant::Account(const TTokenizedlogrec& record) {
  const std::string_view name = CleanUserName(FieldAt(record, settings_.NameField, "namefield"));
  std::int64_t bytes = 0;
  const bool counted = ParseByteCount(FieldAt(record, settings_.BytesField, "bytesfield"), bytes);
  const bool with_address = settings_.IpField > 0;

  std::uint32_t position = tables_.Users.empty() ? HashIndex::kNone : tables_.FindUser(name);
  if (position == HashIndex::kNone) {
    // Before the first user exists, a line without a byte count (a header, say)
    // creates nobody; afterwards a new name always becomes a user.
    if (tables_.Users.empty() && !counted) return;
    position = tables_.AddUser(name);
    TReportRec& user = tables_.Users[position];
    if (with_address) {
      AddAddress(tables_, settings_.NameField, FieldAt(record, settings_.IpField, "ipfield"), user);
    }
    if (counted) {
      user.Traffic = bytes;
      AddHostTraffic(tables_, FieldAt(record, settings_.QueryField, "queryfield"), bytes, user);
    }
    return;
  }
  TReportRec& user = tables_.Users[position];
  if (counted) {
    user.Traffic = SaturatingAdd(user.Traffic, bytes);
    AddHostTraffic(tables_, FieldAt(record, settings_.QueryField, "queryfield"), bytes, user);
  }
  if (with_address) {
    AddAddress(tables_, settings_.NameField, FieldAt(record, settings_.IpField, "ipfield"), user);
  }
}

std::int64_t LastFieldUsed(const Settings& settings) {
  auto usable = [](std::int32_t position) { return position >= 1 && position <= 1000 ? position : 0; };
  std::int32_t last = std::max({usable(settings.NameField), usable(settings.BytesField), usable(settings.QueryField)});
  if (settings.IpField > 0) last = std::max(last, usable(settings.IpField));
  return last;
}

FastLineAccountant::FastLineAccountant(const Settings& settings, UsageTables& tables, bool users_before)
    : tables_(tables), users_before_(users_before), with_address_(settings.IpField > 0 && settings.NameField != 1) {}

void FastLineAccountant::AccountBatch(const LogLine* lines, std::size_t count) {
  for (std::size_t done = 0; done < count; done += kChunk) {
    AccountChunk(lines + done, std::min(kChunk, count - done));
  }
}

void FastLineAccountant::AccountChunk(const LogLine* lines, std::size_t count) {
  // Most lines need three loads that miss the caches: the host's slot in the
  // run-wide table, its name there, and the user's slot for that host. The
  // lines are taken in passes, each loading its memory a few lines ahead, so
  // that several of those loads are under way at once.
  constexpr std::size_t kAhead = 16;
  std::uint64_t* const host_hashes = host_hashes_;
  std::uint64_t* const name_hashes = name_hashes_;
  std::uint32_t* const host_ids = host_ids_;
  TReportRec** const users = users_;
  for (std::size_t i = 0; i < count; ++i) {
    if (lines[i].counted) host_hashes[i] = tables_.Hash(lines[i].host);
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count && lines[i + kAhead].counted) tables_.PrefetchHost(host_hashes[i + kAhead]);
    if (i + kAhead / 2 < count && lines[i + kAhead / 2].counted) tables_.PrefetchHostName(host_hashes[i + kAhead / 2]);
    if (lines[i].counted) host_ids[i] = tables_.InternHost(lines[i].host, host_hashes[i]);
  }
  // Users as known before this chunk; one first seen in it is looked up
  // again when its line is accounted.
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t position = recent_users_.Find(lines[i].name);
    if (position == RecentUsers::kNone) {
      name_hashes[i] = tables_.Hash(lines[i].name);
      position = tables_.Users.empty() ? HashIndex::kNone : tables_.FindUser(lines[i].name, name_hashes[i]);
      if (position != HashIndex::kNone) recent_users_.Keep(lines[i].name, position);
    }
    users[i] = position == HashIndex::kNone ? nullptr : &tables_.Users[position];
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t ahead = i + kAhead;
    if (ahead < count && lines[ahead].counted && users[ahead] != nullptr) {
      UsageTables::PrefetchUserHost(*users[ahead], host_ids[ahead]);
    }
    Account(lines[i], host_ids[i], users[i], name_hashes[i]);
  }
}

[[gnu::always_inline]] inline void FastLineAccountant::Account(const LogLine& line, std::uint32_t host_id, TReportRec* known,
                                 std::uint64_t name_hash) {
  TReportRec* user = known;
  if (user == nullptr) {
    std::uint32_t position = tables_.Users.empty() ? HashIndex::kNone : tables_.FindUser(line.name, name_hash);
    if (position == HashIndex::kNone) {
      // Before the first user exists, a line without a byte count (a header, say)
      // creates nobody; afterwards a new name always becomes a user.
      if (tables_.Users.empty() && !users_before_ && !line.counted) return;
      position = tables_.AddUser(line.name, name_hash);
    }
    user = &tables_.Users[position];
  }
  if (line.counted) {
    user->Traffic = SaturatingAdd(user->Traffic, line.bytes);
    tables_.AddHostTrafficById(*user, host_id, line.bytes);
  }
  if (with_address_) tables_.AddAddress(*user, line.address);
}

namespace {

void ReadPlain(const Settings& settings, UsageTables& tables, const LowerCase& lower,
               LineReader& reader, TFileAnalyzeRep& file) {
  TTokenizedlogrec record;
  const LineSplitter splitter(settings.Separator, lower, LastFieldUsed(settings));
  LineAccountant accountant(settings, tables);
  while (!reader.Eof()) {
    const std::span<char> line = reader.ReadMutableLine();
    splitter.Split(line.data(), line.size(), record);
    ++file.RecordCount;
    accountant.Account(record);
  }
}

// Parses and accounts a block of lines at a time; after_block(lines so far)
// follows each block.
template <typename Reader, typename AfterBlock>
std::int64_t ReadFast(Reader& reader, const LogLineParser& parser, FastLineAccountant& accountant,
                      const AfterBlock& after_block) {
  // A block's lines are parsed and accounted a chunk at a time, so that their
  // bytes are still in the nearest cache when they are accounted.
  constexpr std::size_t kBatch = FastLineAccountant::kChunk;
  std::int64_t count = 0;
  std::vector<std::span<char>> lines;
  std::vector<LogLine> parsed(kBatch);
  while (reader.ReadMutableLines(lines)) {
    for (std::size_t done = 0; done < lines.size(); done += kBatch) {
      const std::size_t batch = std::min(kBatch, lines.size() - done);
      parser.ParseLines(lines.data() + done, batch, parsed.data());
      accountant.AccountBatch(parsed.data(), batch);
    }
    count += static_cast<std::int64_t>(lines.size());
    after_block(count);
  }
  return count;
}

// Progress of a file read in parts, as the main thread sees its own part: the
// parts are of about equal size and are read at about the same pace.
struct PartsProgress {
  ProgressDisplay* display = nullptr;  // null when nothing is shown
  std::uint64_t file_size = 0;
  std::uint64_t parts = 1;
};

std::int64_t ReadRange(const std::string& path, FileRange range, const Settings& settings, UsageTables& tables,
                       const LogLineParser& parser, bool users_before, const PartsProgress& progress = {}) {
  RangeLineReader reader;
  if (!reader.Open(path, range)) return 0;
  FastLineAccountant accountant(settings, tables, users_before);
  return ReadFast(reader, parser, accountant, [&](std::int64_t count) {
    if (progress.display == nullptr) return;
    const std::uint64_t done = std::min(progress.file_size, reader.BytesRead() * progress.parts);
    progress.display->Update(done, progress.file_size, count * static_cast<std::int64_t>(progress.parts));
  });
}

// Reads the parts at once, the first into `tables`, each later one into a table
// of its own that is then appended in file order. A later part assumes that
// some user exists before it; when the first part turns out to have created
// none (a file of headers and uncounted lines), the later parts are read again
// in order, as a single pass would.
std::int64_t ReadInParts(const std::string& path, const std::vector<FileRange>& ranges, const Settings& settings,
                         UsageTables& tables, const LogLineParser& parser, ProgressDisplay& display) {
  const std::size_t later = ranges.size() - 1;
  // The parts hash with the run's seed too: no part's indexes may be predictable.
  std::vector<UsageTables> part_tables;
  for (std::size_t i = 0; i < later; ++i) part_tables.emplace_back(tables.HashSeed());
  std::vector<std::int64_t> part_lines(later, 0);
  std::vector<std::exception_ptr> part_errors(later);
  std::vector<std::thread> threads;
  threads.reserve(later);
  struct Joiner {
    std::vector<std::thread>& threads;
    ~Joiner() {
      for (std::thread& t : threads) {
        if (t.joinable()) t.join();
      }
    }
  } joiner{threads};
  for (std::size_t i = 0; i < later; ++i) {
    threads.emplace_back([&, i] {
      try {
        part_lines[i] = ReadRange(path, ranges[i + 1], settings, part_tables[i], parser, true);
      } catch (...) {
        part_errors[i] = std::current_exception();
      }
    });
  }
  const PartsProgress progress{display.active() ? &display : nullptr, ranges.back().end, ranges.size()};
  std::int64_t lines = ReadRange(path, ranges[0], settings, tables, parser, false, progress);
  for (std::thread& t : threads) t.join();
  for (const std::exception_ptr& error : part_errors) {
    if (error) std::rethrow_exception(error);
  }
  for (std::size_t i = 0; i < later; ++i) {
    if (tables.Users.empty()) {
      part_tables[i] = UsageTables(tables.HashSeed());
      lines += ReadRange(path, ranges[i + 1], settings, tables, parser, false);
    } else {
      tables.Append(part_tables[i]);
      part_tables[i] = UsageTables(tables.HashSeed());
      lines += part_lines[i];
    }
  }
  return lines;
}

}  // namespace

void AnalyzeLogFile(const std::string& path, const Settings& settings, UsageTables& tables,
                    const LowerCase& lower, TextFileWriter& work_log, const ReadingPlan& plan) {
  const LogLineParser parser(settings, lower, plan.scan);
  const bool fast = plan.fast && parser.Usable();
  std::size_t threads = plan.threads;
  if (threads == 0) threads = std::min<std::size_t>(2, std::max(1u, std::thread::hardware_concurrency()));
  const std::vector<FileRange> ranges =
      fast && plan.ranges ? SplitIntoLineRanges(path, threads, plan.min_split_size) : std::vector<FileRange>();
  TFileAnalyzeRep& file = tables.LogFiles.back();
  ProgressDisplay progress(path);  // only on a terminal; updated once per block, not per line
  if (ranges.size() > 1) {
    work_log.Write(path + " ... ");
    work_log.Flush();
    file.RecordCount += ReadInParts(path, ranges, settings, tables, parser, progress);
  } else if (ranges.size() == 1) {
    work_log.Write(path + " ... ");
    work_log.Flush();
    const PartsProgress whole{progress.active() ? &progress : nullptr, ranges[0].end, 1};
    file.RecordCount += ReadRange(path, ranges[0], settings, tables, parser, false, whole);
  } else {
    LineReader reader;
    if (progress.active()) {
      reader.SetProgressObserver(
          [&](std::uint64_t read, std::uint64_t size) { progress.Update(read, size, file.RecordCount); });
    }
    reader.Open(path);
    work_log.Write(path + " ... ");
    work_log.Flush();
    if (fast) {
      FastLineAccountant accountant(settings, tables);
      // Counted as blocks go by: the progress line shows the count so far.
      const std::int64_t before = file.RecordCount;
      ReadFast(reader, parser, accountant, [&](std::int64_t count) { file.RecordCount = before + count; });
    } else {
      ReadPlain(settings, tables, lower, reader, file);
    }
  }
  work_log.WriteLine("OK");
  work_log.Flush();
}

}  // namespace sirvane
