#include "platform/Terminal.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace tx {

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }
bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool ReadStdinLine(std::string& line, bool echo) {
  line.clear();
  termios old{};
  bool restore = false;
  if (!echo && StdinIsTerminal() && tcgetattr(STDIN_FILENO, &old) == 0) {
    termios quiet = old;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    restore = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  bool ok = bool(std::getline(std::cin, line));
  if (restore) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::fputc('\n', stderr);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ok;
}

}  // namespace tx
