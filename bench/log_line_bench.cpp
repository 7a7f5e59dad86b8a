// Cost per log line of the reading steps: reading lines from a file, splitting (the plain splitter
// against the fast parser), host extraction, and the hash indexes (users,
// interned hosts, each user's hosts). Lines come from the same kind of Squid
// log that generate_log writes; each benchmark reports items (lines) per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "config/settings.h"
#include "platform/file_parts.h"
#include "platform/locale.h"
#include "text/split_fields.h"
#include "usage/host_address.h"
#include "usage/log_ingestion.h"
#include "usage/log_line_parser.h"
#include "usage/usage_tables.h"

namespace {

using namespace sirvane;

Settings SquidSettings() {
  Settings s;
  s.NameField = 8;
  s.BytesField = 5;
  s.QueryField = 7;
  s.IpField = 3;
  return s;
}

// Squid native lines: a heavy head of users and hosts, some CONNECT tunnels.
std::vector<std::string> SquidLines(std::size_t count, std::size_t users, std::size_t hosts) {
  std::mt19937_64 random(7);
  std::vector<std::string> lines;
  lines.reserve(count);
  auto skewed = [&](std::size_t n) {
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(random);
    return static_cast<std::size_t>(static_cast<double>(n) * u * u * u);
  };
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t host = skewed(hosts);
    const bool tunnel = random() % 10 == 0;
    std::string url = tunnel ? "cdn" + std::to_string(host) + ".example-" + std::to_string(host % 977) + ".com:443"
                             : "http://cdn" + std::to_string(host) + ".Example-" + std::to_string(host % 977) +
                                   ".com/img/a" + std::to_string(random() % 100000) + ".png";
    lines.push_back("1796112000." + std::to_string(100 + i % 900) + "    " + std::to_string(random() % 900) +
                    " 10.0." + std::to_string(random() % 4) + "." + std::to_string(random() % 250) +
                    " TCP_MISS/200 " + std::to_string(random() % 100000) + (tunnel ? " CONNECT " : " GET ") + url +
                    " User" + std::to_string(skewed(users)) + " HIER_DIRECT/203.0.113.10 image/png");
  }
  return lines;
}

const std::vector<std::string>& Lines() {
  static const std::vector<std::string> lines = SquidLines(100000, 500, 50000);
  return lines;
}

void BM_PlainSplitter(benchmark::State& state) {
  const Settings settings = SquidSettings();
  const LowerCase lower;
  const LineSplitter splitter(settings.Separator, lower, LastFieldUsed(settings));
  TTokenizedlogrec record;
  std::string line;
  std::size_t i = 0;
  for (auto _ : state) {
    line = Lines()[i++ % Lines().size()];
    splitter.Split(line.data(), line.size(), record);
    benchmark::DoNotOptimize(record.fields.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PlainSplitter);

void BM_FastParser(benchmark::State& state) {
  const Settings settings = SquidSettings();
  const LowerCase lower;
  const LogLineParser parser(settings, lower);
  LogLine parsed;
  std::string line;
  std::size_t i = 0;
  for (auto _ : state) {
    line = Lines()[i++ % Lines().size()];
    parser.Parse(line.data(), line.size(), parsed);
    benchmark::DoNotOptimize(parsed.host.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FastParser);

// The copy of the line in the two benchmarks above, alone: subtract it.
void BM_LineCopyOnly(benchmark::State& state) {
  std::string line;
  std::size_t i = 0;
  for (auto _ : state) {
    line = Lines()[i++ % Lines().size()];
    benchmark::DoNotOptimize(line.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LineCopyOnly);

void BM_HostOfUrl(benchmark::State& state) {
  std::vector<std::string> urls;
  for (const std::string& line : Lines()) {
    TTokenizedlogrec record;
    SplitFields(line, ' ', record, LowerCase());
    urls.emplace_back(record.Field(7));
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(HostOfUrl(urls[i++ % urls.size()]).size());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HostOfUrl);

// Reading lines from a page-cached file in batches, against the least any
// reader must do: one memchr per line over the same bytes in memory.
std::string LogText() {
  std::string text;
  for (const std::string& line : Lines()) text += line + '\n';
  return text;
}

void BM_ReadLinesInBatches(benchmark::State& state) {
  const std::string path = (std::filesystem::temp_directory_path() / "sirvane-log-line-bench.log").string();
  const std::string text = LogText();
  std::ofstream(path, std::ios::binary) << text;
  std::vector<std::span<char>> lines;
  for (auto _ : state) {
    RangeLineReader reader;
    reader.Open(path, FileRange{0, text.size()});
    while (reader.ReadMutableLines(lines)) benchmark::DoNotOptimize(lines.data());
  }
  std::filesystem::remove(path);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Lines().size()));
}
BENCHMARK(BM_ReadLinesInBatches)->Unit(benchmark::kMillisecond);

void BM_MemchrLineEndsOnly(benchmark::State& state) {
  const std::string text = LogText();
  for (auto _ : state) {
    for (const char* p = text.data(); const void* lf = std::memchr(p, '\n', text.size() - (p - text.data()));) {
      p = static_cast<const char*>(lf) + 1;
      benchmark::DoNotOptimize(p);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Lines().size()));
}
BENCHMARK(BM_MemchrLineEndsOnly)->Unit(benchmark::kMillisecond);

// Users, interned hosts and each user's hosts: the whole accounting of
// parsed lines, one at a time and in batches (the memory of later lines
// loaded while earlier ones are accounted).
void AccountLines(benchmark::State& state, bool batched) {
  const Settings settings = SquidSettings();
  const LowerCase lower;
  const LogLineParser parser(settings, lower);
  std::vector<std::string> copies = SquidLines(static_cast<std::size_t>(state.range(0)), 500, 50000);
  std::vector<LogLine> parsed(copies.size());
  for (std::size_t i = 0; i < copies.size(); ++i) parser.Parse(copies[i].data(), copies[i].size(), parsed[i]);
  for (auto _ : state) {
    UsageTables tables;
    FastLineAccountant accountant(settings, tables);
    if (batched) {
      accountant.AccountBatch(parsed.data(), parsed.size());
    } else {
      for (const LogLine& line : parsed) accountant.AccountBatch(&line, 1);
    }
    benchmark::DoNotOptimize(&tables.Users);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(parsed.size()));
}
void BM_AccountOneByOne(benchmark::State& state) { AccountLines(state, false); }
void BM_AccountInBatches(benchmark::State& state) { AccountLines(state, true); }
BENCHMARK(BM_AccountOneByOne)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AccountInBatches)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
