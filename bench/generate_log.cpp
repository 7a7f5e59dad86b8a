// Writes a synthetic Squid access log for the sirvane benchmarks.
//
//   g++ -std=c++20 -O2 -o generate_log generate_log.cpp
//   generate_log --format squid --lines 5000000 --users 500 --hosts 50000
//                --seed 1 --output /tmp/access.log     (one command line)
//
// The output depends on the arguments only (own random generator, no
// std::*_distribution whose results differ between libraries), so timings from
// different runs read the same bytes.
//
// Shape of the traffic, chosen to resemble an office proxy:
//   * users are picked with a heavy head (Zipf exponent 1.08: with 500 users
//     the top 10 make about half of the lines); each user mostly sends from one
//     client address, some users from a second one as well;
//   * hosts are picked with a heavy head (exponent 1.0) from a pool of --hosts
//     names such as "cdn17.example-342.com";
//   * about 10% of the lines are CONNECT tunnels ("CONNECT host:443"), about 3%
//     are denied requests (TCP_DENIED/403, small byte counts) by the user "-";
//   * byte counts are log-normal (median about 9 KB, tail to tens of MB), and
//     about one line in 200,000 is a download above 1 GiB.
// Squid native lines are about 140 bytes long.
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kStartTime = 1796112000;  // 2026-12-01 08:00:00 UTC
constexpr int kMeanGapMs = 17;                    // about 5 million lines a day

constexpr double kUserExponent = 1.08;
constexpr double kHostExponent = 1.0;
constexpr double kConnectShare = 0.10;
constexpr double kDeniedShare = 0.03;
constexpr double kHugeShare = 1.0 / 200000;
constexpr double kTwoDeviceShare = 0.4;      // users who also have a second device
constexpr double kSecondDeviceShare = 0.2;   // their lines sent from it

constexpr std::size_t kTableSize = 1 << 16;  // prepared log-normal values
constexpr std::size_t kPathPoolSize = 4096;
constexpr std::uint64_t kGiB = 1ULL << 30;

constexpr std::array<std::string_view, 52> kFirstNames = {
    "alice", "bob",   "carol",  "dave",   "erin",  "frank",  "grace",   "heidi",  "ivan",
    "judy",  "mallory", "nina", "oscar",  "peggy", "quentin", "rupert", "sybil",  "trent",
    "ursula", "victor", "walter", "xena", "yusuf", "zoe",    "anna",    "boris",  "clara",
    "dmitri", "elena", "fabio", "greta",  "hans",  "irene",  "jonas",   "karin",  "lars",
    "maria", "niko",  "olga",   "pavel",  "quirin", "rosa",  "stefan",  "tanja",  "uwe",
    "vera",  "wim",   "xaver",  "yvonne", "zeno",  "ali",    "bea"};
constexpr std::array<std::string_view, 20> kLastNames = {
    "meier", "schulz", "novak",   "berg",   "lund",   "costa",  "silva",
    "weber", "klein",  "wolf",    "brandt", "fischer", "jansen", "kowalski",
    "horvat", "dubois", "moreau", "rossi",  "bianchi", "garcia"};
constexpr std::array<std::string_view, 15> kHostPrefixes = {
    "www", "cdn", "static", "api", "img", "media", "edge", "assets",
    "login", "mail", "video", "dl", "update", "ads", "tracker"};
constexpr std::array<std::string_view, 14> kHostWords = {
    "example", "news", "shop", "cloud", "social", "search", "video",
    "office", "maps", "travel", "bank", "games", "music", "sport"};
constexpr std::array<std::string_view, 8> kTopLevelDomains = {
    "com", "com", "com", "net", "org", "de", "io", "co.uk"};
constexpr std::array<std::string_view, 12> kMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct ContentKind {
  int weight;
  std::string_view directory;
  std::string_view extension;
  std::string_view mime;
  bool large;  // video and archives: bigger bodies
};
constexpr std::array<ContentKind, 8> kContentKinds = {{
    {30, "img", "png", "image/png", false},
    {20, "img", "jpg", "image/jpeg", false},
    {15, "static/js", "js", "application/javascript", false},
    {10, "static/css", "css", "text/css", false},
    {12, "", "html", "text/html", false},
    {8, "api/v2", "json", "application/json", false},
    {3, "video", "mp4", "video/mp4", true},
    {2, "download", "zip", "application/zip", true},
}};

