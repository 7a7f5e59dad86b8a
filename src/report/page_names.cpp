#include "report/page_names.h"

namespace sirvane {

namespace {

constexpr std::size_t kMaxNameBytes = 200;  // file systems refuse names over 255 bytes

// The length of the Windows device name ("con", "com1", ...) that `name`
// is, up to its first dot, or 0. Windows opens the device for "con.x.html"
// as for "con.html", and takes the superscripts 1, 2 and 3 (one byte in the
// Latin code pages, two in UTF-8) for digits of "com" and "lpt".
std::size_t DeviceNameLength(std::string_view name) {
  name = name.substr(0, name.find('.'));
  if (name.size() < 3 || name.size() > 5) return 0;
  std::string lower;
  for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return name.size();
  const std::string_view head = std::string_view(lower).substr(0, 3);
  if (head != "com" && head != "lpt") return 0;
  const std::string_view number = std::string_view(lower).substr(3);
  for (std::string_view digit : {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}) {
    if (number == digit) return name.size();
  }
  return number.size() == 1 && number[0] >= '0' && number[0] <= '9' ? name.size() : 0;
}

bool IsUnusable(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return b < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

// Whether the name is a usable file name as it is: most are.
bool IsUsableAsItIs(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameBytes || name.front() == '.' || DeviceNameLength(name) != 0) return false;
  for (char c : name) {
    if (c == '\\' || c == '/' || IsUnusable(c)) return false;
  }
  return true;
}

}  // namespace

PageNames::PageNames(std::size_t users, std::uint64_t hash_seed) : names_(users), seed_(hash_seed) {}

void PageNames::IndexNamesGiven() {
  indexed_ = true;
  const auto hash_at = [this](std::uint32_t k) { return HashOf(k); };
  index_.Reserve(names_.size(), hash_at);
  for (std::uint32_t k = 0; k < names_.size(); ++k) {
    if (!names_[k].empty()) index_.Insert(HashOf(k), k, hash_at);
  }
}

bool PageNames::IsTaken(std::string_view name, std::uint64_t hash) const {
  if (name == "report") return true;  // the summary page
  return index_.Find(name, hash, [this](std::uint32_t k) { return names_[k].view(); }) != PositionIndex::kNone;
}

std::string_view PageNames::Take(std::size_t position, CountedString name, std::uint64_t hash) {
  names_.at(position) = name;
  index_.Insert(hash, static_cast<std::uint32_t>(position), [this](std::uint32_t k) { return HashOf(k); });
  return name.view();
}

std::string_view PageNames::Assign(std::size_t position, CountedString user_name) {
  if (IsUsableAsItIs(user_name.view())) {
    if (!indexed_ && user_name.view() != "report") {
      // Only a changed name can meet a user's own: until one is given, the
      // names given are distinct users' own names, none of them this one.
      names_.at(position) = user_name;
      return user_name.view();
    }
    const std::uint64_t hash = HashBytes(user_name.view(), seed_);
    if (!IsTaken(user_name.view(), hash)) return Take(position, user_name, hash);
  }
  if (!indexed_) IndexNamesGiven();

  std::string name;
  for (char c : user_name.view()) {
    if (c == '\\' || c == '/') continue;
    name.push_back(IsUnusable(c) ? '_' : c);
  }
  if (name.size() > kMaxNameBytes) name.resize(kMaxNameBytes);
  // A leading dot would hide the page from directory listings, and many web
  // servers refuse to serve such files: "/.x" or "..." would be broken links.
  for (char& c : name) {
    if (c != '.') break;
    c = '_';
  }
  if (name.empty()) name.push_back('_');  // not = "_": g++ 12 -O2 warns falsely (-Wrestrict)
  if (const std::size_t device = DeviceNameLength(name); device != 0) name.insert(device, 1, '_');
  std::string unique = name;
  std::uint64_t hash = HashBytes(unique, seed_);
  if (IsTaken(unique, hash)) {
    // Remember where the search for a free suffix stopped, so that many users
    // sharing one name cost linear time, not quadratic.
    int& n = next_suffix_[name];
    if (n < 2) n = 2;
    do {
      unique = name + "_" + std::to_string(n++);
      hash = HashBytes(unique, seed_);
    } while (IsTaken(unique, hash));
  }
  return Take(position, unique == user_name.view() ? user_name : arena_.CopyCounted(unique), hash);
}

}  // namespace sirvane
