#include "usage/log_ingestion.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/usage_lists.h"

namespace sirvane {
namespace {

// Accounts lines as a file read would, line after line into one table.
struct Ingest {
  Ingest(std::int32_t name, std::int32_t bytes, std::int32_t url, std::int32_t address)
      : accountant(settings, tables) {
    settings.NameField = name;
    settings.BytesField = bytes;
    settings.QueryField = url;
    settings.IpField = address;
  }
  Ingest& Line(std::string line) {
    const LowerCase lower;
    LineSplitter(settings.Separator, lower, LastFieldUsed(settings)).Split(line.data(), line.size(), record);
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

TEST(LogIngestionTest, AccountsEachKindOfLine) {
  Ingest ingest(5, 2, 3, 4);
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
  EXPECT_EQ(testing::HostTraffic(users[0]), (std::vector<std::int64_t>{INT64_MAX, 50}));
  EXPECT_EQ(testing::AddressNames(ingest.tables, users[0]),
            (std::vector<std::string_view>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
  EXPECT_EQ(users[1].UserName, "bob");
  EXPECT_EQ(users[1].Traffic, 0);
  EXPECT_EQ(users[1].HostCount(), 0);
  EXPECT_EQ(users[2].UserName, "..");
  EXPECT_EQ(testing::HostTraffic(users[2]), std::vector<std::int64_t>{0});
  EXPECT_EQ(users[3].Traffic, 1073741824);  // large transfers count
  EXPECT_EQ(users[4].UserName, "");

  // Names from the first field, where the address usually is: no addresses kept.
  EXPECT_EQ(Ingest(1, 2, 3, 4).Line("10.0.0.1 5 http://a/ 10.0.0.1").Users().at(0).AddressCount(), 0);
}

TEST(LogIngestionTest, AFieldPositionOutOfRangeStopsTheRunNamingTheSetting) {
  struct Case {
    Ingest ingest;
    const char* line;
    const char* key;  // nullptr: no error
  };
  Case cases[] = {
      {{0, 2, 3, 4}, "a 1 u", "namefield"},  {{1, 1001, 3, 4}, "a 1 u", "bytesfield"},
      {{1, 2, 0, 4}, "a 1 u", "queryfield"}, {{1, 2, 0, 4}, "a x u", nullptr},  // no byte count: no URL read
      {{1, 2, 3, 1001}, "a 1 u", "ipfield"}, {{1, 2, 3, 1001}, "a x u", nullptr},  // a header adds nobody
      {{1, 2, 3, -3}, "a 1 u", nullptr},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (c.key == nullptr) {
      EXPECT_NO_THROW(c.ingest.Line(c.line));
      continue;
    }
    // Only the plain way checks positions: the fast one must leave them to it.
    EXPECT_FALSE(LogLineParser(c.ingest.settings, LowerCase()).Usable());
    try {
      c.ingest.Line(c.line);
      ADD_FAILURE() << "no error for " << c.key;
    } catch (const RunError& error) {
      EXPECT_EQ(error.kind(), "Range check error");
      EXPECT_NE(error.advice().find(c.key), std::string::npos) << error.advice();
    }
  }
}

}  // namespace
}  // namespace sirvane
