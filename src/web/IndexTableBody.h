#pragma once
// The table bodies of the index pages: result rows grouped by calendar week, the "Older
// results..." row of the main page, and the year table of the by-month page.
#include <cstdint>
#include <string>
#include <vector>

#include "web/IndexData.h"

namespace tx {

class CScoreFile;
class CStagingFile;
struct CSetup;

class CIndexTableBody {
 public:
  // candidates: the indexed entries, newest first. pages: the index page list being written.
  CIndexTableBody(const CSetup& setup, std::vector<const CScoreFile*> candidates,
                  const std::vector<CIndexPage>& pages, int64_t now);

  // The page the next page should be (file name, year and month), appended by the caller.
  CIndexPage NextPage(int pageNumber) const;
  // Writes the body of page pageNumber (the last one in the page list); true when it is the
  // last page of the index.
  bool Write(CStagingFile& out, int pageNumber);

 private:
  void WriteRow(CStagingFile& out, const CScoreFile& e);
  void WriteYearTable(CStagingFile& out, size_t pageCount);

  const CSetup& setup_;
  std::vector<const CScoreFile*> candidates_;
  const std::vector<CIndexPage>& pages_;
  int64_t now_;
  size_t pos_ = 0;
  std::string siteUrl_;
  std::string byMonthName_;
};

}  // namespace tx
