#include "platform/error.h"
#include "platform/terminal.h"

#include <windows.h>

#include <cstdio>

namespace sirvane {

namespace {

// True when a message on stderr will be seen, or when a message box would
// not be: stderr goes to a file or a pipe, to a console that another process
// (the shell) shares with us, or to a console without a visible window (a
// terminal under wine, the hidden console of a scheduled task). A console
// window opened for this process alone, as when it is started from Explorer
// or by a shortcut, closes as the process ends and would take the message
// with it: then the box.
bool StderrIsSeen() {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  if (type != FILE_TYPE_CHAR) return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
  const HWND console = GetConsoleWindow();
  if (console == nullptr || !IsWindowVisible(console)) return true;
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) > 1;
}

}  // namespace

void ReportError(const std::string& kind, const std::string& advice) {
  const std::string text = FormatErrorReport(kind, advice);
  ClearStatusLine();
  if (StderrIsSeen()) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    return;
  }
  // The box shows the kind and the advice; its title is the first line.
  std::string message = kind;
  if (!advice.empty()) message += "\n" + advice;
  MessageBoxA(nullptr, message.c_str(), "Application Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

std::string SystemErrorText(int error_number) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(error_number), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  // System messages end in a full stop and CR LF; the caller adds its own stop.
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                              message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(error_number) : message;
}

}  // namespace sirvane
