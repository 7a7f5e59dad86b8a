#include "usage/read_progress.h"

#include <cmath>

#include "platform/clock.h"
#include "platform/terminal.h"

namespace sirvane {

namespace {

constexpr double kRedrawSeconds = 0.25;
constexpr double kRateAfterSeconds = 0.1;  // before that a rate is mostly noise

// Integer arithmetic, so that the line does not depend on the locale's decimal point.
std::string WithTenths(std::uint64_t value, std::uint64_t unit) {
  const std::uint64_t tenths = (value * 10 + unit / 2) / unit;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string FormatBytes(std::uint64_t bytes) {
  constexpr std::uint64_t kKiB = 1024, kMiB = kKiB << 10, kGiB = kMiB << 10;
  if (bytes < kKiB) return std::to_string(bytes) + " B";
  if (bytes < kMiB) return WithTenths(bytes, kKiB) + " KiB";
  if (bytes < kGiB) return WithTenths(bytes, kMiB) + " MiB";
  // Above 1.6 EiB the tenths would overflow; logs do not get there.
  return WithTenths(bytes, kGiB) + " GiB";
}

std::string FormatRate(double per_second) {
  const auto rounded = static_cast<std::uint64_t>(std::llround(per_second));
  if (rounded < 10'000) return std::to_string(rounded);
  if (rounded < 999'500) return std::to_string((rounded + 500) / 1000) + "k";
  const std::uint64_t hundredths = (rounded + 5'000) / 10'000;
  const std::string cents = std::to_string(hundredths % 100);
  return std::to_string(hundredths / 100) + "." + (cents.size() < 2 ? "0" : "") + cents + "M";
}

std::string FormatDuration(double seconds) {
  if (seconds >= 100 * 3600.0) return ">99h";
  const auto total = static_cast<std::uint64_t>(seconds + 0.999);  // never "0:00" while work is left
  const std::uint64_t hours = total / 3600, minutes = total / 60 % 60, secs = total % 60;
  auto two = [](std::uint64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  if (hours > 0) return std::to_string(hours) + ":" + two(minutes) + ":" + two(secs);
  return std::to_string(minutes) + ":" + two(secs);
}

}  // namespace

std::string FormatProgressLine(const ReadProgress& p, std::size_t width) {
  const bool size_known = p.file_size > 0 && p.bytes_read <= p.file_size;
  const bool rate_known = p.seconds >= kRateAfterSeconds;
  std::string figures = ": " + FormatBytes(p.bytes_read);
  if (size_known) {
    figures += " of " + FormatBytes(p.file_size) + " (" + std::to_string(p.bytes_read * 100 / p.file_size) + "%)";
  }
  if (rate_known) figures += ", " + FormatRate(static_cast<double>(p.lines) / p.seconds) + " lines/s";
  if (rate_known && size_known && p.bytes_read > 0) {
    const double left = static_cast<double>(p.file_size - p.bytes_read) * p.seconds / static_cast<double>(p.bytes_read);
    figures += ", " + FormatDuration(left) + " left";
  }

  if (width == 0) return "";
  const std::size_t room = width - 1;
  std::string name(p.file_name);
  if (name.size() + figures.size() > room && room >= figures.size() + 4) {
    name = "..." + name.substr(name.size() - (room - figures.size() - 3));
  }
  std::string line = name + figures;
  if (line.size() > room) line.resize(room);
  return line;
}

ProgressDisplay::ProgressDisplay(std::string_view path) : active_(StderrIsTerminal()) {
  if (!active_) return;
  const std::size_t slash = path.find_last_of("/\\");
  name_ = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  start_ = MonotonicSeconds();
}

ProgressDisplay::~ProgressDisplay() {
  if (drawn_) ClearStatusLine();
}

void ProgressDisplay::Update(std::uint64_t bytes_read, std::uint64_t file_size, std::int64_t lines) {
  if (!active_) return;
  const double now = MonotonicSeconds();
  // The first block is shown at once, later ones at most four times a second.
  if (drawn_ && now - last_draw_ < kRedrawSeconds) return;
  drawn_ = true;
  last_draw_ = now;
  ShowStatusLine(FormatProgressLine({name_, bytes_read, file_size, lines, now - start_}, StderrColumns()));
}

}  // namespace sirvane
