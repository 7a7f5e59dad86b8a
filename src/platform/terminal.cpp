#include "platform/terminal.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace sirvane {

namespace {

// Length of the status line on screen; 0 when none is shown. The main thread
// draws the line; a reading thread may report a warning meanwhile, so both
// go through this lock.
std::size_t shown_length = 0;
std::mutex stderr_mutex;

void WriteStderr(const std::string& text) {
  // A failure to write to stderr cannot be reported anywhere else.
  (void)std::fwrite(text.data(), 1, text.size(), stderr);
  (void)std::fflush(stderr);
}

}  // namespace

// Carriage return and spaces rather than terminal escape codes: they work on
// every terminal, a dumb one included.
namespace {

void ClearLocked() {
  if (shown_length == 0) return;
  std::string blank(shown_length + 2, ' ');
  blank.front() = '\r';
  blank.back() = '\r';
  WriteStderr(blank);
  shown_length = 0;
}

}  // namespace

void ShowStatusLine(std::string_view text) {
  const std::lock_guard lock(stderr_mutex);
  std::string line = "\r";
  line += text;
  if (text.size() < shown_length) line.append(shown_length - text.size(), ' ');
  WriteStderr(line);
  shown_length = text.size();
}

void ClearStatusLine() {
  const std::lock_guard lock(stderr_mutex);
  ClearLocked();
}

void WriteBelowStatusLine(std::string_view text) {
  const std::lock_guard lock(stderr_mutex);
  ClearLocked();
  WriteStderr(std::string(text));
}

}  // namespace sirvane
