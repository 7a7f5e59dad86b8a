#include "usage/log_ingestion.h"

#include <algorithm>
#include <memory>
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

[[gnu::always_inline]] inline void FastLineAccountant::Account(const LogLine& line, std::uint32_t host_id,
                                                               TReportRec* known, std::uint64_t name_hash) {
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

// One file's share of a part: a byte range of a plain file, or a whole file
// read through LineReader (compressed, unreadable or not a regular file).
struct Piece {
  std::size_t file = 0;    // index into the files read
  FileRange range;         // of a plain file
  bool whole = false;      // read through LineReader
  std::uint64_t size = 0;  // of a plain file
  // The file cut into this piece and others, opened when it was cut: all of
  // its parts read that file, whatever happens to its path meanwhile. Null
  // for a file read by one part alone, which opens it when it gets to it.
  std::shared_ptr<const OpenedLogFile> opened;
  bool StartsFile() const { return whole || range.begin == 0; }
  bool EndsFile() const { return whole || range.end == size; }
};

// Cuts the files, in order, into at most `parts` runs of pieces of about equal
// size, each beginning where a line begins: the files are read as one stream,
// so that a month of daily logs keeps both cores busy as one large file does.
// A file only LineReader reads is never cut. Less than `min_size` bytes in
// all stay one part.
std::vector<std::vector<Piece>> PlanParts(const std::vector<LogFileToRead>& files, std::size_t parts,
                                          std::uint64_t min_size) {
  std::vector<std::uint64_t> plain_size(files.size(), 0);  // 0: read through LineReader
  std::vector<std::uint64_t> weight(files.size(), 0);
  std::vector<std::shared_ptr<const OpenedLogFile>> opened(files.size());  // the files cut
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    plain_size[i] = PlainFileSize(files[i].path);
    weight[i] = plain_size[i] != 0 ? plain_size[i] : files[i].size;
    total += weight[i];
  }
  if (total < min_size) parts = 1;
  // Where each part ends: a file and an offset in it, (file, 0) when the
  // part ends before that file.
  struct Cut {
    std::size_t file;
    std::uint64_t offset;
  };
  std::vector<Cut> cuts;
  std::uint64_t before = 0;  // bytes of the files before `f`
  std::size_t f = 0;
  for (std::size_t k = 1; k < parts; ++k) {
    const std::uint64_t target = total / parts * k;
    while (f < files.size() && before + weight[f] <= target) before += weight[f++];
    if (f == files.size()) break;
    Cut cut{f, 0};
    if (plain_size[f] != 0 && target > before) {
      if (!opened[f]) {
        opened[f] = std::make_shared<const OpenedLogFile>(files[f].path);
        plain_size[f] = opened[f]->PlainSize();  // this file's, should the path have changed
      }
      cut.offset = opened[f]->LineStartAfter(target - before, plain_size[f]);
      if (cut.offset >= plain_size[f]) cut = Cut{f + 1, 0};
    } else if (plain_size[f] == 0 && target - before > weight[f] / 2) {
      cut = Cut{f + 1, 0};
    }
    // Cuts only go forward: one before the last (a file that changed between
    // two cuts) would have its bytes read twice.
    if (!cuts.empty() && (cut.file < cuts.back().file ||
                          (cut.file == cuts.back().file && cut.offset <= cuts.back().offset))) {
      continue;
    }
    cuts.push_back(cut);
  }
  cuts.push_back(Cut{files.size(), 0});

  std::vector<std::vector<Piece>> planned;
  Cut from{0, 0};
  for (const Cut& to : cuts) {
    std::vector<Piece> pieces;
    for (std::size_t i = from.file; i <= to.file && i < files.size(); ++i) {
      if (plain_size[i] == 0) {
        if (i < to.file) pieces.push_back(Piece{i, {}, true, 0, nullptr});
        continue;
      }
      const std::uint64_t begin = i == from.file ? from.offset : 0;
      const std::uint64_t end = i == to.file ? to.offset : plain_size[i];
      if (end > begin) pieces.push_back(Piece{i, FileRange{begin, end}, false, plain_size[i], opened[i]});
    }
    if (!pieces.empty()) planned.push_back(std::move(pieces));
    from = to;
  }
  return planned;
}

