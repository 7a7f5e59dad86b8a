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
// While logs are read the hosts live only in `index` (host id -> first-seen
// position and running traffic): one small table per user instead of three
// growing ones. FinishHostLists fills Hosts and HostTraffic from it and frees
// it; a later AddHostTraffic moves them back into the index.
struct THistoryRec {
  std::vector<std::string_view> Hosts;
  std::vector<std::int64_t> HostTraffic;  // parallel to Hosts
  HostIndex index;

  std::int64_t HostCount() const { return static_cast<std::int64_t>(Hosts.size()) + index.size(); }
};

// One user.
struct TReportRec {
  std::string_view UserName;
  std::vector<std::string_view> Addresses;  // distinct, first-seen order
  IdIndex address_index;                    // address id -> position
  std::uint32_t last_address = kNoPosition; // id of the address of the user's last line
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
  std::uint32_t FindUser(std::string_view name) const { return FindUser(name, Hash(name)); }
  // Appends a user known to be absent; returns its position.
  std::uint32_t AddUser(std::string_view name) { return AddUser(name, Hash(name)); }

  // Adds `bytes` to the user's entry for `host`, creating it when new.
  void AddHostTraffic(TReportRec& user, std::string_view host, std::int64_t bytes) {
    AddHostTrafficById(user, InternHost(host, Hash(host)), bytes);
  }
  // Records `address` once for the user.
  void AddAddress(TReportRec& user, std::string_view address);

  // The same with the text's hash already computed (Hash below).
  std::uint64_t Hash(std::string_view text) const { return HashBytes(text, seed_); }
  std::uint64_t HashSeed() const { return seed_; }
  std::uint32_t FindUser(std::string_view name, std::uint64_t hash) const;
  std::uint32_t AddUser(std::string_view name, std::uint64_t hash);

  // The host step by step, so that a reader can work on several lines at once
  // and have the memory of one line loaded while it works on another: the
  // host's run-wide id, then the user's entry for that id.
  void PrefetchHost(std::uint64_t hash) const { hosts_.index.Prefetch(hash); }
  void PrefetchHostName(std::uint64_t hash) const { hosts_.index.PrefetchKey(hash); }
  std::uint32_t InternHost(std::string_view host, std::uint64_t hash) { return Intern(hosts_, host, hash); }
  static void PrefetchUserHost(const TReportRec& user, std::uint32_t host_id) { user.History.index.Prefetch(host_id); }
  void AddHostTrafficById(TReportRec& user, std::uint32_t host_id, std::int64_t bytes) {
    HostIndex::Entry* entry = user.History.index.FindOrFree(host_id);
    if (entry != nullptr && entry->id == host_id) {
      entry->traffic = SaturatingAdd(entry->traffic, bytes);
    } else if (entry == nullptr || !user.History.index.InsertAt(*entry, host_id, bytes)) {
      AddNewHost(user, host_id, bytes);
    }
  }

  // Fills every user's Hosts and HostTraffic from the index, once the logs
  // have been read.
  void FinishHostLists();

  // Adds the tables of a later part of the same input, as if its lines had
  // been accounted here after this table's own: users, hosts and addresses new
  // here are appended in the order `later` first saw them, sums add up
  // (saturating). Log files are not touched; `later` is emptied.
  void Append(UsageTables& later);

  // Called after the users have been reordered: rebuilds the user index.
  void ReindexUsers();


 private:
  // Every distinct string of one kind once for the whole run, with its id.
  struct Interned {
    std::vector<std::string_view> strings;  // by id
    HashIndex index;
  };
  // The id of `text` in `table`, interning it when new.
  std::uint32_t Intern(Interned& table, std::string_view text, std::uint64_t hash);
  void AddNewHost(TReportRec& user, std::uint32_t host_id, std::int64_t bytes);
  // Moves a finished host list back into the index, to add to it.
  void ReopenHostList(TReportRec& user);
  // Calls f(host id, traffic) for the user's hosts in first-seen order.
  template <typename F>
  void ForEachHost(const TReportRec& user, F&& f) const;

  std::uint64_t seed_;
  StringArena arena_;
  HashIndex user_index_;
  Interned hosts_;
  Interned addresses_;
};

}  // namespace sirvane
