#pragma once
// The status line on stderr: one line that is drawn over again and again
// (progress while a log is read) and erased before anything else is written
// to stderr, so that warnings and error reports start on a clean line.
#include <cstddef>
#include <string_view>

namespace sirvane {

// True when stderr is a terminal: someone is watching. Scheduled runs, with
// stderr in a file or a pipe, get no status line at all.
bool StderrIsTerminal();

// Columns of the terminal on stderr; 80 when it cannot be told.
std::size_t StderrColumns();

// Draws `text` (one line, shorter than the terminal is wide) over the status line.
void ShowStatusLine(std::string_view text);

// Erases the status line, when one is shown.
void ClearStatusLine();

// Erases the status line and writes `text` in its place, as one step: any
// thread may call it.
void WriteBelowStatusLine(std::string_view text);

}  // namespace sirvane
