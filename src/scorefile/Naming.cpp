#include "scorefile/Naming.h"

#include <cctype>

#include "platform/AsciiText.h"
#include "platform/LocalTime.h"
#include "scorefile/IdentifyValues.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/Ui.h"

namespace tx {

namespace {

constexpr const char* GameExtensions[4] = {".acm", ".aca", ".ace", ".acl"};

std::string_view FileNamePart(std::string_view path) {
  size_t sep = path.find_last_of("\\/");
  return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string LimitCode(std::string_view limits) {
  size_t n = 0;
  while (n < limits.size() && std::isalnum(static_cast<unsigned char>(limits[n]))) ++n;
  std::string code = AsciiLower(limits.substr(0, n));
  return code == "none" ? "n" : code;
}

char SessionLetter(int sessionIndex) {
  return sessionIndex >= 0 && sessionIndex <= 3 ? "mael"[sessionIndex] : 0;
}

std::string PageBaseName(const CScoreFile& record) {
  char letter = SessionLetter(record.GetSessionIndex());
  if (record.SessionDate == 0 || letter == 0) return {};
  return FormatLocalTime(record.SessionDate, "%Y%m%d") + letter + LimitCode(record.Limits) +
         AsciiLower(record.GetSectionCode());
}

std::string CScoreFile::GetSessionBaseName() const {
  if (SessionDate != 0) {
    int index = GetSessionIndex();
    return FormatLocalTime(SessionDate, "%y%m%d") + (index >= 0 && index <= 3 ? "MAEL"[index] : 'U');
  }
  std::string name = GetFileName();
  size_t dot = name.rfind('.');
  std::string extension = dot == std::string::npos ? std::string() : AsciiLower(name.substr(dot));
  if (dot != std::string::npos) name.resize(dot);
  for (int i = 0; i < 4; ++i)
    if (extension == GameExtensions[i]) name += "MAEL"[i];
  return name;
}

IdentifyResult Identify(CScoreFile& record, Services& services, bool ask, std::string* pageName) {
  for (;;) {
    bool complete = true;
    int session = record.GetSessionIndex();
    if (pageName) {
      if (LimitCode(record.Limits).empty()) complete = false;
      if (session < 0 || session > 3) complete = false;
    }
    if (Trim(record.Event).empty()) complete = false;
    if (complete && record.SessionDate != 0) {
      if (pageName) *pageName = PageBaseName(record);
      return IdentifyResult::Identified;
    }
    if (!ask) return IdentifyResult::NotIdentified;

    CIdentifyValues values;
    values.FileName = record.Path;
    values.Local = record.IsLocalFile();
    values.Contents = record.IsDataLoaded() ? &record.Data : nullptr;
    values.Event = record.Event;
    values.SessionDate = record.SessionDate;
    values.SessionIndex = session;
    values.Limit = record.Limits;
    values.Section = record.GetSectionCode();
    switch (services.Ui.IdentifyScoreFile(values)) {
      case IdentifyAnswer::Ok: {
        record.Event = values.Event;
        record.SessionDate = values.SessionDate;
        LocalTimeParts parts = BreakLocalTime(values.SessionDate);
        int index = values.SessionIndex >= 0 && values.SessionIndex <= 3 ? values.SessionIndex : 0;
        std::string text = std::string(parts.Valid ? WeekdayNames[parts.DayOfWeek] : "") + " " +
                           SessionTimeShortNames[index];
        record.Session = text.substr(0, 13);
        record.Limits = values.Limit;
        record.Section = AsciiUpper(values.Section);
        break;
      }
      case IdentifyAnswer::Skip:
        record.SetSelected(false);
        return IdentifyResult::NotIdentified;
      default:
        return IdentifyResult::Canceled;
    }
  }
}

std::string AddTemplateExtension(std::string name, std::string_view templateFileName) {
  std::string_view file = FileNamePart(name);
  if (file.find('.') != std::string_view::npos) return name;
  std::string_view tmpl = FileNamePart(templateFileName);
  size_t dot = tmpl.rfind('.');
  if (dot != std::string_view::npos) name += AsciiLower(tmpl.substr(dot));
  return name;
}

std::string YearMonthPath(std::string_view name, int64_t sessionDate) {
  return FormatLocalTime(sessionDate, "%Y") + "\\" + FormatLocalTime(sessionDate, "%m") + "\\" +
         std::string(FileNamePart(name));
}

IdentifyResult MakeWebPageName(CScoreFile& record, Services& services, const CSetup& setup,
                               const CScoreFile* previousPosting, std::string& pageName) {
  bool takenOver = false;
  if (previousPosting && !previousPosting->IsAddedByHand() && previousPosting->InsertNumber == 0 &&
      !previousPosting->WebPageName.empty()) {
    pageName = std::string(FileNamePart(previousPosting->WebPageName));
    takenOver = true;
  }
  if (!takenOver) {
    IdentifyResult r = Identify(record, services, true, &pageName);
    if (r != IdentifyResult::Identified) return r;
    pageName = AddTemplateExtension(pageName, setup.ScoreFileTemplateFilename);
  }
  if (setup.UploadToSubdirectories()) {
    int64_t date = record.SessionDate;
    if (date == 0 && previousPosting) date = previousPosting->SessionDate;
    pageName = YearMonthPath(pageName, date);
  }
  return IdentifyResult::Identified;
}

}  // namespace tx
