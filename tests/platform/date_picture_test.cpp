#include "platform/date_picture.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace sirvane {
namespace {

// Saturday 5 December 2026, 0:00:04; Friday 1 March 2024, 14:02:11; 2 January 2009, 9:05:07.
const LocalDateTime kMidnight{2026, 12, 5, 0, 0, 4, 999, 6}, kAfternoon{2024, 3, 1, 14, 2, 11, 0, 5},
    kMorning{2009, 1, 2, 9, 5, 7, 0, 5};

TEST(DatePictureTest, DayMonthYearNamesAndQuotedText) {
  const std::vector<std::tuple<std::string, LocalDateTime, std::string>> cases = {
      {"dd.MM.yyyy", kMidnight, "05.12.2026"},       // German
      {"M/d/yyyy", kMorning, "1/2/2009"},            // United States
      {"d/M/yy", kMorning, "2/1/09"},
      {"yyyy-MM-dd", kAfternoon, "2024-03-01"},      // ISO and Swedish
      {"y", kMorning, "9"},                          // year in the century, unpadded
      {"yyyyy", kMorning, "2009"},
      {"ddd, MMM d", kMidnight, "Sat, Dec 5"},
      {"dddd d MMMM yyyy", kAfternoon, "Friday 1 March 2024"},
      {"d 'de' MMMM", kMorning, "2 de January"},       // quoted letters stay text
      {"'d''M'''yy", kMorning, "d'M'09"},              // '' is a quote, inside and out
      {"yyyy'年'M'月'd'日'", kAfternoon, "2024年3月1日"}, // bytes above 127 pass through
      {"HH:mm dd", kMidnight, "HH:mm 05"},             // time letters are text in a date
      {"dd.MM.yyyy 'open", kMidnight, "05.12.2026 open"},  // an unclosed quote runs to the end
      {"", kMidnight, ""},
  };
  for (const auto& [picture, moment, expected] : cases) EXPECT_EQ(FormatDatePicture(picture, moment), expected) << picture;
}

TEST(TimePictureTest, ClocksPaddingAndDesignators) {
  const std::vector<std::tuple<std::string, LocalDateTime, std::string>> cases = {
      {"H:mm:ss", kMidnight, "0:00:04"},
      {"HH:mm:ss", kMorning, "09:05:07"},
      {"h:mm:ss tt", kMidnight, "12:00:04 AM"},     // hour 0 on a 12-hour clock
      {"hh:mm:ss tt", kAfternoon, "02:02:11 PM"},
      {"h:m:s t", kMorning, "9:5:7 A"},
      {"hhh:mmm:sss ttt", kAfternoon, "02:02:11 PM"},  // longer runs count as two letters
      {"tt h'h'mm", kAfternoon, "PM 2h02"},
      {"HH'''dd MM yy'", kMorning, "09'dd MM yy"},  // date letters are text in a time
  };
  for (const auto& [picture, moment, expected] : cases)
    EXPECT_EQ(FormatTimePicture(picture, moment, "AM", "PM"), expected) << picture;
  EXPECT_EQ(FormatTimePicture("HH:mm tt", kAfternoon, "vorm.", ""), "14:02 ");  // empty designator
  EXPECT_EQ(FormatTimePicture("tt h", kMorning, "\xE5\x8D\x88\xE5\x89\x8D", "x"), "\xE5\x8D\x88\xE5\x89\x8D 9");
}

}  // namespace
}  // namespace sirvane
