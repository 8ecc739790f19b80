#pragma once
// The index's working state (index pages of the last Create Index, months changed since the
// last publication, whether a local index exists) and the helpers over IndexData, the list of
// results pages the website holds.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scorefile/ScoreFile.h"

namespace tx {

struct CSetup;

struct CIndexPage {
  int32_t Year = 0;   // 0 for the main page and the by-month page
  int32_t Month = 0;  // 1..12; 0 for the main page and the by-month page
  std::string FileName;
};

// (month << 16) | year of the local date of t; 0 when t cannot be converted.
uint32_t MonthKey(int64_t t);

struct CIndexState {
  std::vector<CIndexPage> IndexPages;
  std::unordered_map<uint32_t, int> ChangedMonths = std::unordered_map<uint32_t, int>(17);
  bool IndexCreated = false;

  void MarkMonthChanged(const CScoreFile& record) { ChangedMonths[MonthKey(record.SessionDate)] = 1; }
  bool IsMonthChanged(int year, int month) const {
    return ChangedMonths.count((uint32_t(month) << 16) | (uint32_t(year) & 0xFFFF)) != 0;
  }
};

// The entry of IndexData for a page: same file name part of Path, letter case ignored.
CScoreFile* FindIndexEntry(std::vector<CScoreFile>& indexData, std::string_view pageName);

// After a successful posting: the entry of outputName (overwritten or appended) becomes a copy
// of the first posted record with Path = outputName. Nothing happens without posted records.
void RegisterIndexEntry(std::vector<CScoreFile>& indexData, const std::vector<CScoreFile*>& posted,
                        const std::string& outputName);

// indexFilename without its extension, then suffix, then the extension.
std::string MakeIndexPageName(std::string_view indexFilename, std::string_view suffix);
std::string MakeMonthPageName(std::string_view indexFilename, int year, int month);

// The earliest SessionDate indexed: the later of OldestToIndex and now - DaysToIndex days.
int64_t IndexCutOff(const CSetup& setup, int64_t now);
// Whether an entry belongs in the index: a local year 1971..2999 and not before the cut-off.
bool IsIndexed(const CScoreFile& entry, int64_t cutOff);

// File name part of a path with '\' or '/' separators.
std::string_view FileNamePart(std::string_view path);
// ASCII letter case ignored.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace tx
