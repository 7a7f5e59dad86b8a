#pragma once
// File names of the users' pages: always usable, always unique within a run.
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace sirvane {

class PageNames {
 public:
  PageNames();
  // The base name (without ".html") of the page of the user `user_name`:
  // '\' and '/' removed; control bytes and < > : " | ? * become '_'; cut to
  // 200 bytes; empty becomes "_"; a Windows device name gets '_' appended; a
  // name already given in this run (or "report", the summary page's) gets
  // "_2", "_3", ... appended, the first that is free.
  std::string Assign(std::string_view user_name);

 private:
  std::unordered_set<std::string> taken_;
  std::unordered_map<std::string, int> next_suffix_;
};

}  // namespace sirvane
