#pragma once
// The command line: an optional hand record file and switches, as the poster builds it:
//   "prog" ["hands"] /quiet /sort [/layout "L"] /dda /pdf "out.pdf" [/layout "L"] /dda /acbl "score" /html "out.htm"
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace dw {

struct Output {
  std::filesystem::path File;
  std::optional<std::filesystem::path> Layout;  // the /layout given before it
  bool DoubleDummy = false;                     // /dda given before it
};

struct CommandLine {
  bool Quiet = false, Sort = false, Help = false, Version = false;
  std::optional<std::filesystem::path> HandRecords, ScoreFile;
  std::optional<Output> Pdf, Html;
  std::vector<std::string> Warnings;
};

// Raises Failure(Usage) for a switch it does not know, a switch without its file, or a
// combination that asks for nothing or for something it cannot make.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace dw
