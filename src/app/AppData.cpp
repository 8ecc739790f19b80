#include "app/AppData.h"

#include <system_error>

#include "app/MirrorFile.h"
#include "app/SetupDocument.h"
#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "status/Report.h"
#include "status/Services.h"
#include "store/Archive.h"
#include "store/ArchiveStream.h"

namespace tx {

namespace fs = std::filesystem;

namespace {

// Highest layout of stored score file records this program knows.
constexpr uint32_t CurrentRecordVersion = 1;

// base / name, made when missing and create is set.
bool Step(fs::path& path, const char* name, bool create, uint32_t& error) {
  path /= name;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (fs::is_directory(st)) return true;
  if (fs::exists(st)) {
    error = err::AlreadyExists;  // a file where the folder should be
    return false;
  }
  if (ec && ec != std::errc::no_such_file_or_directory) {
    error = ErrorFromErrno(ec.value());
    return false;
  }
  if (!create) {
    error = err::PathNotFound;
    return false;
  }
  if (!fs::create_directory(path, ec) && !fs::is_directory(path)) {
    error = ec ? ErrorFromErrno(ec.value()) : err::PathNotFound;
    return false;
  }
  return true;
}

// A history that could not be read whole is kept aside before the next save replaces it.
void KeepDamagedFile(Services& services, const fs::path& path) {
  const fs::path copy = path.parent_path() / "ProgramData-Damaged.bin";
  std::error_code ec;
  fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
  if (!ec) services.Log.Printf("Damaged app data file kept as %s\n", copy.string());
}

}  // namespace

fs::path GetAppDataPath(bool create, uint32_t& error) {
  error = 0;
  fs::path path = GetCommonAppDataFolder(create, &error);
  if (path.empty()) {
    if (!error) error = err::PathNotFound;
    return {};
  }
  if (!Step(path, CompanyFolderName, create, error) || !Step(path, ProgramFolderName, create, error))
    return {};
  path /= AppDataFileName;
  if (path.string().size() >= 4096) {
    error = err::FilenameTooLong;
    return {};
  }
  return path;
}

fs::path GetDataPath() {
  fs::path base = GetCommonAppDataFolder(false);
  if (base.empty()) return {};
  return base / ProgramFolderName / LegacyDataFileName;
}

void MergeLegacyHistory(CSetup& setup, CColScoreFile& history) {
  for (const CScoreFile& record : setup.LegacyHistoryList)
    if (!history.Lookup(record)) history.Add(record);
  setup.LegacyHistoryList.clear();
}

void LoadAppData(Services& services, AppData& data) {
  data.History.RemoveAll();
  uint32_t error = 0;
  const fs::path path = GetAppDataPath(false, error);
  std::error_code ec;
  if (path.empty() || !fs::exists(path, ec)) {
    services.Log.Write("No app data file found\n");
    return;
  }
  std::unique_ptr<CFileStream> file;
  try {
    if (fs::is_directory(path, ec)) throw CFileException(err::AccessDenied, path.string());
    file = std::make_unique<CFileStream>(path, CFileStream::Mode::Read);
  } catch (const CException& e) {
    ReportException(services, e, "CTabulonixApp::LoadAppData: CFile::Open");
    return;
  }
  try {
    CArchive ar(*file, CArchive::Mode::Load);
    const uint32_t version = ar.ReadU32();
    if (version > CurrentRecordVersion) ar.Fail(CArchiveException::BadSchema);
    data.SetupState.ScoreFileRecordVersion = int(version);
    ar.SetRecordVersion(int(version));
    data.History.Serialize(ar);
    ar.Close();
  } catch (const CException& e) {
    file.reset();
    ReportException(services, e, "CTabulonixApp::LoadAppData: CArchive::Serialize");
    KeepDamagedFile(services, path);
  }
}

bool SaveData(Services& services, AppData& data) {
  if (data.Document) {
    data.Document->SetModified(true);
    if (!data.Document->Save()) return false;
  }
  uint32_t error = 0;
  const fs::path path = GetAppDataPath(true, error);
  if (path.empty()) {
    ReportSystemError(services, error, "CTabulonixApp::SaveData: GetAppDataPath");
    return false;
  }
  std::unique_ptr<CMirrorFile> file;
  try {
    file = std::make_unique<CMirrorFile>(path);
  } catch (const CException& e) {
    ReportException(services, e, "CTabulonixApp::SaveData: CMirrorFile::Open");
    return false;
  }
  try {
    CArchive ar(*file, CArchive::Mode::Store);
    ar.WriteU32(CurrentRecordVersion);
    data.History.Serialize(ar);
    ar.Close();
    file->Close();
  } catch (const CException& e) {
    ReportException(services, e, "CTabulonixApp::SaveData: CArchive::Serialize");
    return false;
  }
  return true;
}

void LoadData(Services& services, AppData& data) {
  const fs::path path = GetDataPath();
  if (path.empty()) return;
  std::unique_ptr<CFileStream> file;
  try {
    file = std::make_unique<CFileStream>(path, CFileStream::Mode::Read);
  } catch (const CFileException& e) {
    if (e.OsError() == err::FileNotFound || e.OsError() == err::PathNotFound) return;
    ReportException(services, e, "CTabulonixApp::LoadData: CFile::Open");
    return;
  } catch (const CException& e) {
    ReportException(services, e, "CTabulonixApp::LoadData: CFile::Open");
    return;
  }
  try {
    CArchive ar(*file, CArchive::Mode::Load);
    SerializeSetup(ar, data.Setup, 0, 0, data.SetupState, services);
    ar.Close();
  } catch (const CException& e) {
    ReportException(services, e, "CTabulonixApp::LoadData: SerializeSetup");
  }
  MergeLegacyHistory(data.Setup, data.History);
}

void ImportPreviousSetup(Services& services, AppData& data) {
  const fs::path path = GetDataPath();
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) return;
  if (ShowMessage(services, "Import setup data from previous version?", MbIcon::Question,
                  MbButtons::YesNo, 0) != MbAnswer::Yes)
    return;
  services.Log.Printf("Importing %s\n", path.string());
  LoadData(services, data);
  SaveData(services, data);
}

}  // namespace tx
