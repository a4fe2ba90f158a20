#include "console.h"

#ifdef Q_OS_WIN
#include <utility>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace console {

#ifdef Q_OS_WIN
Session::Session() {
  for (auto [handle, kept] : {std::pair{STD_OUTPUT_HANDLE, &out_}, std::pair{STD_ERROR_HANDLE, &err_}}) {
    DWORD mode = 0;
    kept->console = ::GetConsoleMode(::GetStdHandle(handle), &mode) != 0;
    kept->mode = mode;
    if (kept->console)
      ::SetConsoleMode(::GetStdHandle(handle), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
  if (out_.console || err_.console) { // else the bytes go to files or pipes as they are
    codePage_ = ::GetConsoleOutputCP();
    ::SetConsoleOutputCP(CP_UTF8);
  }
}

Session::~Session() {
  if (out_.console || err_.console)
    ::SetConsoleOutputCP(codePage_);
  if (out_.console)
    ::SetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), out_.mode);
  if (err_.console)
    ::SetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), err_.mode);
}

bool InputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool OutputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0 &&
         (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
#else
Session::Session() = default;
Session::~Session() = default;
bool InputIsTerminal() { return ::isatty(STDIN_FILENO); }
bool OutputIsTerminal() { return ::isatty(STDOUT_FILENO); }
#endif

} // namespace console
