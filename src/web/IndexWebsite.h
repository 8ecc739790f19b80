#pragma once
// Index Website: rebuilds the index data from the results pages actually on the website, with
// the PDF and computer hand record files found beside them.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "scorefile/ScoreFile.h"
#include "web/IndexContext.h"

namespace tx {

// What one walk collects.
struct CIndexCollection {
  bool HasTemplate = false;
  std::string TemplateName;  // file name part of ScoreFileTemplateFilename
  int32_t Found = 0;
  std::vector<CScoreFile> Pages;
  // Hand record file name without extension -> its extension with the dot; letter case counts.
  std::unordered_map<std::string, std::string> HandRecords = std::unordered_map<std::string, std::string>(10007);
};

// Reads one remote results page: opens remotePath through the connection quietly as text and
// parses it with the digest; false when either fails. The caller closes the record.
using ReadIndexPageFn = std::function<bool(CScoreFile& page, const std::string& remotePath, CFtpConnection* connection)>;

// True when IndexData was replaced.
bool IndexWebsite(CIndexContext& ctx, const ReadIndexPageFn& readPage);

// The walk's callback for one listed file: 1 to go on, 0 to stop (cancel pending).
int IndexFile(CIndexContext& ctx, IIndexSite& site, const ReadIndexPageFn& readPage, const std::string& name,
              const std::string& folder, CIndexCollection& collection);

}  // namespace tx
