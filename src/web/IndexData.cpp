#include "web/IndexData.h"

#include <fmt/format.h>

#include "platform/LocalTime.h"
#include "scorefile/Setup.h"

namespace tx {

uint32_t MonthKey(int64_t t) {
  LocalTimeParts parts = BreakLocalTime(t);
  if (!parts.Valid) return 0;
  return (uint32_t(parts.Month) << 16) | (uint32_t(parts.Year) & 0xFFFF);
}

std::string_view FileNamePart(std::string_view path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

CScoreFile* FindIndexEntry(std::vector<CScoreFile>& indexData, std::string_view pageName) {
  std::string_view name = FileNamePart(pageName);
  for (CScoreFile& entry : indexData)
    if (EqualsNoCase(FileNamePart(entry.Path), name)) return &entry;
  return nullptr;
}

void RegisterIndexEntry(std::vector<CScoreFile>& indexData, const std::vector<CScoreFile*>& posted,
                        const std::string& outputName) {
  if (posted.empty() || !posted.front()) return;
  CScoreFile* entry = FindIndexEntry(indexData, outputName);
  if (!entry) entry = &indexData.emplace_back();
  entry->CopyFrom(*posted.front());
  entry->Path = outputName;
}

std::string MakeIndexPageName(std::string_view indexFilename, std::string_view suffix) {
  std::string_view name = FileNamePart(indexFilename);
  size_t dot = name.rfind('.');
  size_t split = dot == std::string_view::npos ? indexFilename.size()
                                               : indexFilename.size() - (name.size() - dot);
  std::string result(indexFilename.substr(0, split));
  result += suffix;
  result += indexFilename.substr(split);
  return result;
}

std::string MakeMonthPageName(std::string_view indexFilename, int year, int month) {
  return MakeIndexPageName(indexFilename, fmt::format("{:04d}{:02d}", year, month));
}

int64_t IndexCutOff(const CSetup& setup, int64_t now) {
  int64_t cutOff = setup.OldestToIndex;
  if (setup.DaysToIndex > 0) {
    int64_t byDays = now - int64_t(setup.DaysToIndex) * 86400;
    if (byDays > cutOff) cutOff = byDays;
  }
  return cutOff;
}

bool IsIndexed(const CScoreFile& entry, int64_t cutOff) {
  LocalTimeParts parts = BreakLocalTime(entry.SessionDate);
  if (!parts.Valid || parts.Year < 1971 || parts.Year > 2999) return false;
  return entry.SessionDate >= cutOff;
}

}  // namespace tx
