#pragma once
// The error stop: any failure that ends a run where it happens. The entry point
// catches it, reports it and exits with code 1; nothing else catches it.
#include <stdexcept>
#include <string>
#include <vector>

namespace sirvane {

class RunError : public std::runtime_error {
 public:
  // kind: the first line after "Application Error" ("Range check error",
  // "I/O error 2", "Out of memory"); advice: what the user can do about it.
  RunError(std::string kind, std::string advice);
  const std::string& kind() const { return kind_; }
  const std::string& advice() const { return advice_; }

 private:
  std::string kind_;
  std::string advice_;
};

// An I/O failure with the system's error number; `what` says what was being
// done ("Cannot create the file"), `path` names the file, `next_step` what the
// user can do about it.
[[noreturn]] void ThrowIoError(int error_number, const std::string& what, const std::string& path,
                               const std::string& next_step = "");

// An index or field position outside its range.
[[noreturn]] void ThrowRangeError(const std::string& advice);

// The text shown to the user for an error stop: "Application Error", then the
// kind, then the advice, one per line.
std::string FormatErrorReport(const std::string& kind, const std::string& advice);

// Shows the report the platform's way: stderr on POSIX; on Windows stderr too,
// unless the program has a console window of its own that closes with it
// (started from Explorer), then a message box titled "Application Error".
void ReportError(const std::string& kind, const std::string& advice);

// The system's description of an error number (errno on POSIX, a
// GetLastError code on Windows), without a final full stop.
std::string SystemErrorText(int error_number);

// A warning that does not stop the run (an unreadable log file, say): stderr,
// or kept while this thread holds its warnings.
void ReportWarning(const std::string& text);

// While alive, the warnings of the thread that made it are kept here instead
// of shown: a thread reading a later part of the logs shows them once the
// parts before it are read, so that they come in the order of one pass.
class HeldWarnings {
 public:
  HeldWarnings();
  ~HeldWarnings();
  HeldWarnings(const HeldWarnings&) = delete;
  HeldWarnings& operator=(const HeldWarnings&) = delete;
  std::vector<std::string> Take() { return std::move(texts_); }

 private:
  friend void ReportWarning(const std::string& text);
  HeldWarnings* outer_;
  std::vector<std::string> texts_;
};

}  // namespace sirvane
