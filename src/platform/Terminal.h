#pragma once
// The process's terminal: whether the standard streams are terminals, and reading a line
// without echo (for passwords).
#include <string>

namespace tx {

bool StdinIsTerminal();
bool StderrIsTerminal();
// Reads one line from standard input (without its line end). With echo off and standard input
// a terminal, the typed characters are not shown. False at end of input.
bool ReadStdinLine(std::string& line, bool echo = true);

}  // namespace tx
