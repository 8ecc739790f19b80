#pragma once
// The application object: owns the program's data (setup, upload history, index state,
// temporary files), brings the program up and down, and runs its commands with the real
// fetch, FTP worker, form post, converter and dialogs behind the posting run's hooks. Both
// front ends drive it; they supply the Services and what only they can do (browser view, beep).
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppData.h"
#include "app/PostContext.h"
#include "status/OperationResult.h"
#include "store/TempFiles.h"
#include "ui/HistoryModel.h"
#include "web/IndexData.h"

namespace tx {

class CIndexOperations;
class CSetupDocument;
class CSetupModel;

// What only a front end can do.
struct CFrontEnd {
  // Shows an address (or "file://" path) in the browser view.
  std::function<void(const std::string& url)> Navigate;
  std::function<void()> Beep;
};

// Command ids of the menus, dialog bar and accelerators.
enum class CommandId : int {
  PostGames = 32769,
  Cancel = 32780,
  EraseHistory = 32801,
  PublishIndex = 32809,
  CreateIndex = 32811,
  IndexWebsite = 32812,
  Post = 32815,
  Setup = 32818,
  Repost = 32821,
  ViewHistory = 32822,
  New = 57600,
  Open = 57601,
  SaveAs = 57604,
  RecentFile = 57616,
};

inline constexpr const char* PostGamesButtonText = "Post Games (F4)";
inline constexpr unsigned MinimumDealwrightHigh = 0x00050015;  // 5.21

class CTabulonixApp {
 public:
  CTabulonixApp(Services& services, CFrontEnd frontEnd = {});
  ~CTabulonixApp();
  CTabulonixApp(const CTabulonixApp&) = delete;
  CTabulonixApp& operator=(const CTabulonixApp&) = delete;

  // ---- start-up and shut-down
  // The steps before the main window is shown: upload history, then the setup document (the
  // named file, or a new one). A file that does not exist yet starts a new setup that its
  // first save writes there. False when the document could not be opened.
  bool InitData(const std::optional<std::filesystem::path>& setupFile);
  // The Dealwright check: false, after the update-required message, when the converter is
  // missing or older than 5.21.
  bool CheckDealwright();
  // Tests the system data protection and sets MachinePasswordScheme.
  void TestDataProtection();
  // Offers the previous version's setup for import when its file exists.
  void OfferImport();
  // Deletes the temporary files, trims the logfile. Runs once; the destructor runs it too.
  void ExitInstance();

  // ---- commands
  // The handlers of Post Games (Shift: Repost), Post... and Repost...: the run and the
  // handler's closing status text.
  OperationResult OnPostGames(bool shiftDown);
  OperationResult OnPost();
  OperationResult OnRepost();
  OperationResult RunPostGames(PostMode mode);
  // The Cancel command: false when nothing was running.
  bool OnCancel();
  bool CreateIndex();
  bool IndexWebsite();
  bool PublishIndex(bool publishAll);
  // View History with the front end's dialog (true for OK).
  ViewHistoryResult ViewHistory(const std::function<bool(CHistoryModel&)>& showDialog);
  // Add... of the History dialog: new files of the score file directory, confirmed in Add
  // Score Files mode through the front end's Confirm Posting.
  CHistoryModel::AddResult AddToHistory(CHistoryModel& model);
  bool EraseHistory();
  // The Setup dialog's OK; returns the number of changes. saved tells whether they were saved.
  int ApplySetup(CSetupModel& model, bool* saved = nullptr);
  // Content digests of files against the history, one line per file.
  std::vector<std::string> Digest(const std::vector<std::string>& files, bool& ok);

  // ---- command update rules
  bool IsCommandEnabled(CommandId id);
  // The Post Games button's label: "Repost (F4)" while Shift is held.
  static std::string PostGamesLabel(bool shiftDown, const std::string& buttonText = PostGamesButtonText);

  // ---- state
  Services& Svc() { return services_; }
  AppData& Data() { return data_; }
  CSetup& Setup() { return data_.Setup; }
  CColScoreFile& History() { return data_.History; }
  CSetupDocument& Document() { return *document_; }
  CIndexState& Index() { return index_; }
  CTempPaths& TempPaths() { return temp_; }
  // The counts of the last posting run; Confirmed is -1 when the setup checks stopped it.
  const CPostingState& LastRun() const { return posting_; }
  bool SaveData();

  // The hooks a posting run is made with (the real operations).
  CPostHooks MakePostHooks();
  // Replaces parts of the posting hooks (tests, or a front end that wants to see them).
  std::function<void(CPostHooks&)> AdjustPostHooks;

 private:
  Services& services_;
  CFrontEnd frontEnd_;
  AppData data_;
  std::unique_ptr<CSetupDocument> document_;
  CIndexState index_;
  CPostingState posting_;
  CTempPaths temp_;
  std::unique_ptr<CIndexOperations> indexOps_;
  bool exited_ = false;
};

// The update-required text for the version found.
std::string DealwrightUpdateText(const std::string& versionFound);

}  // namespace tx
