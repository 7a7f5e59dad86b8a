#include "report/html_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace sirvane {
namespace {

using namespace std::string_literals;

TEST(HtmlEncodingTest, EscapesMarkupAndPercentEncodesLinks) {
  // Text is data, never markup: even an entity is escaped again.
  EXPECT_EQ(HtmlText("<a href='x'>\"&amp;\0\xE9"s), "&lt;a href=&#39;x&#39;&gt;&quot;&amp;amp;\0\xE9"s);
  EXPECT_EQ(UrlPath("AZaz09-._~ \"#%&'?/\\\x01\x7F\x80\xFF"s), "AZaz09-._~%20%22%23%25%26%27%3F%2F%5C%01%7F%80%FF");
}

}  // namespace
}  // namespace sirvane
