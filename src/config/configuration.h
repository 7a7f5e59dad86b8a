#pragma once
// Reads the key=value configuration file into the settings.
#include <string>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "platform/clock.h"
#include "platform/locale.h"

namespace sirvane {

// Reads `path` into `settings` and collects every problem in
// settings.ConfigErrors; true when there is none. `today` fills a month or
// year of 0. A file that exists but cannot be read stops the run (RunError).
bool LoadConfiguration(const std::string& path, Settings& settings, const LocalDateTime& today,
                       const LowerCase& lower);

// Applies the configuration text itself (the file's bytes) to `settings`;
// the part of LoadConfiguration that needs no file system.
bool ApplyConfiguration(std::string_view content, Settings& settings, const LocalDateTime& today,
                        const LowerCase& lower);

// The lines of a configuration text: a UTF-8 byte-order mark at the start is
// skipped, lines end at LF, CR LF or a lone CR, and a Ctrl-Z ends the text.
std::vector<std::string_view> ConfigurationLines(std::string_view content);

}  // namespace sirvane
