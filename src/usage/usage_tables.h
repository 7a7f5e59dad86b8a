#pragma once
// The run's memory of what the logs said: users with their traffic, hosts and
// client addresses, and the log files read. Everything is kept in the order
// first seen; hash indexes make every lookup O(1) expected.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "usage/hash_index.h"
#include "usage/string_arena.h"

namespace sirvane {

// One user's hosts with their traffic, in first-seen order until sorted.
struct THistoryRec {
  std::vector<std::string_view> Hosts;
  std::vector<std::int64_t> HostTraffic;  // parallel to Hosts
  IdIndex index;                          // host id -> position; stale after sorting

  std::int64_t HostCount() const { return static_cast<std::int64_t>(Hosts.size()); }
};

// One user.
struct TReportRec {
  std::string_view UserName;
  std::vector<std::string_view> Addresses;  // distinct, first-seen order
  IdIndex address_index;                    // address id -> position
  std::int64_t Traffic = 0;
  THistoryRec History;
  std::string PageName;  // set when the summary page is written

  std::int64_t AddressCount() const { return static_cast<std::int64_t>(Addresses.size()); }
};

// One log file read.
struct TFileAnalyzeRep {
  std::string FileName;  // as the directory search returned it, without directory
  std::int64_t RecordCount = 0;
};

// Adds without overflowing: the sum saturates at the largest 64-bit value.
inline std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
  return sum;
}

class UsageTables {
 public:
  explicit UsageTables(std::uint64_t hash_seed = 0x5157A2E5EEDull) : seed_(hash_seed) {}

  std::vector<TReportRec> Users;
  std::vector<TFileAnalyzeRep> LogFiles;

  std::int64_t UserCount() const { return static_cast<std::int64_t>(Users.size()); }

  // Position of the user with this name, or HashIndex::kNone.
  std::uint32_t FindUser(std::string_view name) const;
  // Appends a user known to be absent; returns its position.
  std::uint32_t AddUser(std::string_view name);

  // Adds `bytes` to the user's entry for `host`, creating it when new.
  void AddHostTraffic(TReportRec& user, std::string_view host, std::int64_t bytes);
  // Records `address` once for the user.
  void AddAddress(TReportRec& user, std::string_view address);

  // Called after the users have been reordered: rebuilds the user index.
  void ReindexUsers();


 private:
  std::uint64_t Hash(std::string_view text) const { return HashBytes(text, seed_); }

  // Every distinct string of one kind once for the whole run, with its id.
  struct Interned {
    std::vector<std::string_view> strings;  // by id
    HashIndex index;
  };
  // The id of `text` in `table`, interning it when new.
  std::uint32_t Intern(Interned& table, std::string_view text);

  std::uint64_t seed_;
  StringArena arena_;
  HashIndex user_index_;
  Interned hosts_;
  Interned addresses_;
};

}  // namespace sirvane
