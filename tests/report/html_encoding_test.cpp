#include "report/html_encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

namespace sirvane {
namespace {

using namespace std::string_literals;

TEST(HtmlEncodingTest, PercentEncodesLinks) {
  EXPECT_EQ(UrlPath("AZaz09-._~ \"#%&'?/\\\x01\x7F\x80\xFF"s), "AZaz09-._~%20%22%23%25%26%27%3F%2F%5C%01%7F%80%FF");
}

// Byte by byte, the plain way: what the word-at-a-time check must agree with.
std::string ReferenceHtmlText(const std::string& text) {
  std::string out;
  const char* const entities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"};
  for (const char c : text) {
    const std::size_t special = std::string_view("&<>\"'").find(c);
    out += special == std::string_view::npos ? std::string(1, c) : entities[special];
  }
  return out;
}

TEST(HtmlEncodingTest, EveryPositionAndByteIsEscapedAsByteByByte) {
  // Texts of plain bytes, special bytes and their neighbours in value, long
  // enough to be checked by words and by blocks (the last one overlapping).
  std::mt19937 random(7);
  const std::string alphabet = "ab.-09&<>\"'%;=?\x01\x24\x3D\x3F\x7F\x80\xA6\xBC\xFF"s + '\0';
  for (int round = 0; round < 40000; ++round) {
    std::string text(random() % 40, ' ');
    const std::size_t kinds = round % 4 == 0 ? 6 : alphabet.size();  // some without any special byte
    for (char& c : text) c = alphabet[random() % kinds];
    ASSERT_EQ(HtmlText(text), ReferenceHtmlText(text)) << text;
  }
}

}  // namespace
}  // namespace sirvane