struct Result {
  int weight;
  std::string_view code;
  int status;
  bool from_origin;  // fetched from the server (HIER_DIRECT) or served by the cache
};
constexpr std::array<Result, 7> kResults = {{
    {62, "TCP_MISS", 200, true},
    {14, "TCP_HIT", 200, false},
    {8, "TCP_MEM_HIT", 200, false},
    {7, "TCP_REFRESH_UNMODIFIED", 304, true},
    {4, "TCP_MISS", 304, true},
    {3, "TCP_MISS", 404, true},
    {2, "TCP_MISS", 302, true},
}};

// xoshiro256** seeded through splitmix64: the same stream on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) {
    for (auto& word : state_) {
      seed += 0x9E3779B97F4A7C15ULL;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      word = z ^ (z >> 31);
    }
  }

  std::uint64_t Next() {
    const std::uint64_t result = Rotate(state_[1] * 5, 7) * 9;
    const std::uint64_t shifted = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= shifted;
    state_[3] = Rotate(state_[3], 45);
    return result;
  }

  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }  // [0, 1)

  std::size_t Below(std::size_t count) { return static_cast<std::size_t>(Uniform() * static_cast<double>(count)); }

  double Gauss() {  // Box-Muller, one value per call
    const double radius = std::sqrt(-2.0 * std::log(1.0 - Uniform()));
    return radius * std::cos(6.283185307179586 * Uniform());
  }

  template <typename T, std::size_t N>
  T Choose(const std::array<T, N>& items) { return items[Below(N)]; }

 private:
  static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::array<std::uint64_t, 4> state_{};
};

// Picks rank 0..n-1 with weight 1 / (rank + 1)^exponent.
class HeavyHead {
 public:
  HeavyHead(std::size_t count, double exponent) : cumulative_(count) {
    double total = 0;
    for (std::size_t rank = 0; rank < count; ++rank) {
      total += 1.0 / std::pow(static_cast<double>(rank + 1), exponent);
      cumulative_[rank] = total;
    }
  }
  std::size_t Pick(Random& random) const {
    const double target = random.Uniform() * cumulative_.back();
    const auto found = std::upper_bound(cumulative_.begin(), cumulative_.end(), target);
    return std::min(static_cast<std::size_t>(found - cumulative_.begin()), cumulative_.size() - 1);
  }

 private:
  std::vector<double> cumulative_;
};

struct Options {
  bool squid = true;
  std::uint64_t lines = 1000000;
  std::uint64_t users = 500;
  std::uint64_t hosts = 50000;
  std::uint64_t seed = 1;
  std::string output;
  bool distinct_users = false;
  bool one_user_hosts = false;
  bool verbose = false;
};

// Collects the output in a large buffer and writes it in blocks.
class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) { buffer_.reserve(kBlock + 4096); }

  void Text(std::string_view text) { buffer_.append(text); }
  void Char(char c) { buffer_.push_back(c); }
  void Number(std::uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer_.append(digits, end);
  }
  // Right-aligned in `width` columns, padded with `pad` like printf's %6d / %03d.
  void Padded(std::uint64_t value, std::size_t width, char pad) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto length = static_cast<std::size_t>(end - digits);
    if (length < width) buffer_.append(width - length, pad);
    buffer_.append(digits, end);
  }
  // Called after each line, so that a line never straddles two writes.
  bool EndLine() {
    buffer_.push_back('\n');
    return buffer_.size() < kBlock || Flush();
  }
  bool Flush() {
    written_ += buffer_.size();
    const bool ok = std::fwrite(buffer_.data(), 1, buffer_.size(), file_) == buffer_.size();
    buffer_.clear();
    return ok;
  }
  std::uint64_t written() const { return written_; }

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  std::FILE* file_;
  std::string buffer_;
  std::uint64_t written_ = 0;
};

