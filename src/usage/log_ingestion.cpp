#include "usage/log_ingestion.h"

#include <algorithm>

#include "platform/error.h"
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

void AnalyzeLogFile(const std::string& path, const Settings& settings, UsageTables& tables,
                    const LowerCase& lower, TextFileWriter& work_log) {
  TTokenizedlogrec record;
  const LineSplitter splitter(settings.Separator, lower, LastFieldUsed(settings));
  LineReader reader;
  reader.Open(path);
  work_log.Write(path + " ... ");
  work_log.Flush();
  LineAccountant accountant(settings, tables);
  TFileAnalyzeRep& file = tables.LogFiles.back();
  ProgressDisplay progress(path);  // only on a terminal; checked once per block, not per line
  if (progress.active()) {
    reader.SetProgressObserver(
        [&](std::uint64_t read, std::uint64_t size) { progress.Update(read, size, file.RecordCount); });
  }
  while (!reader.Eof()) {
    const std::span<char> line = reader.ReadMutableLine();
    splitter.Split(line.data(), line.size(), record);
    ++file.RecordCount;
    accountant.Account(record);
  }
  work_log.WriteLine("OK");
  work_log.Flush();
}

}  // namespace sirvane
