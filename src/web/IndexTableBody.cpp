#include "web/IndexTableBody.h"

#include <fmt/printf.h>

#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "web/IndexContext.h"
#include "web/StagingFile.h"

namespace tx {

namespace {

constexpr int64_t kDay = 86400;
constexpr const char* kOlderResults = "Older results...";
// "%b" in the "C" locale.
constexpr const char* kMonthAbbr[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string ExtensionUpper(const std::string& name) {
  size_t slash = name.find_last_of("\\/");
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = name.substr(dot + 1);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return ext;
}

}  // namespace

CIndexTableBody::CIndexTableBody(const CSetup& setup, std::vector<const CScoreFile*> candidates,
                                 const std::vector<CIndexPage>& pages, int64_t now)
    : setup_(setup), candidates_(std::move(candidates)), pages_(pages), now_(now) {
  siteUrl_ = JoinSiteUrl(setup.WebsiteUrl, setup.WebsiteScoreFileDirectory);
  byMonthName_ = MakeIndexPageName(setup.IndexFilename, "ByMonth");
}

CIndexPage CIndexTableBody::NextPage(int pageNumber) const {
  CIndexPage page;
  if (pageNumber == 0) {
    page.FileName = setup_.IndexFilename;
  } else if (pos_ >= candidates_.size()) {
    page.FileName = byMonthName_;
  } else {
    LocalTimeParts t = BreakLocalTime(candidates_[pos_]->SessionDate);
    page.Year = t.Year;
    page.Month = t.Month;
    page.FileName = MakeMonthPageName(setup_.IndexFilename, t.Year, t.Month);
  }
  return page;
}

bool CIndexTableBody::Write(CStagingFile& out, int pageNumber) {
  out.Write("<tbody>\n");
  if (pos_ >= candidates_.size()) {
    WriteYearTable(out, pages_.size() - 1);
    return true;
  }
  const bool multi = setup_.MultiPageIndex();
  const CIndexPage& page = pages_.back();
  const CScoreFile* prev = nullptr;
  for (;;) {
    if (pos_ >= candidates_.size()) {
      out.Write("</tbody>\n");
      return !multi;
    }
    const CScoreFile& e = *candidates_[pos_];
    if (multi && pageNumber > 0) {
      LocalTimeParts t = BreakLocalTime(e.SessionDate);
      if (t.Year != page.Year || t.Month != page.Month) {
        out.Write("</tbody>\n");
        return false;
      }
    }
    if (multi && pageNumber == 0 && prev && (now_ - e.SessionDate) / kDay >= 8) {
      out.Write(fmt::sprintf("<tr><td><a href=\"%s\"><em>%s</em></a></td></tr>\n", byMonthName_, kOlderResults));
      // The month pages list every candidate again, the recent ones included.
      pos_ = 0;
      out.Write("</tbody>\n");
      return false;
    }
    if (prev) {
      // One table body per calendar week, Sunday to Saturday.
      int prevDay = BreakLocalTime(prev->SessionDate).DayOfWeek;
      int day = BreakLocalTime(e.SessionDate).DayOfWeek;
      if ((prev->SessionDate - e.SessionDate) / kDay >= 7 || day > prevDay) out.Write("</tbody><tbody>\n");
    }
    WriteRow(out, e);
    prev = &e;
    ++pos_;
  }
}

void CIndexTableBody::WriteRow(CStagingFile& out, const CScoreFile& e) {
  std::string name = e.Event.empty() ? e.GetFileName() : e.Event;
  out.Write(fmt::sprintf("<tr><td>%s</td><td>%s</td><td>%s</td><td><a href=\"%s\">%s</a></td>", e.DateText,
                         e.GetSessionDescription(), e.GetSectionCode(), JoinSiteUrl(siteUrl_, e.Path), name));
  const bool pdf = setup_.LinkPdfHandRecords(), computer = setup_.LinkComputerHandRecords();
  if (pdf || computer) {
    std::string cell;
    if (pdf && e.IsPdfUploaded())
      cell += fmt::sprintf("[<a href=\"%s\"><small>%s</small></a>]", JoinSiteUrl(siteUrl_, e.GetRelatedName(".pdf")),
                           "PDF");
    if (computer && e.IsHandRecordUploaded()) {
      if (!cell.empty()) cell += ' ';
      std::string upload = e.GetHandRecordUploadName();
      cell += fmt::sprintf("[<a href=\"%s\" type=\"application/octet-stream\"><small>%s</small></a>]",
                           JoinSiteUrl(siteUrl_, upload), ExtensionUpper(upload));
    }
    out.Write("<td>" + cell + "</td>");
  }
  out.Write("</tr>\n");
}

void CIndexTableBody::WriteYearTable(CStagingFile& out, size_t pageCount) {
  // Month pages were written newest month first; each year lists its months in calendar order.
  auto closeYear = [&](size_t first, size_t last, bool more) {
    for (size_t j = last + 1; j-- > first;) {
      const CIndexPage& p = pages_[j];
      const char* abbr = p.Month >= 1 && p.Month <= 12 ? kMonthAbbr[p.Month - 1] : "";
      out.Write(fmt::sprintf(" <a href=\"%s\">%s</a>\n", p.FileName, abbr));
    }
    out.Write(more ? "</td></tr>\n</tbody><tbody>\n" : "</td></tr>\n</tbody>\n");
  };
  bool open = false;
  size_t first = 0;
  for (size_t i = 1; i < pageCount; ++i) {
    if (open && pages_[i].Year == pages_[first].Year) continue;
    if (open) closeYear(first, i - 1, true);
    out.Write(fmt::sprintf("<tr><td>%d</td><td>\n", pages_[i].Year));
    open = true;
    first = i;
  }
  if (open)
    closeYear(first, pageCount - 1, false);
  else
    out.Write("</tbody>\n");
}

}  // namespace tx
