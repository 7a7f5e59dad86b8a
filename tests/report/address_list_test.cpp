#include "report/address_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sirvane {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::TempDir;

struct User {
  std::string name;
  std::vector<std::string> addresses;
};

std::string WriteList(const std::vector<User>& users) {
  TempDir dir;
  Settings settings;
  settings.OutputPath = dir.path() + "/";
  settings.IpField = 3;
  PageTemplates templates;
  FixedClock clock(LocalDateTime{2026, 3, 12, 9, 30, 0});
  const LocaleFormats formats{"%d.%m.%Y", "%-H:%M:%S"};
  UsageTables tables;
  for (const User& user : users) {
    TReportRec& record = tables.Users[tables.AddUser(user.name)];
    for (const std::string& address : user.addresses) tables.AddAddress(record, address);
  }
  WriteAddressList(tables, ReportContext{settings, templates, 1.0, clock, formats});
  return ReadFile(dir.File("ipaccess.txt"));
}

TEST(AddressListTest, ExampleMatchesByteForByte) {
  const std::string golden = ReadFile(std::string(SIRVANE_SOURCE_DIR) + "/tests/golden/ipaccess.txt");
  ASSERT_FALSE(golden.empty());
  // The second 10.0.0.9 of admin is recorded once.
  EXPECT_EQ(WriteList({{"admin", {"10.0.0.7", "10.0.0.9", "10.0.0.9"}}, {"-", {"10.0.0.12"}}, {"guest", {"10.0.0.9"}}}),
            golden);
}

TEST(AddressListTest, EveryUserGetsALine) {
  struct Case {
    const char* what;
    std::vector<User> users;
    std::string content;
  };
  const std::string header = "user:                 access from: ";
  const Case cases[] = {
      {"no users", {}, CrLf({header})},
      {"users without addresses", {{"admin", {}}, {"", {}}}, CrLf({header, "admin : ;", " : ;"})},
      {"one address has no comma", {{"a", {"1.2.3.4"}}}, CrLf({header, "a : 1.2.3.4;"})},
      {"names and addresses are written unchanged", {{"<b>", {"&x", ""}}}, CrLf({header, "<b> : &x, ;"})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteList(c.users), c.content) << c.what;
  }
}

}  // namespace
}  // namespace sirvane