std::string UserName(std::size_t index) {
  std::string name(kFirstNames[index % kFirstNames.size()]);
  const std::size_t rest = index / kFirstNames.size();
  if (rest == 0) return name;
  name += '.';
  name += kLastNames[rest % kLastNames.size()];
  if (const std::size_t series = rest / kLastNames.size(); series > 0) name += std::to_string(series);
  return name;
}

// The index-th workstation: 10.x.y.z, or 172.16-31.y.z for its second device.
std::string ClientAddress(std::uint64_t index, bool second_device) {
  const std::uint64_t low = index % 254 + 1;
  const std::uint64_t middle = (index / 254) % 256;
  const std::uint64_t high = (index / (254 * 256)) % 256;
  std::string address = second_device ? "172." + std::to_string(16 + high % 16) : "10." + std::to_string(high);
  return address + '.' + std::to_string(middle) + '.' + std::to_string(low);
}

std::string HostName(std::size_t index, Random& random) {
  std::string name(random.Choose(kHostPrefixes));
  if (random.Uniform() < 0.4) name += std::to_string(1 + random.Below(39));
  name += '.';
  name += random.Choose(kHostWords);
  name += '-' + std::to_string(index) + '.';
  name += random.Choose(kTopLevelDomains);
  return name;
}

std::string ServerAddress(Random& random) {
  static constexpr std::array<int, 7> kNetworks = {93, 104, 142, 151, 172, 185, 199};
  return std::to_string(random.Choose(kNetworks)) + '.' + std::to_string(random.Below(256)) + '.' +
         std::to_string(random.Below(256)) + '.' + std::to_string(1 + random.Below(254));
}

std::string Token(Random& random, std::size_t length) {
  static constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string token;
  for (std::size_t i = 0; i < length; ++i) token += kAlphabet[random.Below(kAlphabet.size())];
  return token;
}

struct PathEntry {
  std::string path;
  const ContentKind* kind;
};

std::vector<PathEntry> PathPool(Random& random) {
  int total_weight = 0;
  for (const auto& kind : kContentKinds) total_weight += kind.weight;
  std::vector<PathEntry> pool;
  pool.reserve(kPathPoolSize);
  for (std::size_t i = 0; i < kPathPoolSize; ++i) {
    int target = static_cast<int>(random.Below(static_cast<std::size_t>(total_weight)));
    const ContentKind* kind = kContentKinds.data();
    while (target >= kind->weight) target -= (kind++)->weight;
    const std::string name = Token(random, 4 + random.Below(10));
    std::string path;
    if (kind->extension == "html") {
      path = '/' + Token(random, 3 + random.Below(6)) + '/' + name + ".html";
    } else if (kind->extension == "json") {
      path = "/api/v2/items?id=" + std::to_string(random.Below(100000)) + "&lang=en";
    } else {
      path = '/' + std::string(kind->directory) + '/' + name + '.' + std::string(kind->extension);
    }
    pool.push_back({std::move(path), kind});
  }
  return pool;
}

// Byte counts drawn once; the line loop then needs one lookup.
std::vector<std::uint64_t> LogNormalTable(Random& random, double median, double spread, double cap) {
  std::vector<std::uint64_t> table(kTableSize);
  for (auto& value : table) value = static_cast<std::uint64_t>(std::min(median * std::exp(spread * random.Gauss()), cap));
  return table;
}

// "05/Dec/2026:10:00:00 +0000"
std::string CommonTime(std::int64_t second) {
  const std::time_t when = static_cast<std::time_t>(second);
  std::tm moment{};
  gmtime_r(&when, &moment);
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%s/%04d:%02d:%02d:%02d +0000", moment.tm_mday,
                kMonths[static_cast<std::size_t>(moment.tm_mon)].data(), moment.tm_year + 1900,
                moment.tm_hour, moment.tm_min, moment.tm_sec);
  return text;
}

// The fields of one line, whatever the format.
struct Line {
  std::int64_t time_ms = 0;
  std::uint64_t elapsed = 0;
  std::string_view address;
  std::string_view code;
  int status = 0;
  std::uint64_t size = 0;
  std::string_view method;
  std::string_view host;
  std::string_view path;  // empty for a tunnel: the URL is then host:443
  std::string_view user;
  bool direct = false;
  std::string_view server;
  std::string_view mime;
};

