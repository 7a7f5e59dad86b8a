#include "report/address_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/golden.h"

namespace sirvane {
namespace {

std::string WriteList(const std::vector<testing::UserUsage>& users) {
  testing::ExampleReport report;
  report.Add(users);
  WriteAddressList(report.tables, report.Context(1.0));
  return report.Read("ipaccess.txt");
}

TEST(AddressListTest, EveryUserGetsALine) {
  // admin's second 10.0.0.9 is recorded once.
  EXPECT_EQ(WriteList({{"admin", 0, {}, {"10.0.0.7", "10.0.0.9", "10.0.0.9"}},
                       {"-", 0, {}, {"10.0.0.12"}},
                       {"guest", 0, {}, {"10.0.0.9"}}}),
            testing::Golden("ipaccess.txt"));
  // Nothing is escaped: the list is plain text.
  EXPECT_EQ(WriteList({{"admin"}, {""}, {"<b>", 0, {}, {"&x", ""}}}),
            testing::CrLf({"user:                 access from: ", "admin : ;", " : ;", "<b> : &x, ;"}));
}

}  // namespace
}  // namespace sirvane
