#include "report/page_names.h"

namespace sirvane {

namespace {

constexpr std::size_t kMaxNameBytes = 200;  // file systems refuse names over 255 bytes

bool IsDeviceName(const std::string& name) {
  std::string lower;
  for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return true;
  if (lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0)) {
    return lower[3] >= '1' && lower[3] <= '9';
  }
  return false;
}

}  // namespace

PageNames::PageNames(std::size_t users, std::uint64_t hash_seed) : names_(users), seed_(hash_seed) {
  index_.Reserve(users, [this](std::uint32_t k) { return HashOf(k); });
}

bool PageNames::IsTaken(std::string_view name) const {
  if (name == "report") return true;  // the summary page
  return index_.Find(name, HashBytes(name, seed_), [this](std::uint32_t k) { return names_[k].view(); }) !=
         PositionIndex::kNone;
}

std::string_view PageNames::Assign(std::size_t position, CountedString user_name) {
  std::string name;
  for (char c : user_name.view()) {
    if (c == '\\' || c == '/') continue;
    const unsigned char b = static_cast<unsigned char>(c);
    const bool unusable = b < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' ||
                          c == '?' || c == '*';
    name.push_back(unusable ? '_' : c);
  }
  if (name.size() > kMaxNameBytes) name.resize(kMaxNameBytes);
  if (name.empty()) name.push_back('_');  // not = "_": g++ 12 -O2 warns falsely (-Wrestrict)
  if (IsDeviceName(name)) name.push_back('_');
  std::string unique = name;
  if (IsTaken(unique)) {
    // Remember where the search for a free suffix stopped, so that many users
    // sharing one name cost linear time, not quadratic.
    int& n = next_suffix_[name];
    if (n < 2) n = 2;
    do {
      unique = name + "_" + std::to_string(n++);
    } while (IsTaken(unique));
  }
  names_.at(position) = unique == user_name.view() ? user_name : arena_.CopyCounted(unique);
  index_.Insert(HashBytes(unique, seed_), static_cast<std::uint32_t>(position),
                [this](std::uint32_t k) { return HashOf(k); });
  return names_[position].view();
}

}  // namespace sirvane
