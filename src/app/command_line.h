#pragma once
// The requests answered before any run: usage and version. Every other
// command line is a run (its first argument names the configuration file).
#include <optional>
#include <string>
#include <vector>

namespace sirvane {

// The text to print to stdout, with exit code 0 and no file written, when the
// first argument is --help, -h or --version (in any letter case, since the
// argument is lower-cased like every path); nothing otherwise.
std::optional<std::string> InformationRequested(const std::vector<std::string>& arguments);

std::string UsageText();
// The argument as the run uses it: ASCII letters lower-cased, other bytes kept.
std::string AsciiLower(std::string text);
std::string VersionText();  // "sirvane 1.0.0\n"

}  // namespace sirvane
