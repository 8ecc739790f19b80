#include "scorefile/WebFiles.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "log/Logfile.h"
#include "platform/Encoding.h"
#include "platform/Errors.h"
#include "platform/Process.h"
#include "scorefile/Dealwright.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"
#include "store/TempFiles.h"

namespace tx {

namespace {

constexpr size_t PieceUnits = 255;

bool StartsWithNoCase(std::u16string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    if (c != char16_t(prefix[i])) return false;
  }
  return true;
}

std::string FileNamePart(const std::string& path) {
  size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace

bool CreateWebFiles(CScoreFile& record, Services& services, const CSetup& setup, CTempPaths& temp) {
  DealwrightJob job;
  if (!GetDealwrightPath(job.Program)) {
    services.Ui.MessageBox("Cannot create HTML file: Dealwright is not installed.", MbIcon::Warning,
                           MbButtons::Ok, 0);
    return false;
  }
  std::filesystem::path dir = GetTempDirectory(services, temp, "TBm");
  job.HtmlPath = dir.string() + "/" + FileNamePart(record.WebPageName);
  job.HandRecordPath = record.HandRecordPath;
  if (!record.HandRecordPath.empty() && setup.LinkPdfHandRecords()) {
    std::filesystem::path pdf;
    if (!GetTempFile(services, temp, {}, "TBm", ".pdf", pdf)) {
      ReportSystemError(services, err::FileExists,
                        "CScoreFile::CreateWebFiles: CTabulonixApp::GetTempFile(.pdf)");
      return false;
    }
    job.PdfPath = pdf.string();
    job.PdfLayout = setup.PdfLayout;
  }
  job.HtmlLayout = setup.HtmlLayout;
  job.ScoreFilePath = record.Path;
  const std::string commandLine = DealwrightCommandLine(job);
  services.Log.Printf("CreateProcess=[%s]\n", commandLine);

  CProcess process;
  if (uint32_t code = StartCommandLine(commandLine, ProcessOptions{}, process); code != 0) {
    ReportSystemError(services, code, "CScoreFile::CreateWebFiles: CreateProcess");
    return false;
  }
  WaitResult result;
  for (;;) {
    if (services.Status.GetOperationState(true) == OperationState::Canceling) {
      // The converter is left to finish on its own.
      process.Detach();
      return false;
    }
    result = process.Wait(50);
    if (result.Finished) break;
  }
  if (result.ExitCode != 0) {
    services.Log.Printf("Dealwright exit code=[%d]\n", int32_t(result.ExitCode));
    return false;
  }
  record.PdfPath = job.PdfPath;
  record.HtmlPath = job.HtmlPath;
  return true;
}

void WriteResults(const CScoreFile& record, IResultsWriter& writer) {
  if (record.HtmlPath.empty()) {
    if (!record.IsDataLoaded() || record.Data.empty()) throw CInvalidArgException();
    std::string_view bytes(reinterpret_cast<const char*>(record.Data.data()), record.Data.size());
    bytes = bytes.substr(0, bytes.find('\0'));
    writer.WriteText("<pre>\n");
    writer.WriteBytes(bytes);
    if (!bytes.empty() && bytes.back() != '\n') writer.WriteBytes("\n");
    writer.WriteText("</pre>\n");
    return;
  }

  errno = 0;
  std::FILE* f = std::fopen(record.HtmlPath.c_str(), "rb");
  if (!f) throw CFileException(ErrorFromErrno(errno ? errno : ENOENT), record.HtmlPath);
  std::string raw;
  char buffer[8192];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) raw.append(buffer, got);
  std::fclose(f);
  // Text mode: CR LF reads as LF; a byte-order mark is not text.
  std::string bytes;
  bytes.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i)
    if (!(raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')) bytes += raw[i];
  std::u16string text = Utf8ToUtf16(bytes);
  size_t pos = (!text.empty() && text[0] == u'\uFEFF') ? 1 : 0;
  bool inBody = false;
  while (pos < text.size()) {
    size_t n = 0;
    while (pos + n < text.size() && n < PieceUnits) {
      if (text[pos + n++] == u'\n') break;
    }
    // A piece never ends between the two halves of a surrogate pair.
    if (n == PieceUnits && pos + n < text.size() && text[pos + n - 1] >= 0xD800 &&
        text[pos + n - 1] <= 0xDBFF && n > 1)
      --n;
    std::u16string_view piece(text.data() + pos, n);
    pos += n;
    if (!inBody) {
      if (StartsWithNoCase(piece, "<body")) inBody = true;
      continue;
    }
    if (StartsWithNoCase(piece, "</body")) break;
    writer.WriteText(Utf16ToUtf8(piece));
  }
}

}  // namespace tx