// Reads one piece into the tables. `display`, when given, shows the main
// thread's progress; when `alone` (one file cut into parts), the rest of the
// file is taken to be read at the same pace by the next part.
std::int64_t ReadPiece(const std::string& path, const Piece& piece, const Settings& settings, UsageTables& tables,
                       const LogLineParser& parser, bool users_before, bool& stopped, ProgressDisplay* display,
                       bool alone = false) {
  stopped = false;
  FastLineAccountant accountant(settings, tables, users_before);
  // A file no other part reads is opened only now, when its turn comes, as
  // one pass opens it, and whether it is plain is told again: its path may
  // hold a compressed file by now, which only LineReader reads.
  std::shared_ptr<const OpenedLogFile> file = piece.opened;
  bool whole = piece.whole;
  if (!whole && !file) {
    file = std::make_shared<const OpenedLogFile>(path);
    whole = file->is_open() && file->PlainSize() == 0;
  }
  if (whole) {
    file.reset();  // LineReader opens it itself
    LineReader reader;
    std::int64_t lines = 0;
    if (display != nullptr) {
      reader.SetProgressObserver([&](std::uint64_t read, std::uint64_t size) { display->Update(read, size, lines); });
    }
    reader.Open(path);
    return ReadFast(reader, parser, accountant, [&](std::int64_t count) { lines = count; });
  }
  RangeLineReader reader;
  if (!reader.Open(path, std::move(file), piece.range, piece.EndsFile())) return 0;
  const std::uint64_t length = piece.range.end - piece.range.begin;
  const double scale = alone ? static_cast<double>(piece.size - piece.range.begin) / static_cast<double>(length) : 1;
  const std::int64_t lines = ReadFast(reader, parser, accountant, [&](std::int64_t count) {
    if (display == nullptr) return;
    const auto done = static_cast<std::uint64_t>(static_cast<double>(reader.BytesRead()) * scale);
    display->Update(std::min(piece.size, piece.range.begin + done), piece.size,
                    static_cast<std::int64_t>(static_cast<double>(count) * scale));
  });
  stopped = reader.StoppedByError();
  return lines;
}

// Reads pieces in order on this thread, each file's progress line in the
// working report written as it is begun and ended. `file_stopped`: a read
// error ended the part before in the middle of the file the first piece goes
// on with, so that piece is skipped, as one pass skips the rest of a file
// after an error. Returns the same for the part after this one.
bool ReadPiecesHere(const std::vector<LogFileToRead>& files, const std::vector<Piece>& pieces,
                    const Settings& settings, UsageTables& tables, const LogLineParser& parser,
                    TextFileWriter& work_log, TFileAnalyzeRep* counted, bool file_stopped = false) {
  for (const Piece& piece : pieces) {
    const std::string& path = files[piece.file].path;
    if (piece.StartsFile()) {
      work_log.Write(path + " ... ");
      work_log.Flush();
      file_stopped = false;
    }
    if (!file_stopped) {
      ProgressDisplay progress(path);  // only on a terminal; updated once per block, not per line
      counted[piece.file].RecordCount += ReadPiece(path, piece, settings, tables, parser, false, file_stopped,
                                                   progress.active() ? &progress : nullptr, pieces.size() == 1);
    }
    if (piece.EndsFile()) {
      work_log.WriteLine("OK");
      work_log.Flush();
    }
  }
  return file_stopped && !pieces.empty() && !pieces.back().EndsFile();
}

