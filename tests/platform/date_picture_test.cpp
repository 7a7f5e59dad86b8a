#include "platform/date_picture.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace sirvane {
namespace {

// Saturday 5 December 2026, 0:00:04; Friday 1 March 2024, 14:02:11; 2 January 2009, 9:05:07.
const LocalDateTime kMidnight{2026, 12, 5, 0, 0, 4, 999, 6}, kAfternoon{2024, 3, 1, 14, 2, 11, 0, 5},
    kMorning{2009, 1, 2, 9, 5, 7, 0, 5};

// Pictures starting with H or h are time pictures (dd.MM.yyyy, H:mm:ss: golden files).
TEST(DatePictureTest, DatesClocksPaddingNamesAndQuotedText) {
  const std::vector<std::tuple<std::string, LocalDateTime, std::string>> cases = {
      {"M/d/yy y yyyyy", kMorning, "1/2/09 9 2009"},  // y: the year in the century, unpadded
      {"ddd, MMM d", kMidnight, "Sat, Dec 5"},
      {"dddd d MMMM yyyy", kAfternoon, "Friday 1 March 2024"},
      {"d 'de' MMMM 'd''M'''", kMorning, "2 de January d'M'"},  // quoted letters stay text, '' is a quote
      {"yyyy'年'M'月' HH:mm", kAfternoon, "2024年3月 HH:mm"},  // bytes above 127 and time letters are text
      {"h:mm:ss tt", kMidnight, "12:00:04 AM"},  // hour 0 on a 12-hour clock
      {"hhh:mmm:sss t", kAfternoon, "02:02:11 P"},  // longer runs count as two letters
      {"HH'''dd MM yy'", kMorning, "09'dd MM yy"},  // date letters are text in a time
  };
  for (const auto& [picture, moment, expected] : cases) {
    const bool time = picture[0] == 'H' || picture[0] == 'h';
    EXPECT_EQ(time ? FormatTimePicture(picture, moment, "AM", "PM") : FormatDatePicture(picture, moment), expected)
        << picture;
  }
  EXPECT_EQ(FormatTimePicture("HH:mm tt", kAfternoon, "vorm.", ""), "14:02 ");  // empty designator
}

}  // namespace
}  // namespace sirvane
