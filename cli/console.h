#pragma once
#include <QtGlobal>

// The console the tool talks to. On Windows it is set up for the run: UTF-8
// out, escape sequences understood, and given back as it was at the end.
namespace console {

class Session {
public:
  Session();
  ~Session();
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

#ifdef Q_OS_WIN
private:
  struct Kept {
    bool console = false;
    unsigned long mode = 0;
  };
  unsigned codePage_ = 0;
  Kept out_, err_;
#endif
};

// An operator types on standard input.
bool InputIsTerminal();
// Standard output is a terminal that moves its cursor by escape sequences.
bool OutputIsTerminal();

} // namespace console
