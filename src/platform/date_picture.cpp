#include "platform/date_picture.h"

#include <string_view>

namespace sirvane {

namespace {

constexpr const char* kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
constexpr const char* kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};

void AppendNumber(std::string& out, int value, bool two_digits) {
  if (value < 0) {
    out += '-';
    value = -value;
  }
  const std::string digits = std::to_string(value);
  if (two_digits && digits.size() < 2) out += '0';
  out += digits;
}

void AppendName(std::string& out, const char* name, bool abbreviated) {
  out += abbreviated ? std::string_view(name).substr(0, 3) : std::string_view(name);
}

// Walks the picture: quoted text and characters outside `letters` are copied,
// every run of one letter from `letters` goes to `field` with its length.
template <typename Field>
std::string Format(std::string_view picture, std::string_view letters, Field field) {
  std::string out;
  for (std::size_t i = 0; i < picture.size();) {
    const char c = picture[i];
    if (c == '\'') {
      // Quoted text runs to the next lone quote; '' inside or outside is a quote.
      for (++i; i < picture.size(); ++i) {
        if (picture[i] != '\'') {
          out += picture[i];
        } else if (i + 1 < picture.size() && picture[i + 1] == '\'') {
          out += '\'';
          ++i;
        } else {
          ++i;
          break;
        }
      }
      continue;
    }
    if (letters.find(c) == std::string_view::npos) {
      out += c;
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    field(out, c, run);
    i += run;
  }
  return out;
}

}  // namespace

std::string FormatDatePicture(std::string_view picture, const LocalDateTime& t) {
  return Format(picture, "dMy", [&](std::string& out, char letter, std::size_t run) {
    switch (letter) {
      case 'd':
        if (run <= 2) {
          AppendNumber(out, t.day, run == 2);
        } else if (t.day_of_week >= 0 && t.day_of_week < 7) {
          AppendName(out, kDayNames[t.day_of_week], run == 3);
        }
        break;
      case 'M':
        if (run <= 2) {
          AppendNumber(out, t.month, run == 2);
        } else if (t.month >= 1 && t.month <= 12) {
          AppendName(out, kMonthNames[t.month - 1], run == 3);
        }
        break;
      default:  // 'y'
        if (run <= 2) {
          AppendNumber(out, t.year % 100, run == 2);
        } else {
          AppendNumber(out, t.year, false);
        }
        break;
    }
  });
}

std::string FormatTimePicture(std::string_view picture, const LocalDateTime& t, std::string_view am,
                              std::string_view pm) {
  return Format(picture, "hHmst", [&](std::string& out, char letter, std::size_t run) {
    const bool two = run >= 2;
    switch (letter) {
      case 'h': {
        const int hour = t.hour % 12;
        AppendNumber(out, hour == 0 ? 12 : hour, two);
        break;
      }
      case 'H':
        AppendNumber(out, t.hour, two);
        break;
      case 'm':
        AppendNumber(out, t.minute, two);
        break;
      case 's':
        AppendNumber(out, t.second, two);
        break;
      default: {  // 't'
        const std::string_view designator = t.hour < 12 ? am : pm;
        out += two ? designator : designator.substr(0, 1);
        break;
      }
    }
  });
}

}  // namespace sirvane