void WriteSquid(const Line& line, Output& out) {
  // Squid's "%9d.%03d %6d": the elapsed time is padded to six columns.
  out.Number(static_cast<std::uint64_t>(line.time_ms / 1000));
  out.Char('.');
  out.Padded(static_cast<std::uint64_t>(line.time_ms % 1000), 3, '0');
  out.Char(' ');
  out.Padded(line.elapsed, 6, ' ');
  out.Char(' ');
  out.Text(line.address);
  out.Char(' ');
  out.Text(line.code);
  out.Char('/');
  out.Padded(static_cast<std::uint64_t>(line.status), 3, '0');
  out.Char(' ');
  out.Number(line.size);
  out.Char(' ');
  out.Text(line.method);
  if (line.path.empty()) {
    out.Char(' ');
    out.Text(line.host);
    out.Text(":443 ");
  } else {
    out.Text(" http://");
    out.Text(line.host);
    out.Text(line.path);
    out.Char(' ');
  }
  out.Text(line.user);
  if (line.direct) {
    out.Text(" HIER_DIRECT/");
    out.Text(line.server);
  } else {
    out.Text(" HIER_NONE/-");
  }
  out.Char(' ');
  out.Text(line.mime);
}

void WriteCommon(const Line& line, std::string_view stamp, Output& out) {
  out.Text(line.address);
  out.Text(" - ");
  out.Text(line.user);
  out.Text(" [");
  out.Text(stamp);
  out.Text("] \"");
  out.Text(line.method);
  out.Char(' ');
  if (line.path.empty()) {
    out.Text(line.host);
    out.Text(":443");
  } else {
    out.Text("http://");
    out.Text(line.host);
    out.Text(line.path);
  }
  out.Text(" HTTP/1.1\" ");
  out.Number(static_cast<std::uint64_t>(line.status));
  out.Char(' ');
  out.Number(line.size);
  out.Char(' ');
  out.Text(line.code);
  out.Text(line.direct ? ":HIER_DIRECT" : ":HIER_NONE");
}

