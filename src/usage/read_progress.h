#pragma once
// The progress line shown while a log file is read, when stderr is a
// terminal: how far the file has got, how fast, and how long it still takes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sirvane {

struct ReadProgress {
  std::string_view file_name;
  std::uint64_t bytes_read = 0;  // compressed bytes, for a compressed file
  std::uint64_t file_size = 0;   // 0 when unknown
  std::int64_t lines = 0;
  double seconds = 0;  // since the file was opened
};

// "access.log: 120.0 MiB of 719.0 MiB (16%), 1.31M lines/s, 0:07 left", at
// most width - 1 bytes (a full line would wrap on some terminals); a long
// name is cut at its front. Rate and time left appear once there is enough to
// go on; total, share and time left only while the size is known.
std::string FormatProgressLine(const ReadProgress& progress, std::size_t width);

// Draws the line for one file, at most four times a second; nothing at all
// when stderr is not a terminal. The line is erased when the object goes.
class ProgressDisplay {
 public:
  explicit ProgressDisplay(std::string_view path);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  bool active() const { return active_; }
  void Update(std::uint64_t bytes_read, std::uint64_t file_size, std::int64_t lines);

 private:
  bool active_;
  bool drawn_ = false;
  std::string name_;
  double start_ = 0;
  double last_draw_ = 0;
};

}  // namespace sirvane
