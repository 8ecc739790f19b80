#include "app/SetupDocument.h"

#include <cstdlib>
#include <fmt/printf.h>
#include <system_error>

#include "app/AppData.h"
#include "app/MirrorFile.h"
#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/Profile.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "store/Archive.h"
#include "store/ArchiveStream.h"

namespace tx {

namespace fs = std::filesystem;

CSetupDocument::CSetupDocument(Services& services, AppData& data) : services_(services), data_(data) {
  data_.Document = this;
}

CSetupDocument::~CSetupDocument() {
  if (data_.Document == this) data_.Document = nullptr;
}

void CSetupDocument::ResetContents() { data_.Setup.ResetSetup(data_.SetupState.MachinePasswordScheme); }

bool CSetupDocument::SaveModified() {
  if (!modified_) return true;
  const std::string name = path_.empty() ? title_ : path_.string();
  switch (ShowMessage(services_, fmt::sprintf("Save changes to %s?", name), MbIcon::Warning,
                      MbButtons::YesNoCancel, 0)) {
    case MbAnswer::Yes: return Save();
    case MbAnswer::No: return true;
    default: return false;
  }
}

bool CSetupDocument::New() {
  if (!SaveModified()) return false;
  ResetContents();
  path_.clear();
  firstSaveToPath_ = false;
  title_ = UntitledTitle;
  modified_ = false;
  services_.Status.SendStatus("");
  return true;
}

bool CSetupDocument::NewAt(const fs::path& path) {
  if (!New()) return false;
  path_ = path;
  title_ = path.filename().string();
  firstSaveToPath_ = true;
  return true;
}

bool CSetupDocument::Open(const fs::path& path) {
  if (!SaveModified()) return false;
  if (!OpenDocument(path)) {
    ResetContents();
    path_.clear();
    firstSaveToPath_ = false;
    title_ = UntitledTitle;
    modified_ = false;
    return false;
  }
  TakePath(path);
  modified_ = false;
  MergeLegacyHistory(data_.Setup, data_.History);
  if (data_.SetupState.SetupConverted) SaveData(services_, data_);
  return true;
}

bool CSetupDocument::OpenDocument(const fs::path& path) {
  ResetContents();
  try {
    CFileStream file(path, CFileStream::Mode::Read);
    CArchive ar(file, CArchive::Mode::Load);
    const uint32_t schema = ar.ReadU32();
    if (schema > kCurrentSetupSchema) ar.Fail(CArchiveException::BadSchema);
    SerializeSetup(ar, data_.Setup, schema, kCurrentSetupSchema, data_.SetupState, services_);
    ar.Close();
    return true;
  } catch (const CArchiveException& e) {
    LogOperation(services_, "CTabulonixDoc::OnOpenDocument");
    services_.Log.LogException(e);
    ShowMessage(services_, UnexpectedFormatText, MbIcon::Warning);
  } catch (const CException& e) {
    ReportException(services_, e, "CTabulonixDoc::OnOpenDocument");
  }
  data_.Setup.LegacyHistoryList.clear();
  return false;
}

bool CSetupDocument::Save() {
  std::error_code ec;
  const fs::file_status st = fs::status(path_, ec);
  const bool writable = !path_.empty() && fs::is_regular_file(st) &&
                        (st.permissions() & fs::perms::owner_write) != fs::perms::none;
  if (firstSaveToPath_ && !path_.empty() && !fs::exists(fs::symlink_status(path_, ec))) return SaveAs(path_);
  return writable ? SaveAs(path_) : SaveAs();
}

bool CSetupDocument::SaveAs(const std::optional<fs::path>& given) {
  fs::path target;
  if (given) {
    target = *given;
  } else {
    IUi::SaveFileQuestion question{Filter, DefaultExtension, InitialSaveFolder(), ProposedFileName(title_)};
    std::optional<std::string> answer = services_.Ui.AskSaveFileName(question);
    if (!answer || answer->empty()) return false;
    target = *answer;
    services_.Profile.WriteString("Setup", "Directory", target.parent_path().string());
    services_.Log.Printf("Saved setup [%s]\n", target.string());
  }
  std::error_code ec;
  const bool existed = fs::exists(fs::symlink_status(target, ec));
  try {
    Write(target);
  } catch (const CException& e) {
    ReportException(services_, e, "CTabulonixDoc::OnSaveDocument");
    // Only a file this save made is removed; a file the user chose to replace is still whole.
    if (!given && !existed) fs::remove(target, ec);
    return false;
  }
  TakePath(target);
  modified_ = false;
  firstSaveToPath_ = false;
  return true;
}

void CSetupDocument::Write(const fs::path& path) {
  CMirrorFile file(path);
  CArchive ar(file, CArchive::Mode::Store);
  ar.WriteU32(kCurrentSetupSchema);
  SerializeSetup(ar, data_.Setup, kCurrentSetupSchema, kCurrentSetupSchema, data_.SetupState, services_);
  ar.Close();
  file.Close();
}

void CSetupDocument::TakePath(const fs::path& path) {
  path_ = path;
  title_ = path.filename().string();
  AddToRecentFiles(path);
}

std::vector<std::string> CSetupDocument::RecentFiles() const {
  std::vector<std::string> files;
  for (size_t i = 1; i <= RecentCount; ++i) {
    std::string f = services_.Profile.GetString(RecentSection, fmt::format("File{}", i));
    if (!f.empty()) files.push_back(std::move(f));
  }
  return files;
}

void CSetupDocument::AddToRecentFiles(const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::absolute(path, ec);
  const std::string entry = (ec ? path : full).lexically_normal().string();
  std::vector<std::string> files{entry};
  for (std::string& f : RecentFiles())
    if (f != entry && files.size() < RecentCount) files.push_back(std::move(f));
  for (size_t i = 0; i < RecentCount; ++i) {
    const std::string name = fmt::format("File{}", i + 1);
    if (i < files.size())
      services_.Profile.WriteString(RecentSection, name, files[i]);
    else
      services_.Profile.DeleteValue(RecentSection, name);
  }
}

std::string CSetupDocument::ProposedFileName(const std::string& title) {
  std::string name = title.substr(0, title.find_first_of(":/\\"));
  if (name.find('.') == std::string::npos) name += ".tsu";
  return name;
}

std::string CSetupDocument::InitialSaveFolder() const {
  std::string folder = services_.Profile.GetString("Setup", "Directory");
  if (!folder.empty()) return folder;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  std::error_code ec;
  const fs::path documents = fs::path(home) / "Documents";
  return fs::is_directory(documents, ec) ? documents.string() : std::string(home);
}

}  // namespace tx