// Writes options.lines lines; false when a write failed. Every draw comes from
// one stream in a fixed order, so the bytes depend on the options only.
bool WriteLog(const Options& options, Output& out) {
  Random random(options.seed);
  const bool special = options.distinct_users || options.one_user_hosts;
  // No anonymous user in the special cases: it would break "every line a new
  // user" and "one user".
  const double denied_share = special ? 0.0 : kDeniedShare;

  std::vector<std::string> hosts;
  std::vector<std::string> servers;
  hosts.reserve(options.hosts);
  servers.reserve(options.hosts);
  for (std::size_t i = 0; i < options.hosts; ++i) hosts.push_back(HostName(i, random));
  for (std::size_t i = 0; i < options.hosts; ++i) servers.push_back(ServerAddress(random));
  const std::vector<PathEntry> paths = PathPool(random);
  const auto small_sizes = LogNormalTable(random, 9000, 1.9, 80e6);
  const auto large_sizes = LogNormalTable(random, 60000, 1.9, 80e6);
  std::vector<std::uint64_t> elapsed_times(4096);
  for (auto& value : elapsed_times) value = static_cast<std::uint64_t>(std::exp(5.0 + 1.3 * random.Gauss()));
  const HeavyHead host_head(options.hosts, kHostExponent);
  // Rank r of the heavy head is a shuffled host, so that the busiest hosts are
  // not simply the lowest numbers.
  std::vector<std::size_t> host_by_rank(options.hosts);
  std::iota(host_by_rank.begin(), host_by_rank.end(), std::size_t{0});
  for (std::size_t i = host_by_rank.size(); i > 1; --i) std::swap(host_by_rank[i - 1], host_by_rank[random.Below(i)]);

  int result_weight = 0;
  for (const auto& result : kResults) result_weight += result.weight;

  const std::size_t user_count = special ? 1 : options.users;
  const HeavyHead user_head(user_count, kUserExponent);
  std::vector<std::string> users;
  std::vector<std::string> first_addresses;
  std::vector<std::string> second_addresses;
  for (std::size_t i = 0; i < user_count; ++i) {
    users.push_back(UserName(i));
    first_addresses.push_back(ClientAddress(i, false));
    second_addresses.push_back(ClientAddress(i, random.Uniform() < kTwoDeviceShare));
  }

  std::int64_t time_ms = kStartTime * 1000;
  std::int64_t stamp_second = -1;
  std::string stamp;
  std::string distinct_user;
  std::string distinct_address;
  Line line;
  for (std::uint64_t number = 0; number < options.lines; ++number) {
    time_ms += static_cast<std::int64_t>(random.Uniform() * 2 * kMeanGapMs);
    line.time_ms = time_ms;
    line.elapsed = elapsed_times[random.Below(elapsed_times.size())];
    const std::size_t host = (options.one_user_hosts && number < options.hosts)
                                 ? host_by_rank[number]  // every host at least once
                                 : host_by_rank[host_head.Pick(random)];
    line.host = hosts[host];
    line.server = servers[host];
    if (options.distinct_users) {
      distinct_user = 'u';
      const std::string digits = std::to_string(number);
      if (digits.size() < 7) distinct_user.append(7 - digits.size(), '0');
      distinct_user += digits;
      distinct_address = ClientAddress(number, false);
      line.user = distinct_user;
      line.address = distinct_address;
    } else {
      const std::size_t user = user_head.Pick(random);
      line.user = users[user];
      line.address = random.Uniform() < kSecondDeviceShare ? second_addresses[user] : first_addresses[user];
    }

    const double kind = random.Uniform();
    if (kind < denied_share) {
      // A denied request comes from a real workstation, so the anonymous
      // user's address list stays as small as the user table.
      line.user = "-";
      line.address = first_addresses[user_head.Pick(random)];
      line.code = "TCP_DENIED";
      line.status = 403;
      line.method = "GET";
      line.direct = false;
      line.mime = "text/html";
      line.elapsed %= 5;
      line.size = 3500 + random.Below(800);
      line.path = paths[random.Below(paths.size())].path;
    } else if (kind < denied_share + kConnectShare) {
      line.code = "TCP_TUNNEL";
      line.status = 200;
      line.method = "CONNECT";
      line.direct = true;
      line.mime = "-";
      line.elapsed *= 20;
      line.size = large_sizes[random.Below(kTableSize)];
      line.path = {};
    } else {
      const PathEntry& entry = paths[random.Below(paths.size())];
      int target = static_cast<int>(random.Below(static_cast<std::size_t>(result_weight)));
      const Result* result = kResults.data();
      while (target >= result->weight) target -= (result++)->weight;
      line.code = result->code;
      line.status = result->status;
      line.direct = result->from_origin;
      line.path = entry.path;
      line.mime = entry.kind->mime;
      if (result->status == 200) {
        line.size = (entry.kind->large ? large_sizes : small_sizes)[random.Below(kTableSize)];
      } else {
        line.size = 250 + random.Below(400);
        line.mime = result->status == 304 ? "-" : "text/html";
      }
      line.method = (entry.kind->extension == "json" && random.Uniform() < 0.3) ? "POST" : "GET";
    }
    if (random.Uniform() < kHugeShare && line.status == 200) {
      line.size = kGiB + random.Below(2 * kGiB);  // an ISO image or a backup
    }

    if (options.squid) {
      WriteSquid(line, out);
    } else {
      if (const std::int64_t second = time_ms / 1000; second != stamp_second) {
        stamp_second = second;
        stamp = CommonTime(second);
      }
      WriteCommon(line, stamp, out);
    }
    if (!out.EndLine()) return false;
  }
  return out.Flush();
}

