#pragma once
// Dates and times written with Windows picture strings, the syntax of the
// user's short date (LOCALE_SSHORTDATE) and long time (LOCALE_STIMEFORMAT)
// formats. Pure text work, so it is the same code on every platform.
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace sirvane {

// Date pictures: d dd (day), ddd dddd (weekday name), M MM (month), MMM MMMM
// (month name), y yy (year in the century), yyy and longer (the full year).
// Names are English. Every other character is copied; text between single
// quotes is copied as it is, and '' stands for one quote.
std::string FormatDatePicture(std::string_view picture, const LocalDateTime& t);

// Time pictures: h hh (12-hour clock, 0 shows as 12), H HH (24-hour), m mm,
// s ss, t (first character of the designator), tt (the designator). Three or
// more letters count as two. Quotes as in date pictures.
std::string FormatTimePicture(std::string_view picture, const LocalDateTime& t, std::string_view am,
                              std::string_view pm);

}  // namespace sirvane
