#include "ScoreFile.h"

#include <fmt/format.h>

#include "Failure.h"
#include "FileIo.h"
#include "Text.h"

namespace dw {
namespace {

constexpr const char* kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kShortTimes[] = {"Morn", "Aft", "Eve", "Late"};
constexpr size_t kMaxScoreFileBytes = 64u << 20;

std::string* Field(Identification& id, int k) {
  switch (k) {
    case 0: return &id.Event;
    case 1: return &id.Session;
    case 2: return &id.Section;
    case 3: return &id.DateText;
    default: return &id.Limits;
  }
}

constexpr const char* kKeys[] = {"EVENT>", "SESSION>", "SECTION>", "DATE>", "MP LIMITS>"};

int KeySearch(std::string line, Identification& id) {
  for (size_t p; (p = line.find("&gt;")) != std::string::npos;) line.replace(p, 4, ">");
  int found = 0;
  for (int k = 0; k < 5; ++k) {
    std::string* field = Field(id, k);
    if (!field->empty()) continue;
    const size_t at = line.find(kKeys[k]);
    if (at == std::string::npos) continue;
    const size_t from = at + std::char_traits<char>::length(kKeys[k]);
    const size_t bar = line.find('|', from);
    *field = TrimRight(line.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    ++found;
  }
  return found;
}

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n'; }

void SectionLine(const std::string& line, Identification& id) {
  size_t at = line.find("Section");
  if (at == std::string::npos) return;
  at += 7;
  if (at >= line.size() || !IsWhite(line[at])) return;
  ++at;
  if (at < line.size() && IsWhite(line[at])) ++at;
  if (at >= line.size() || line[at] < 'A' || line[at] > 'Z') return;
  size_t end = at;
  while (end < line.size() && line[end] == line[at]) ++end;
  id.Section = line.substr(at, end - at);
}

}  // namespace

bool MatchSessionHeader(const std::string& line, Identification* id) {
  if (line.find(" Session ") == std::string::npos) return false;
  for (const char* day : kWeekdays) {
    for (const char* time : kShortTimes) {
      const std::string full = fmt::format("{} {}", day, time);
      const std::string pattern = " " + full.substr(0, 13) + " Session ";
      const size_t at = line.find(pattern);
      if (at == std::string::npos) continue;
      if (id) {
        id->Event = line.substr(0, at);
        id->Session = full;
        id->DateText = line.substr(at + pattern.size());
      }
      return true;
    }
  }
  return false;
}

ScoreFileText ParseScoreText(const std::vector<std::string>& lines) {
  ScoreFileText file;
  file.Lines = lines;
  file.KeyLine.assign(lines.size(), false);
  enum class State { HeaderSearch, SectionLine, Done } state = State::HeaderSearch;
  int keys = 0;
  for (size_t i = 0; i < lines.size() && state != State::Done; ++i) {
    const std::string& line = lines[i];
    if (state == State::SectionLine) {
      SectionLine(line, file.Id);
      state = State::Done;
    } else if (keys == 0 && MatchSessionHeader(line, &file.Id)) {
      file.SessionHeaderLine = int(i);
      state = State::SectionLine;
    } else {
      const int found = KeySearch(line, file.Id);
      if (found > 0) file.KeyLine[i] = true;
      keys += found;
      if (keys >= 5) state = State::Done;
    }
  }
  // Pages that carry the keys usually show the session header as well; find it for display.
  if (file.SessionHeaderLine < 0) {
    for (size_t i = 0; i < lines.size() && i < 12; ++i) {
      if (!file.KeyLine[i] && MatchSessionHeader(lines[i], nullptr)) {
        file.SessionHeaderLine = int(i);
        break;
      }
    }
  }
  return file;
}

ScoreFileText ReadScoreFile(const std::filesystem::path& path, std::vector<std::string>& warnings) {
  const std::string what = fmt::format("score file \"{}\"", path.string());
  const std::string bytes = ReadWholeFile(path, what, ExitCode::ScoreFile, kMaxScoreFileBytes);
  if (Trim(bytes).empty()) throw Failure(ExitCode::ScoreFile, fmt::format("The {} is empty.", what));
  size_t zero = std::string::npos;
  std::vector<std::string> raw = SplitLines(bytes, &zero);
  if (zero != std::string::npos) {
    // Text score files never hold a zero byte; one near the start means a game file or worse.
    if (zero < 512)
      throw Failure(ExitCode::ScoreFile,
                    fmt::format("The {} is not a text score file (it holds binary data).", what));
    warnings.push_back(fmt::format("The {} holds a zero byte at offset {}; the text after it is ignored.", what, zero));
  }
  for (std::string& line : raw) line = ToUtf8(line);
  return ParseScoreText(raw);
}

}  // namespace dw
