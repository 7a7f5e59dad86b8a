#include "platform/terminal.h"

#include <windows.h>

namespace sirvane {

// A console, not a pipe or a file: only a console has a screen buffer.
bool StderrIsTerminal() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  return GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) != 0;
}

std::size_t StderrColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) != 0) {
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    if (width > 0) return static_cast<std::size_t>(width);
  }
  return 80;
}

}  // namespace sirvane
