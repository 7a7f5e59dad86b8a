#include "report/html_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace sirvane {
namespace {

TEST(HtmlTextTest, EscapesTheFiveMarkupCharacters) {
  struct Case {
    std::string text;
    std::string escaped;
  };
  const Case cases[] = {
      {"", ""},
      {"admin", "admin"},
      {"<script>alert('x')</script>&\"", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;"},
      {"&amp;", "&amp;amp;"},  // escaped again: the text is data, not markup
      {std::string("a\0b\xE9", 4), std::string("a\0b\xE9", 4)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlText(c.text), c.escaped) << c.text;
  }
}

TEST(UrlPathTest, PercentEncodesEverythingButUnreservedBytes) {
  struct Case {
    std::string path;
    std::string encoded;
  };
  const Case cases[] = {
      {"", ""},
      {"AZaz09-._~.html", "AZaz09-._~.html"},
      {"a b\"#%&'?/\\", "a%20b%22%23%25%26%27%3F%2F%5C"},
      {std::string("\x01\x7F\x80\xFF", 4), "%01%7F%80%FF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlPath(c.path), c.encoded) << c.path;
  }
}

TEST(HtmlTextTest, AppendKeepsWhatWasThere) {
  std::string out = "<td>";
  AppendHtmlText(out, "a<b");
  AppendUrlPath(out, "c d");
  EXPECT_EQ(out, "<td>a&lt;bc%20d");
}

}  // namespace
}  // namespace sirvane
