#pragma once
// A text score file: its lines and the identification Tabulonix reads from its header.
#include <filesystem>
#include <string>
#include <vector>

namespace dw {

struct Identification {
  std::string Event, Session, Section, DateText, Limits;
};

struct ScoreFileText {
  std::vector<std::string> Lines;  // UTF-8, without terminators
  std::vector<bool> KeyLine;       // lines that carried header keys (machine data, not shown)
  int SessionHeaderLine = -1;      // the line that reads "<event> <weekday> <time> Session <date>"
  Identification Id;
};

// Same rules as the poster's own reader, so that both agree on what a file says.
ScoreFileText ParseScoreText(const std::vector<std::string>& lines);

// Finds " <weekday> <time> Session " in a line; fills event, session and date when given.
bool MatchSessionHeader(const std::string& line, Identification* id);

// Reads and parses a file; raises Failure(ScoreFile) when it cannot be used.
ScoreFileText ReadScoreFile(const std::filesystem::path& path, std::vector<std::string>& warnings);

}  // namespace dw
