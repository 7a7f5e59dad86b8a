#include "usage/log_ingestion.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace sirvane {
namespace {

// Feeds lines through the splitter and the accountant as a file read would.
class Ingest {
 public:
  explicit Ingest(Settings settings) : settings_(std::move(settings)), accountant_(settings_, tables_) {}
  Ingest& Line(const std::string& line) {
    SplitFields(line, settings_.Separator, record_, LowerCase());
    accountant_.Account(record_);
    return *this;
  }
  UsageTables& tables() { return tables_; }
  const TReportRec& User(std::size_t i) { return tables_.Users.at(i); }

 private:
  Settings settings_;
  UsageTables tables_;
  TTokenizedlogrec record_;
  LineAccountant accountant_;
};

const char* kSample =
    "192.0.2.7 - Alice [05/Dec/2026:10:00:00 +0000] GET http://host.example/a.gif HTTP/1.0 200 2326";

TEST(LogIngestionTest, ReadsTheSampleLineWithDefaultPositions) {
  Ingest ingest{Settings()};
  ingest.Line(kSample);
  ASSERT_EQ(ingest.tables().UserCount(), 1);
  const TReportRec& user = ingest.User(0);
  EXPECT_EQ(user.UserName, "192.0.2.7");
  EXPECT_EQ(user.Traffic, 2326);
  EXPECT_EQ(user.History.Hosts, std::vector<std::string_view>{"host.example"});
  EXPECT_EQ(user.AddressCount(), 0);
}

TEST(LogIngestionTest, ReadsTheSampleLineWithNameAndAddressFields) {
  Settings settings;
  settings.NameField = 3;
  settings.IpField = 1;
  Ingest ingest{settings};
  ingest.Line(kSample);
  const TReportRec& user = ingest.User(0);
  EXPECT_EQ(user.UserName, "alice");
  EXPECT_EQ(user.Addresses, std::vector<std::string_view>{"192.0.2.7"});
  EXPECT_EQ(user.Traffic, 2326);
}

Settings ThreeFields() {
  Settings s;  // name, bytes, url, address
  s.NameField = 1;
  s.BytesField = 2;
  s.QueryField = 3;
  s.IpField = 4;
  return s;
}

TEST(LogIngestionTest, AccountsEachKindOfLine) {
  Settings s = ThreeFields();
  s.NameField = 5;  // names elsewhere than the first field, so addresses are kept
  auto line = [](const std::string& name, const std::string& bytes, const std::string& url,
                 const std::string& address) { return "x " + bytes + " " + url + " " + address + " " + name; };
  Ingest ingest{s};
  ingest.Line(line("hdr", "bytes", "url", "1.1.1.1"))       // no user yet, not a number: nothing
      .Line(line("Alice", "100", "http://a.example/", "10.0.0.1"))
      .Line(line(".alice", "50", "http://b.example/x", "10.0.0.2"))
      .Line(line("..ALICE", "n/a", "http://c.example/", "10.0.0.3"))  // only the address
      .Line(line("bob", "-", "http://d.example/", "10.0.0.4"))        // new user, no traffic
      .Line(line("..", "0", "http://e.example/", "10.0.0.5"))         // a name of dots stays
      .Line(line("carol", "1073741824", "http://f.example/", "10.0.0.6"))
      .Line(line("alice", "9223372036854775807", "http://a.example/", "10.0.0.1"));
  ASSERT_EQ(ingest.tables().UserCount(), 4);
  const TReportRec& alice = ingest.User(0);
  EXPECT_EQ(alice.UserName, "alice");
  EXPECT_EQ(alice.Traffic, INT64_MAX);  // saturated, not wrapped
  EXPECT_EQ(alice.History.Hosts, (std::vector<std::string_view>{"a.example", "b.example"}));
  EXPECT_EQ(alice.Addresses, (std::vector<std::string_view>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
  const TReportRec& bob = ingest.User(1);
  EXPECT_EQ(bob.Traffic, 0);
  EXPECT_EQ(bob.History.HostCount(), 0);
  EXPECT_EQ(bob.Addresses, std::vector<std::string_view>{"10.0.0.4"});
  EXPECT_EQ(ingest.User(2).UserName, "..");
  EXPECT_EQ(ingest.User(2).History.HostTraffic, std::vector<std::int64_t>{0});
  EXPECT_EQ(ingest.User(3).Traffic, 1073741824);  // large transfers count
}

TEST(LogIngestionTest, AShortLineNeverBorrowsAnEarlierLinesFields) {
  Ingest ingest{ThreeFields()};
  ingest.Line("alice 100 http://a.example/ 10.0.0.1").Line("alice").Line("bob");
  EXPECT_EQ(ingest.User(0).Traffic, 100);
  ASSERT_EQ(ingest.tables().UserCount(), 2);
  EXPECT_EQ(ingest.User(1).Traffic, 0);
}

TEST(LogIngestionTest, AFieldPositionOutOfRangeStopsTheRunNamingTheSetting) {
  struct Case {
    std::int32_t Settings::*field;
    std::int32_t value;
    const char* line;
    const char* key;  // empty: no error
  };
  const std::vector<Case> cases = {
      {&Settings::NameField, 0, "a 1 u", "namefield"},
      {&Settings::BytesField, 1001, "a 1 u", "bytesfield"},
      {&Settings::QueryField, 0, "a 1 u", "queryfield"},
      {&Settings::QueryField, 0, "a x u", ""},  // the URL is read only for a byte count
      {&Settings::IpField, 1001, "a x u", ""},  // no user yet and no byte count: nothing is read
      {&Settings::IpField, 1001, "a 1 u", "ipfield"},
      {&Settings::IpField, -3, "a 1 u", ""},    // addresses off
  };
  for (const Case& c : cases) {
    Settings s = ThreeFields();
    s.*c.field = c.value;
    Ingest ingest{s};
    if (std::string(c.key).empty()) {
      EXPECT_NO_THROW(ingest.Line(c.line)) << c.line;
      continue;
    }
    try {
      ingest.Line(c.line);
      ADD_FAILURE() << "no error for " << c.key;
    } catch (const RunError& error) {
      EXPECT_EQ(error.kind(), "Range check error");
      EXPECT_NE(error.advice().find(c.key), std::string::npos) << error.advice();
    }
  }
}

TEST(LogIngestionTest, ManyDistinctUsersKeepFirstSeenOrder) {
  Ingest ingest{ThreeFields()};
  for (int i = 0; i < 20000; ++i) ingest.Line("user" + std::to_string(i) + " 1 http://h/ a");
  for (int i = 19999; i >= 0; i -= 2) ingest.Line("user" + std::to_string(i) + " 2 http://h/ a");
  ASSERT_EQ(ingest.tables().UserCount(), 20000);
  for (int i = 0; i < 20000; i += 997) {
    EXPECT_EQ(ingest.User(i).UserName, "user" + std::to_string(i));
    EXPECT_EQ(ingest.User(i).Traffic, i % 2 == 1 ? 3 : 1);
  }
}

}  // namespace
}  // namespace sirvane