void PrintUsage() {
  std::fputs(
      "usage: generate_log --output PATH [--format squid|common] [--lines N] [--users U]\n"
      "                    [--hosts H] [--seed S] [--distinct-users | --one-user-hosts] [--verbose]\n"
      "  --format squid    Squid native access.log lines (default)\n"
      "  --format common   common log format, as written with emulate_httpd_log\n"
      "  --lines N         lines to write (default 1000000)\n"
      "  --users U         distinct users (default 500)\n"
      "  --hosts H         distinct hosts in the pool (default 50000)\n"
      "  --seed S          random seed; the same arguments give the same file (default 1)\n"
      "  --output PATH     file to write, '-' for standard output\n"
      "  --distinct-users  every line by a new user (--users is ignored)\n"
      "  --one-user-hosts  one user who visits all H hosts (needs N >= H)\n"
      "  --verbose         report size and speed on standard error\n",
      stdout);
}

bool ParseCount(std::string_view text, std::uint64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size();
}

// Fills `options`; on a mistake prints what is wrong and returns false.
bool ParseOptions(int argc, char** argv, Options& options) {
  auto fail = [](const std::string& message) {
    std::fprintf(stderr, "generate_log: %s (run generate_log --help for the options)\n", message.c_str());
    return false;
  };
  for (int i = 1; i < argc; ++i) {
    std::string_view name = argv[i];
    std::string_view value;
    bool has_value = false;
    if (const auto equals = name.find('='); equals != std::string_view::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      has_value = true;
    }
    auto take_value = [&]() {
      if (has_value) return true;
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    auto take_count = [&](std::uint64_t& target) {
      if (!take_value()) return fail(std::string(name) + " needs a value");
      if (!ParseCount(value, target)) return fail(std::string(name) + " needs a whole number, not '" + std::string(value) + "'");
      return true;
    };
    if (name == "--help" || name == "-h") {
      PrintUsage();
      std::exit(0);
    } else if (name == "--format") {
      if (!take_value()) return fail("--format needs a value");
      if (value != "squid" && value != "common") return fail("--format is squid or common, not '" + std::string(value) + "'");
      options.squid = value == "squid";
    } else if (name == "--lines") {
      if (!take_count(options.lines)) return false;
    } else if (name == "--users") {
      if (!take_count(options.users)) return false;
    } else if (name == "--hosts") {
      if (!take_count(options.hosts)) return false;
    } else if (name == "--seed") {
      if (!take_count(options.seed)) return false;
    } else if (name == "--output") {
      if (!take_value()) return fail("--output needs a path");
      options.output = value;
    } else if (name == "--distinct-users") {
      options.distinct_users = true;
    } else if (name == "--one-user-hosts") {
      options.one_user_hosts = true;
    } else if (name == "--verbose") {
      options.verbose = true;
    } else {
      return fail("unknown option '" + std::string(argv[i]) + "'");
    }
  }
  if (options.output.empty()) return fail("--output PATH is required");
  if (options.users == 0 || options.hosts == 0) return fail("--users and --hosts must be 1 or more");
  if (options.distinct_users && options.one_user_hosts) return fail("--distinct-users and --one-user-hosts exclude each other");
  if (options.one_user_hosts && options.lines < options.hosts) {
    return fail("--one-user-hosts needs --lines of at least --hosts, so that every host is visited");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  const auto started = std::chrono::steady_clock::now();
  const bool to_stdout = options.output == "-";
  std::FILE* file = to_stdout ? stdout : std::fopen(options.output.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "generate_log: cannot create %s: %s; check that the directory exists and is writable\n",
                 options.output.c_str(), std::strerror(errno));
    return 1;
  }
  Output out(file);
  bool ok = WriteLog(options, out);
  if (!to_stdout) ok = std::fclose(file) == 0 && ok;
  else ok = std::fflush(file) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "generate_log: writing %s failed: %s; check free space\n", options.output.c_str(),
                 std::strerror(errno));
    return 1;
  }
  if (options.verbose) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto lines = static_cast<double>(options.lines);
    std::fprintf(stderr, "%s: %llu lines, %llu bytes (%.1f bytes/line) in %.2f s, %.0f lines/s\n",
                 options.output.c_str(), static_cast<unsigned long long>(options.lines),
                 static_cast<unsigned long long>(out.written()),
                 lines > 0 ? static_cast<double>(out.written()) / lines : 0.0, seconds,
                 seconds > 0 ? lines / seconds : 0.0);
  }
  return 0;
}
