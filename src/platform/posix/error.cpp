#include "platform/error.h"
#include "platform/terminal.h"

#include <cstdio>
#include <cstring>

namespace sirvane {

void ReportError(const std::string& kind, const std::string& advice) {
  const std::string text = FormatErrorReport(kind, advice);
  ClearStatusLine();
  (void)std::fwrite(text.data(), 1, text.size(), stderr);
  (void)std::fflush(stderr);
}

std::string SystemErrorText(int error_number) { return std::strerror(error_number); }

}  // namespace sirvane
