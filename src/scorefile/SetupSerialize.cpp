#include "scorefile/SetupSerialize.h"

#include <algorithm>
#include <filesystem>
#include <fmt/printf.h>
#include <new>
#include <system_error>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/Version.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/Ui.h"
#include "store/Archive.h"

namespace tx {

namespace {

// The least a stored score file record of either layout can take; bounds what a damaged count
// may reserve.
constexpr uint64_t MinRecordBytes = 48;

void WriteRecordList(CArchive& ar, std::vector<CScoreFile>& list) {
  ar.WriteCount(list.size());
  for (CScoreFile& r : list) r.Serialize(ar);
}

// A list that ends early keeps the records read completely, then the error goes on.
void ReadRecordList(CArchive& ar, std::vector<CScoreFile>& list) {
  list.clear();
  const uint32_t count = ar.ReadCount();
  const uint64_t left = ar.BytesLeft();
  if (left != CArchive::UnknownSize) list.reserve(size_t(std::min<uint64_t>(count, left / MinRecordBytes)));
  for (uint32_t i = 0; i < count; ++i) {
    try {
      list.emplace_back().Serialize(ar);
    } catch (...) {
      list.pop_back();
      throw;
    }
  }
}

void SkipDatumList(CArchive& ar, uint32_t schema) {
  const uint32_t count = ar.ReadCount();
  for (uint32_t i = 0; i < count; ++i) {
    CDatum datum;
    datum.Serialize(ar, schema);
  }
}

void ReadPassword(CArchive& ar, CSetup& setup) {
  setup.FtpPassword.clear();
  const uint32_t length = ar.ReadU32();
  try {
    setup.FtpPassword = ar.ReadBlock(length);
  } catch (const std::bad_alloc&) {
    setup.FtpPassword.clear();
    throw CFileException(err::NotEnoughMemory, ar.GetPath());
  }
}

void WriteSetup(CArchive& ar, CSetup& s) {
  ar.WriteText(s.ScoreFileDirectory);
  ar.WriteTime(s.PostFilesModifiedAfter);
  ar.WriteText(s.LastHandRecordDirectory);
  ar.WriteU32(s.LastHandRecordFilterIndex);
  ar.WriteText(s.HtmlLayout);
  ar.WriteText(s.PdfLayout);
  ar.WriteTime(s.LastPublishTime);
  ar.WriteText(s.StagingDirectoryName);
  ar.WriteText(s.WebsiteUrl);
  ar.WriteText(s.IndexTemplateFilename);
  ar.WriteText(s.IndexFilename);
  ar.WriteTime(s.OldestToIndex);
  ar.WriteU32(s.DaysToIndex);
  ar.WriteText(s.WebsiteScoreFileDirectory);
  ar.WriteText(s.ScoreFileTemplateFilename);
  ar.WriteText(s.FtpServer);
  ar.WriteText(s.FtpUser);
  ar.WriteText(s.FtpDirectory);
  ar.WriteU32(s.SetupFlags & setupflag::Known);
  ar.WriteU32(s.FtpPasswordScheme);
  ar.WriteU32(uint32_t(s.FtpPassword.size()));
  if (!s.FtpPassword.empty()) ar.Write(s.FtpPassword.data(), s.FtpPassword.size());
  ar.WriteCount(0);  // the legacy history list is always written empty
  WriteRecordList(ar, s.IndexData);
}

void ReadLegacyLayout(CArchive& ar, CSetup& s, uint32_t schema, SetupLoadState& state) {
  SkipDatumList(ar, schema);
  SkipDatumList(ar, schema);
  s.FtpServer = ar.ReadText();
  s.FtpUser = ar.ReadText();
  (void)ar.ReadText();
  if (schema == 4) (void)ar.ReadText();
  s.FtpPasswordScheme = schema >= 1 ? ar.ReadU32() : state.MachinePasswordScheme;
  ReadPassword(ar, s);
  if (schema >= 2) ReadRecordList(ar, s.LegacyHistoryList);
  if (schema == 4) {
    (void)ar.ReadText();
    (void)ar.ReadText();
    s.DaysToIndex = ar.ReadU32();
    (void)ar.ReadU32();
    ReadRecordList(ar, s.IndexData);
  }
}

void ReadLayout(CArchive& ar, CSetup& s, uint32_t schema, SetupLoadState& state) {
  s.ScoreFileDirectory = ar.ReadText();
  s.PostFilesModifiedAfter = ar.ReadTime();
  s.LastHandRecordDirectory = ar.ReadText();
  if (schema >= 8) s.LastHandRecordFilterIndex = ar.ReadU32();
  if (schema >= 7) s.HtmlLayout = ar.ReadText();
  if (schema >= 9) s.PdfLayout = ar.ReadText();
  if (schema >= 10) {
    s.LastPublishTime = ar.ReadTime();
    s.StagingDirectoryName = ar.ReadText();
  }
  s.WebsiteUrl = ar.ReadText();
  s.IndexTemplateFilename = ar.ReadText();
  if (schema >= 6) s.IndexFilename = ar.ReadText();
  if (schema >= 8) s.OldestToIndex = ar.ReadTime();
  s.DaysToIndex = ar.ReadU32();
  s.WebsiteScoreFileDirectory = ar.ReadText();
  s.ScoreFileTemplateFilename = ar.ReadText();
  s.FtpServer = ar.ReadText();
  s.FtpUser = ar.ReadText();
  s.FtpDirectory = ar.ReadText();
  if (schema >= 8) {
    s.SetupFlags = ar.ReadU32() & setupflag::Known;
    state.ScoreFileRecordVersion = 1;
    ar.SetRecordVersion(1);
  }
  s.FtpPasswordScheme = ar.ReadU32();
  ReadPassword(ar, s);
  ReadRecordList(ar, s.LegacyHistoryList);
  ReadRecordList(ar, s.IndexData);
}

// Asks to convert an older file and copies it to its backup name; raises when declined or
// when the copy fails.
void ConvertOlderFile(CArchive& ar, uint32_t fileSchema, SetupLoadState& state, Services& services) {
  const std::string path = ar.GetPath();
  const std::string backup = SetupBackupName(path, fileSchema);
  const std::string question = fmt::sprintf(
      "Convert %s to the current format?\r\n\r\nA copy before conversion will be saved as %s", path, backup);
  if (ShowMessage(services, question, MbIcon::Warning, MbButtons::OkCancel, 1) != MbAnswer::Ok)
    throw CArchiveException(CArchiveException::BadSchema, path);
  std::error_code ec;
  std::filesystem::copy_file(path, backup, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) {
    uint32_t code = ErrorFromErrno(ec.value());
    if (code == 0) code = err::AccessDenied;
    throw CFileException(code, backup);
  }
  state.SetupConverted = true;
}

}  // namespace

void CDatum::Serialize(CArchive& ar, uint32_t schema) {
  if (ar.IsStoring()) {
    for (int i = 0; i < 5; ++i) ar.WriteText(Text[i]);
    if (schema >= 1) ar.WriteText(Text[5]);
    ar.WriteText(Text[6]);
    ar.WriteU32(Number[0]);
    ar.WriteU32(Number[1]);
    if (schema >= 3) ar.WriteText(Text[7]);
    return;
  }
  for (int i = 0; i < 5; ++i) Text[i] = ar.ReadText();
  if (schema >= 1) Text[5] = ar.ReadText();
  Text[6] = ar.ReadText();
  Number[0] = ar.ReadU32();
  Number[1] = ar.ReadU32();
  if (schema >= 3) Text[7] = ar.ReadText();
}

std::string SetupBackupName(const std::string& path, uint32_t schema) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.find_last_of('.');
  std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                         ? path.substr(0, dot)
                         : path;
  return stem + fmt::sprintf("-Backup%d.tsu", schema);
}

void SerializeSetup(CArchive& ar, CSetup& setup, uint32_t fileSchema, uint32_t currentSchema,
                    SetupLoadState& state, Services& services) {
  if (ar.IsStoring()) {
    WriteSetup(ar, setup);
    return;
  }
  state.SetupSchema = fileSchema;
  state.ScoreFileRecordVersion = 0;
  ar.SetRecordVersion(0);
  const std::string version =
      fmt::sprintf("Tabulonix Version %s", FormatProductVersion(OwnProductVersion()));
  services.Log.Printf("%s: Loading setup file %s Schema=%d\n", version, ar.GetPath(), int(fileSchema));

  state.SetupConverted = false;
  if (fileSchema > kCurrentSetupSchema) throw CArchiveException(CArchiveException::BadSchema, ar.GetPath());
  if (currentSchema > fileSchema) ConvertOlderFile(ar, fileSchema, state, services);

  setup.LegacyHistoryList.clear();
  if (fileSchema >= 5)
    ReadLayout(ar, setup, fileSchema, state);
  else
    ReadLegacyLayout(ar, setup, fileSchema, state);
}

}  // namespace tx
