#include "app/command_line.h"

#include "platform/decompressor.h"

#ifndef SIRVANE_VERSION
#define SIRVANE_VERSION "unknown"
#endif

namespace sirvane {

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::optional<std::string> InformationRequested(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return std::nullopt;
  // Matched as the run would see the argument: lower-cased, so --HELP is no
  // configuration file named --help.
  const std::string first = AsciiLower(arguments.front());
  if (first == "--help" || first == "-h") return UsageText();
  if (first == "--version") return VersionText();
  return std::nullopt;
}

std::string VersionText() { return std::string("sirvane ") + SIRVANE_VERSION + "\n"; }

std::string UsageText() {
  std::string text =
      "Usage: sirvane [CONFIG-FILE]\n"
      "       sirvane --help | -h | --version\n"
      "\n"
      "Reads the proxy-server access logs that the configuration file names and\n"
      "writes an internet-usage report per user.\n"
      "\n"
      "CONFIG-FILE   the configuration file (key=value lines); default: sirvane.cfg\n"
      "              in the current directory. It is lower-cased (ASCII letters)\n"
      "              before use; further arguments are ignored.\n"
      "\n"
      "Files written:\n"
      "  last.log (or the logfile setting)   the working report of the run\n"
      "  abort.log                           instead, in the current directory,\n"
      "                                      when the configuration is refused\n"
      "  report.html, a page per user and    in the outputpath directory\n"
      "  ipaccess.txt (when ipfield > 0)\n"
      "\n";
  if (CompressedLogsSupported()) {
    text += "Logs compressed with gzip, bzip2, xz or zstd are read as they are.\n";
  }
  text +=
      "While stderr is a terminal, a progress line shows how far each log has been read.\n"
      "\n"
      "Exit codes:\n"
      "  0   the run completed, or the configuration was refused (see abort.log)\n"
      "  1   an error stopped the run; the message on stderr says what to do\n"
      "\n"
      "More: the README of sirvane, or man sirvane.\n";
  return text;
}

}  // namespace sirvane
