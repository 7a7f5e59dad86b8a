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
  // The seed spreads the names over the index (the run's, so that crafted
  // names cannot collide); the names given never depend on it.
  explicit PageNames(std::uint64_t hash_seed = 0x9A6E4A3E5ull);
  // The base name (without ".html") of the page of the user `user_name`:
  // '\' and '/' removed; control bytes and < > : " | ? * become '_'; cut to
  // 200 bytes; empty becomes "_"; a Windows device name gets '_' appended; a
  // name already given in this run (or "report", the summary page's) gets
  // "_2", "_3", ... appended, the first that is free.
  std::string Assign(std::string_view user_name);
  // Makes room for `count` names, so that the tables do not grow (and hold
  // an old and a new copy at once) while names are given.
  void Reserve(std::size_t count);

 private:
  bool IsTaken(std::string_view name) const;
  void Take(std::string_view name);

  // Names given so far. A run with a million users gives a million names:
  // interned and indexed by hash (some 30 bytes a name), not a set of strings
  // (some 70).
  StringArena arena_;
  std::vector<CountedString> taken_;
  PositionIndex taken_index_;
  std::uint64_t seed_;
  std::unordered_map<std::string, int> next_suffix_;
};

}  // namespace sirvane
