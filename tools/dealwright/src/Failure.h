#pragma once
// Exit codes and the one exception type that carries them to main.
#include <stdexcept>
#include <string>

namespace dw {

enum class ExitCode : int {
  Ok = 0,
  Usage = 1,        // unknown switch, missing value, nothing to do
  ScoreFile = 2,    // score file missing, unreadable, empty or not text
  HandRecords = 3,  // hand record file missing, unreadable, damaged or of an unsupported kind
  Layout = 4,       // layout file missing, unreadable or with a bad setting
  Output = 5,       // an output file or folder cannot be written
  Internal = 9,     // anything unexpected
};

class Failure : public std::runtime_error {
 public:
  Failure(ExitCode code, const std::string& message) : std::runtime_error(message), Code(code) {}
  ExitCode Code;
};

}  // namespace dw
