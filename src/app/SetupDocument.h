#pragma once
// The setup document (".tsu"): the file that holds the application's setup record with its
// index data. The document holds no data of its own; it connects new, open, save, save as and
// the recent-file list to the setup record in AppData. Front ends call these operations; the
// questions go through the IUi of the services.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tx {

struct Services;
struct AppData;

class CSetupDocument {
 public:
  static constexpr const char* UntitledTitle = "Untitled";
  static constexpr const char* Filter = "Tabulonix Setup Data (*.tsu)|*.tsu||";
  static constexpr const char* DefaultExtension = "tsu";
  static constexpr const char* UnexpectedFormatText = "Unexpected file format.";
  static constexpr const char* RecentSection = "Recent File List";
  static constexpr size_t RecentCount = 4;

  // Registers with data (data.Document = this) as an untitled, unmodified document; the caller
  // then runs New or Open. Both must outlive the document.
  CSetupDocument(Services& services, AppData& data);
  ~CSetupDocument();
  CSetupDocument(const CSetupDocument&) = delete;
  CSetupDocument& operator=(const CSetupDocument&) = delete;

  const std::filesystem::path& GetPath() const { return path_; }  // empty: never saved
  const std::string& GetTitle() const { return title_; }
  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // Asks "Save changes to %1?" when modified; false when the user cancels or the save fails.
  bool SaveModified();
  // A new document with the default setup; false when SaveModified said no.
  bool New();
  // A new document with the default setup that its first save writes to path (a file that
  // does not exist yet, named on the command line).
  bool NewAt(const std::filesystem::path& path);
  // Opens a .tsu file, replacing the setup. On failure the failure is shown and the document
  // falls back to a new, untitled one with default values; the result is false. A converted
  // older file is saved at once in the current layout.
  bool Open(const std::filesystem::path& path);
  // Writes to the document's file, or runs Save As when it has none or it is missing or
  // read-only.
  bool Save();
  // Writes to the given path, or asks for one (Cancel: false, nothing written).
  bool SaveAs(const std::optional<std::filesystem::path>& path = std::nullopt);

  // The most recent documents, newest first.
  std::vector<std::string> RecentFiles() const;

  // The name Save As proposes for a title: cut at the first ':', '/' or '\', ".tsu" added when
  // it has no extension.
  static std::string ProposedFileName(const std::string& title);

 private:
  bool OpenDocument(const std::filesystem::path& path);
  void Write(const std::filesystem::path& path);
  void ResetContents();
  void TakePath(const std::filesystem::path& path);
  void AddToRecentFiles(const std::filesystem::path& path);
  std::string InitialSaveFolder() const;

  Services& services_;
  AppData& data_;
  std::filesystem::path path_;
  std::string title_ = UntitledTitle;
  bool modified_ = false;
  bool firstSaveToPath_ = false;  // NewAt: Save writes to path_ although it does not exist yet
};

}  // namespace tx
