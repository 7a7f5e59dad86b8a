#pragma once
// The local date and time of day. Tests inject a fixed clock so that dates in
// the outputs are reproducible.
namespace sirvane {

struct LocalDateTime {
  int year = 2000;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int day_of_week = 0;  // 0 = Sunday; only for date formats that name the weekday

  bool operator==(const LocalDateTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() const = 0;
};

// The system's local time.
class SystemClock : public Clock {
 public:
  LocalDateTime Now() const override;
};

// Always the same moment; tests use it to pin dates and times.
class FixedClock : public Clock {
 public:
  // cppcheck-suppress passedByValue ; six ints, cheaper to copy than to reference
  explicit FixedClock(LocalDateTime moment) : moment_(moment) {}
  LocalDateTime Now() const override { return moment_; }

 private:
  LocalDateTime moment_;
};

// The time of day as a fraction of a day (milliseconds included).
double TimeOfDayFraction(const LocalDateTime& t);

// Seconds on a clock that never jumps (for rates, not for dates).
double MonotonicSeconds();

}  // namespace sirvane
