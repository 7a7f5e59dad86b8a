// The configuration reader on arbitrary file contents.
#include <cstdint>
#include <string>

#include "config/configuration.h"
#include "fuzz/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sirvane;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const LowerCase lower;
  const LocalDateTime today{2026, 12, 7, 9, 30, 0};
  for (std::string_view line : ConfigurationLines(content)) Check(line.find_first_of("\r\n\x1a") == line.npos);

  Settings settings;
  const bool accepted = ApplyConfiguration(content, settings, today, lower);
  // Accepted exactly when no error was collected; every message ends with "; ".
  Check(accepted == settings.ConfigErrors.empty() && (accepted || settings.ConfigErrors.ends_with("; ")));
  Check(!accepted || (!settings.InputPath.empty() && !settings.WorkLogName.empty()));
  for (const std::string* text : {&settings.InputPath, &settings.OutputPath, &settings.WorkLogName}) {
    Check(text->find(' ') == std::string::npos);
  }
  for (const std::int64_t number : {std::int64_t{settings.NameField}, std::int64_t{settings.BytesField},
                                    std::int64_t{settings.QueryField}, std::int64_t{settings.IpField},
                                    settings.Limit}) {
    Check(number >= 0 && number < (std::int64_t{1} << 30));
  }
  Check(settings.ReportMonth != 0 && settings.ReportYear != 0);

  return 0;
}
