#include "usage/log_ingestion.h"

#include <gtest/gtest.h>

#include "support/usage_lists.h"

#include "platform/error.h"

namespace sirvane {
namespace {

// Accounts lines as a file read would, line after line into one table.
struct Ingest {
  explicit Ingest(Settings s) : settings(std::move(s)), accountant(settings, tables) {}
  Ingest& Line(const std::string& line) {
    std::string bytes = line;
    LineSplitter(settings.Separator, LowerCase(), LastFieldUsed(settings)).Split(bytes.data(), bytes.size(), record);
    accountant.Account(record);
    return *this;
  }
  const UserTable& Users() {
    tables.FinishHostLists();
    return tables.Users;
  }
  Settings settings;
  UsageTables tables;
  TTokenizedlogrec record;
  LineAccountant accountant;
};

Settings Positions(std::int32_t name, std::int32_t bytes, std::int32_t url, std::int32_t address) {
  Settings s;
  s.NameField = name;
  s.BytesField = bytes;
  s.QueryField = url;
  s.IpField = address;
  return s;
}

TEST(LogIngestionTest, ReadsTheSampleLineWithEitherNameField) {
  const std::string sample =
      "192.0.2.7 - Alice [05/Dec/2026:10:00:00 +0000] GET http://host.example/a.gif HTTP/1.0 200 2326";
  Ingest by_address{Settings()};
  by_address.Line(sample);
  const TReportRec& first = by_address.Users().at(0);
  EXPECT_EQ(first.UserName, "192.0.2.7");
  EXPECT_EQ(first.Traffic, 2326);
  EXPECT_EQ(testing::HostNames(by_address.tables, first), std::vector<std::string_view>{"host.example"});
  EXPECT_EQ(first.AddressCount(), 0);

  Ingest by_name{Positions(3, 10, 7, 1)};
  by_name.Line(sample);
  EXPECT_EQ(by_name.tables.Users.at(0).UserName, "alice");
  EXPECT_EQ(testing::AddressNames(by_name.tables, by_name.tables.Users.at(0)), std::vector<std::string_view>{"192.0.2.7"});
}

TEST(LogIngestionTest, AccountsEachKindOfLine) {
  Ingest ingest{Positions(5, 2, 3, 4)};
  ingest.Line("x bytes url 1.1.1.1 hdr")  // no user yet and no byte count: nothing at all
      .Line("x 100 http://a.example/ 10.0.0.1 Alice")
      .Line("x 50 http://b.example/x 10.0.0.2 .alice")
      .Line("x n/a http://c.example/ 10.0.0.3 ..ALICE")  // only the address
      .Line("x - http://d.example/ 10.0.0.4 bob")        // a new user without traffic
      .Line("x 0 http://e.example/ 10.0.0.5 ..")         // a name of dots stays
      .Line("x 1073741824 http://f.example/ 10.0.0.6 carol")
      .Line("x 9223372036854775807 http://a.example/ 10.0.0.1 alice")
      .Line("alice");  // a short line reads its missing fields as empty
  const UserTable& users = ingest.Users();
  ASSERT_EQ(users.size(), 5u);
  EXPECT_EQ(users[0].UserName, "alice");
  EXPECT_EQ(users[0].Traffic, INT64_MAX);  // saturated, not wrapped
  EXPECT_EQ(testing::HostNames(ingest.tables, users[0]), (std::vector<std::string_view>{"a.example", "b.example"}));
  EXPECT_EQ(testing::AddressNames(ingest.tables, users[0]), (std::vector<std::string_view>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
  EXPECT_EQ(users[1].UserName, "bob");
  EXPECT_EQ(users[1].Traffic, 0);
  EXPECT_EQ(users[1].HostCount(), 0);
  EXPECT_EQ(users[2].UserName, "..");
  EXPECT_EQ(testing::HostTraffic(users[2]), std::vector<std::int64_t>{0});
  EXPECT_EQ(users[3].Traffic, 1073741824);  // large transfers count
  EXPECT_EQ(users[4].UserName, "");
}

TEST(LogIngestionTest, AFieldPositionOutOfRangeStopsTheRunNamingTheSetting) {
  struct Case {
    Settings settings;
    const char* line;
    const char* key;  // nullptr: no error
  };
  const std::vector<Case> cases = {
      {Positions(0, 2, 3, 4), "a 1 u", "namefield"},  {Positions(1, 1001, 3, 4), "a 1 u", "bytesfield"},
      {Positions(1, 2, 0, 4), "a 1 u", "queryfield"}, {Positions(1, 2, 0, 4), "a x u", nullptr},
      {Positions(1, 2, 3, 1001), "a 1 u", "ipfield"}, {Positions(1, 2, 3, 1001), "a x u", nullptr},
      {Positions(1, 2, 3, -3), "a 1 u", nullptr},
  };
  for (const Case& c : cases) {
    Ingest ingest{c.settings};
    if (c.key == nullptr) {
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
  Ingest ingest{Positions(1, 2, 3, 4)};
  for (int i = 0; i < 20000; ++i) ingest.Line("user" + std::to_string(i) + " 1 http://h/ a");
  for (int i = 19999; i >= 0; i -= 2) ingest.Line("user" + std::to_string(i) + " 2 http://h/ a");
  ASSERT_EQ(ingest.tables.UserCount(), 20000);
  for (int i = 0; i < 20000; i += 997) {
    EXPECT_EQ(ingest.tables.Users[i].UserName, "user" + std::to_string(i));
    EXPECT_EQ(ingest.tables.Users[i].Traffic, i % 2 == 1 ? 3 : 1);
  }
}

}  // namespace
}  // namespace sirvane