// Reads the parts at once, the first into `tables` on this thread, each later
// one into a table of its own that is then appended in file order. A later
// part assumes that some user exists before it; when the parts before it
// turn out to have created none (files of headers and uncounted lines), or
// when it stopped with an error, it is read again here, as a single pass
// would, and stops the run there if the error comes again. A later part's
// warnings and its files' lines in the working report come once it is
// appended, in the words and order of a single pass.
void ReadInParts(const std::vector<LogFileToRead>& files, const std::vector<std::vector<Piece>>& parts,
                 const Settings& settings, UsageTables& tables, const LogLineParser& parser,
                 TextFileWriter& work_log, TFileAnalyzeRep* counted) {
  const std::size_t later = parts.size() - 1;
  // The parts hash with the run's seed too: no part's indexes may be predictable.
  std::vector<UsageTables> part_tables;
  for (std::size_t i = 0; i < later; ++i) part_tables.emplace_back(tables.HashSeed());
  std::vector<std::vector<std::int64_t>> piece_lines(later);
  std::vector<char> last_piece_stopped(later, 0);  // a read error ended the last piece before its file's end
  std::vector<std::vector<std::string>> part_warnings(later);
  std::vector<char> part_failed(later, 0);  // not vector<bool>: each thread sets its own element
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
    piece_lines[i].assign(parts[i + 1].size(), 0);
    threads.emplace_back([&, i] {
      HeldWarnings warnings;
      try {
        bool stopped = false;
        for (std::size_t j = 0; j < parts[i + 1].size(); ++j) {
          const Piece& piece = parts[i + 1][j];
          piece_lines[i][j] =
              ReadPiece(files[piece.file].path, piece, settings, part_tables[i], parser, true, stopped, nullptr);
        }
        last_piece_stopped[i] = static_cast<char>(stopped && !parts[i + 1].back().EndsFile());
      } catch (...) {
        part_failed[i] = 1;  // read again in order, where the error stops the run if it comes again
      }
      part_warnings[i] = warnings.Take();
    });
  }
  bool file_stopped = ReadPiecesHere(files, parts[0], settings, tables, parser, work_log, counted);
  for (std::thread& t : threads) t.join();
  for (std::size_t i = 0; i < later; ++i) {
    const std::vector<Piece>& pieces = parts[i + 1];
    // A read error that ended the part before inside the file this part goes
    // on with: one pass would have skipped the rest of that file.
    if (tables.Users.empty() || part_failed[i] != 0 || file_stopped) {
      part_tables[i] = UsageTables(tables.HashSeed());
      file_stopped = ReadPiecesHere(files, pieces, settings, tables, parser, work_log, counted, file_stopped);
      continue;
    }
    file_stopped = last_piece_stopped[i] != 0;
    for (const std::string& warning : part_warnings[i]) ReportWarning(warning);
    for (std::size_t j = 0; j < pieces.size(); ++j) {
      if (pieces[j].StartsFile()) work_log.Write(files[pieces[j].file].path + " ... ");
      if (pieces[j].EndsFile()) work_log.WriteLine("OK");
      counted[pieces[j].file].RecordCount += piece_lines[i][j];
    }
    work_log.Flush();
    tables.Append(part_tables[i]);
    part_tables[i] = UsageTables(tables.HashSeed());
  }
}

// A file read through LineReader, the fast way or the plain one.
void ReadWholeFile(const std::string& path, const Settings& settings, UsageTables& tables, const LowerCase& lower,
                   const LogLineParser& parser, bool fast, TextFileWriter& work_log, TFileAnalyzeRep& file) {
  ProgressDisplay progress(path);  // only on a terminal; updated once per block, not per line
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
  work_log.WriteLine("OK");
  work_log.Flush();
}

}  // namespace

void AnalyzeLogFiles(const std::vector<LogFileToRead>& files, const Settings& settings, UsageTables& tables,
                     const LowerCase& lower, TextFileWriter& work_log, const ReadingPlan& plan) {
  const std::size_t first = tables.LogFiles.size();
  for (const LogFileToRead& file : files) tables.LogFiles.push_back(TFileAnalyzeRep{file.name, 0});
  if (files.empty()) return;
  const LogLineParser parser(settings, lower, plan.scan);
  const bool fast = plan.fast && parser.Usable();
  if (!fast || !plan.ranges) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      ReadWholeFile(files[i].path, settings, tables, lower, parser, fast, work_log, tables.LogFiles[first + i]);
    }
    return;
  }
  std::size_t threads = plan.threads;
  if (threads == 0) threads = std::min<std::size_t>(2, std::max(1u, std::thread::hardware_concurrency()));
  const std::vector<std::vector<Piece>> parts = PlanParts(files, threads, plan.min_split_size);
  TFileAnalyzeRep* const counted = &tables.LogFiles[first];  // the list does not grow while the files are read
  if (parts.size() > 1) {
    ReadInParts(files, parts, settings, tables, parser, work_log, counted);
  } else if (parts.size() == 1) {
    ReadPiecesHere(files, parts[0], settings, tables, parser, work_log, counted);
  }
}

}  // namespace sirvane
