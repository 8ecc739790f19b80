#include "web/TemplateFile.h"

#include <fmt/printf.h>

#include "platform/AsciiText.h"
#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "web/ColScoreFile.h"
#include "web/IndexData.h"
#include "web/StagingFile.h"

namespace tx {

namespace {

bool IsTrailingSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool HasExtension(std::string_view name) {
  return FileNamePart(name).find('.') != std::string_view::npos;
}

}  // namespace

bool IsInsertMarkerLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (line.substr(i, kInsertMarker.size()) != kInsertMarker) return false;
  std::string_view rest = line.substr(i + kInsertMarker.size());
  for (size_t k = 0; k < rest.size(); ++k) {
    unsigned char c = rest[k];
    if (IsTrailingSpace(c)) continue;
    // No-break space (U+00A0) and the other spaces of the U+2000 block count as white space.
    if (c == 0xC2 && k + 1 < rest.size() && (unsigned char)rest[k + 1] == 0xA0) {
      ++k;
      continue;
    }
    if (c == 0xE2 && k + 2 < rest.size() && (unsigned char)rest[k + 1] == 0x80 &&
        (unsigned char)rest[k + 2] <= 0x8A) {
      k += 2;
      continue;
    }
    return false;
  }
  return true;
}

std::vector<std::string_view> SplitTemplateLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\0') {
      lines.push_back(text.substr(start, i - start));
      return lines;
    }
    if (c == '\r' || c == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
      continue;
    }
    ++i;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

CTemplateFile::CTemplateFile(CTemplateContext context) : ctx_(std::move(context)) {}

int CTemplateFile::Load(const std::string& url) {
  TemplateUrl = url;
  TemplateData.clear();
  int result = ctx_.Hooks.Fetch ? ctx_.Hooks.Fetch(url, TemplateData) : 0;
  ExpectedInserts = 1;
  return result;
}

std::string CTemplateFile::TemplateExtension() const {
  std::string_view name = TemplateUrl;
  size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name = name.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

OperationResult CTemplateFile::Parse(bool merge, CScoreFile* record) {
  Services& svc = ctx_.Svc;
  if (!merge) OutputName.clear();
  std::string statusText = "Reading template data";
  CStagingFile staging;
  if (merge) {
    if (!svc.Status.SendStatus("Opening web page staging file")) return OperationResult::ResultFailed;
    std::string extension = TemplateExtension();
    if (extension.empty()) extension = ".htm";
    std::string path;
    uint32_t code = ctx_.Hooks.GetTempFile ? ctx_.Hooks.GetTempFile("TBw", extension, path) : err::FileNotFound;
    if (code != 0 || path.empty()) {
      ReportSystemError(svc, code ? code : err::FileNotFound, "CTemplateFile::Parse: CTabulonixApp::GetTempFile");
      return OperationResult::ResultFailed;
    }
    StagingPath = path;
    try {
      staging.Open(StagingPath);
    } catch (const CException& e) {
      ReportException(svc, e, "CTemplateFile::Parse: CStdioFile::Open");
      return OperationResult::ResultFailed;
    }
    statusText = "Copying template data";
  }
  if (!svc.Status.SendStatus(statusText)) return OperationResult::ResultFailed;

  int counter = 0;
  try {
    for (std::string_view line : SplitTemplateLines(TemplateData)) {
      if (merge) staging.WriteLine(line);
      if (!IsInsertMarkerLine(line)) continue;
      if (record) {
        OperationResult r = ProcessInsert(merge, counter, *record, merge ? &staging : nullptr);
        if (r != OperationResult::ResultSucceeded) return r;
        if (!svc.Status.SendStatus(statusText)) return OperationResult::ResultNone;
      }
      ++counter;
    }
    if (merge) staging.Close();
  } catch (const CException& e) {
    ReportException(svc, e, "CTemplateFile::Parse: read/write loop");
    return OperationResult::ResultFailed;
  }
  FoundInserts = counter;
  if (!merge) return OperationResult::ResultSucceeded;
  if (FoundInserts != ExpectedInserts) {
    ShowMessage(svc,
                fmt::sprintf("Template %s:\r\nExpected %d insert locations, found %d", TemplateUrl,
                             ExpectedInserts, FoundInserts),
                MbIcon::Error);
    return OperationResult::ResultFailed;
  }
  if (OutputName.empty()) {
    ShowMessage(svc, "No output filename", MbIcon::Error);
    return OperationResult::ResultFailed;
  }
  return OperationResult::ResultSucceeded;
}

OperationResult CTemplateFile::ProcessInsert(bool merge, int insertNumber, CScoreFile& record,
                                             CStagingFile* staging) {
  Services& svc = ctx_.Svc;
  const char* op = merge ? "Merging" : "Checking";
  if (!svc.Status.SendStatus(fmt::sprintf("%s: %s", op, record.Path))) return OperationResult::ResultFailed;
  svc.Log.Printf("%s insert #%d=[%s] length=[%u] mod=[%s]\n", op, insertNumber + 1, record.Path, record.Size,
                 record.GetModifiedText());
  if (!merge) return CheckInsert(record);

  svc.Log.Printf("%s: EVENT>%s SESSION>%s SECTION>%s DATE>%s LIMITS>%s\n", OutputName, record.Event,
                 record.Session, record.Section, record.DateText, record.Limits);
  record.SetPosted(OutputName, uint32_t(insertNumber));
  if (ctx_.Hooks.WriteResults && staging) ctx_.Hooks.WriteResults(record, *staging);
  if (staging) staging->WriteLine(kInsertEndMarker);
  ctx_.PostedScoreFiles.push_back(&record);
  return OperationResult::ResultSucceeded;
}

OperationResult CTemplateFile::CheckInsert(CScoreFile& record) {
  const CScoreFile* previous = nullptr;
  PostedState state = IsPosted(record, &previous, &ctx_.PostedScoreFiles, ctx_.History);
  std::string message;
  bool postedBefore = state == PostedState::PostedBefore && previous;
  if (postedBefore)
    message = fmt::sprintf(
        "The results in a score file have been posted previously to a web page.\r\n\r\nScore file: %s\r\n"
        "Web page: %s\r\nInsert: %d\r\nPosted: %s",
        record.Path, previous->WebPageName, previous->InsertNumber + 1, previous->GetPostedText());
  int answer = ctx_.Hooks.AskPostAnyway ? ctx_.Hooks.AskPostAnyway(record, message) : 0;
  if (answer == 1) return OperationResult::ResultFailed;
  if (answer == 2) return OperationResult::ResultCanceled;

  if (postedBefore && previous->InsertNumber == 0) OutputName = std::string(FileNamePart(previous->WebPageName));
  if (OutputName.empty()) {
    int identified = ctx_.Hooks.Identify ? ctx_.Hooks.Identify(record, OutputName) : 0;
    if (identified == 2) return OperationResult::ResultCanceled;
    if (!record.IsSelected() || identified != 1 || OutputName.empty()) return OperationResult::ResultFailed;
    if (!HasExtension(OutputName)) OutputName += AsciiLower(TemplateExtension());
  }
  if (ctx_.Setup.UploadToSubdirectories()) {
    std::string name(FileNamePart(OutputName));
    OutputName = FormatLocalTime(record.SessionDate, "%Y") + "\\" + FormatLocalTime(record.SessionDate, "%m") +
                 "\\" + name;
  }
  record.SetPosted(OutputName, 0);
  return OperationResult::ResultSucceeded;
}

}  // namespace tx
