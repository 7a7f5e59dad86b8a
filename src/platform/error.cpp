#include "platform/error.h"

#include <cstdio>

#include "platform/terminal.h"

namespace sirvane {

RunError::RunError(std::string kind, std::string advice)
    : std::runtime_error(kind + ": " + advice), kind_(std::move(kind)), advice_(std::move(advice)) {}

void ThrowIoError(int error_number, const std::string& what, const std::string& path,
                  const std::string& next_step) {
  std::string advice = what + " '" + path + "': " + SystemErrorText(error_number) + ".";
  if (!next_step.empty()) advice += " " + next_step;
  throw RunError("I/O error " + std::to_string(error_number), advice);
}

void ThrowRangeError(const std::string& advice) { throw RunError("Range check error", advice); }

std::string FormatErrorReport(const std::string& kind, const std::string& advice) {
  std::string text = "Application Error\n" + kind + "\n";
  if (!advice.empty()) text += advice + "\n";
  return text;
}

namespace {
thread_local HeldWarnings* held = nullptr;
}  // namespace

HeldWarnings::HeldWarnings() : outer_(held) { held = this; }
HeldWarnings::~HeldWarnings() { held = outer_; }

void ReportWarning(const std::string& text) {
  if (held != nullptr) {
    held->texts_.push_back(text);
    return;
  }
  WriteBelowStatusLine("sirvane: warning: " + text + "\n");
}

}  // namespace sirvane
