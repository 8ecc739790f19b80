// Session date and session time of a score file: from its DateText, its file name and its
// Session text.
#include <cctype>
#include <cstring>

#include "platform/Errors.h"
#include "platform/AsciiText.h"
#include "platform/CivilTime.h"
#include "scorefile/ScoreFile.h"

namespace tx {
namespace {

const char* const MonthAbbreviations[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                            "jul", "aug", "sep", "oct", "nov", "dec"};
const char* const GameFileExtensions[4] = {".acm", ".aca", ".ace", ".acl"};
constexpr const char* SessionLetters = "mael";


bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A decimal number at pos after optional white space and sign, as "%d" reads it.
bool ReadNumber(std::string_view s, size_t& pos, long& value) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  if (pos >= s.size() || !IsDigit(s[pos])) return false;
  long v = 0;
  while (pos < s.size() && IsDigit(s[pos])) {
    if (v < 100000000) v = v * 10 + (s[pos] - '0');
    ++pos;
  }
  value = negative ? -v : v;
  return true;
}

// Skips one character (a whole UTF-8 sequence).
void SkipChar(std::string_view s, size_t& pos) {
  ++pos;
  while (pos < s.size() && (uint8_t(s[pos]) & 0xC0) == 0x80) ++pos;
}

// Local midnight of a calendar date; false for a day the month does not have or a year
// outside 1970..3000.
bool LocalMidnight(long year, long month, long day, int64_t& out) {
  if (year < 1970 || year > 3000 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  return CivilLocalMidnight(int(year), int(month), int(day), out);
}

std::string_view Extension(std::string_view name) {
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

}  // namespace

bool CScoreFile::ParseDate() {
  std::string_view text = DateText;
  if (text.size() < 3) return false;
  bool month = false;
  long monthNumber = 0;
  for (int i = 0; i < 12 && !month; ++i) {
    if (EqualNoCase(text.substr(0, 3), MonthAbbreviations[i])) {
      month = true;
      monthNumber = i + 1;
    }
  }
  if (!month) return false;
  size_t pos = text.find(' ');
  if (pos == std::string_view::npos) return false;
  long day, year;
  if (!ReadNumber(text, pos, day) || day < 1 || day > 31) return false;
  // Two characters, as the ", " of "January 5, 2014", lie between day and year.
  for (int i = 0; i < 2; ++i) {
    if (pos >= text.size()) return false;
    SkipChar(text, pos);
  }
  if (!ReadNumber(text, pos, year) || year < 1970 || year > 3000) return false;
  int64_t midnight;
  if (!LocalMidnight(year, monthNumber, day, midnight)) return false;
  SessionDate = midnight;
  return true;
}

void CScoreFile::DateFromFileName(int64_t* date, int* session, int currentYear) const {
  if (date) *date = 0;
  if (session) *session = -1;
  std::string name = GetFileName();
  for (size_t i = 0; i < 6; ++i)
    if (i >= name.size() || !IsDigit(name[i])) return;
  if (name.size() > 6 && IsDigit(name[6])) return;

  if (date) {
    if (currentYear == 0) currentYear = CivilYear(CivilNow());
    auto two = [&](size_t at) { return long((name[at] - '0') * 10 + (name[at + 1] - '0')); };
    long year = currentYear / 100 * 100 + two(0);
    if (year > currentYear) year -= 100;
    int64_t midnight;
    if (!LocalMidnight(year, two(2), two(4), midnight)) return;
    *date = midnight;
  }

  if (session) {
    std::string_view ext = Extension(name);
    for (int i = 0; i < 4; ++i) {
      if (EqualNoCase(ext, GameFileExtensions[i])) {
        *session = i;
        return;
      }
    }
    if (name.size() > 6) {
      const char* at = std::strchr(SessionLetters, AsciiLower(name[6]));
      if (at && *at) *session = int(at - SessionLetters);
    }
  }
}

int CScoreFile::GetSessionIndex() const {
  std::string_view text = Session;
  size_t blank = text.find(' ');
  if (blank != std::string_view::npos) text.remove_prefix(blank + 1);
  if (!text.empty()) {
    for (int i = 0; i < 4; ++i) {
      std::string_view name = SessionTimeNames[i];
      if (text.size() <= name.size() && EqualNoCase(text, name.substr(0, text.size()))) return i;
    }
  }
  int session;
  DateFromFileName(nullptr, &session);
  return session;
}

std::string CScoreFile::GetSectionCode() const {
  size_t pos = 0;
  while (pos < Section.size() && IsSpace(Section[pos])) ++pos;
  size_t start = pos;
  while (pos < Section.size() && std::isalpha(static_cast<unsigned char>(Section[pos]))) ++pos;
  return Section.substr(start, pos - start);
}

int64_t CScoreFile::GetEffectiveDate() const {
  if (SessionDate != 0) return SessionDate;
  int64_t date;
  DateFromFileName(&date, nullptr);
  return date != 0 ? date : Modified;
}

std::string CScoreFile::GetSessionDescription() const {
  std::string text = CivilFormat(GetEffectiveDate(), "%A");
  if (text.empty()) throw CInvalidArgException();
  int session = GetSessionIndex();
  if (session >= 0 && session <= 3) {
    text += ' ';
    text += SessionTimeNames[session];
  }
  return text;
}

}  // namespace tx
