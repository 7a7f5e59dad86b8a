#pragma once
// File names of the users' pages: always usable, always unique within a run.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "usage/hash_index.h"
#include "usage/string_arena.h"

namespace sirvane {

class PageNames {
 public:
  // Names for the users at positions 0 to users - 1. The seed spreads the
  // names over the index (the run's, so that crafted names cannot collide);
  // the names given never depend on it.
  explicit PageNames(std::size_t users, std::uint64_t hash_seed = 0x9A6E4A3E5ull);

  // Gives the user at `position` the base name (without ".html") of its page,
  // positions in increasing order, user names distinct (they are the users
  // table's keys): '\' and '/' removed; control bytes and
  // < > : " | ? * become '_'; cut to 200 bytes; leading dots become '_'
  // (no hidden files); empty becomes "_"; a Windows device name, alone or
  // before a dot ("con", "con.x"), gets '_' after it; a name already given
  // in this run (or "report", the summary page's) gets "_2", "_3", ...
  // appended, the first that is free. A user whose name needs none of this gets `user_name`
  // itself, not a copy: it must outlive the names given.
  std::string_view Assign(std::size_t position, CountedString user_name);

  // The names by position ("" where none was given), and the arena that holds
  // those that are not a user's own name; both are moved out.
  std::vector<CountedString> TakeNames() { return std::move(names_); }
  StringArena& arena() { return arena_; }

 private:
  // `hash`: the name's, with this object's seed.
  bool IsTaken(std::string_view name, std::uint64_t hash) const;
  std::string_view Take(std::size_t position, CountedString name, std::uint64_t hash);
  std::uint64_t HashOf(std::uint32_t position) const { return HashBytes(names_[position].view(), seed_); }
  // Indexes the names given so far; from then on every name given is indexed.
  void IndexNamesGiven();

  // A million users give a million names: the index refers to them by
  // position, so the names are held once, in the order of positions. It is
  // only built once a name has to change (most runs never change one).
  std::vector<CountedString> names_;
  StringArena arena_;  // names that are not a user's own
  PositionIndex index_;
  bool indexed_ = false;
  std::uint64_t seed_;
  std::unordered_map<std::string, int> next_suffix_;
};

}  // namespace sirvane
