#include "shell/TabulonixApp.h"

#include <fmt/printf.h>
#include <system_error>

#include "app/Digest.h"
#include "app/Discovery.h"
#include "app/IndexOperations.h"
#include "app/PostGames.h"
#include "app/SetupDocument.h"
#include "log/Logfile.h"
#include "scorefile/Dealwright.h"
#include "shell/PostHooks.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"
#include "store/Password.h"
#include "ui/ConfirmModel.h"
#include "ui/SetupModel.h"
#include "web/PublishIndex.h"

namespace tx {

namespace fs = std::filesystem;

std::string DealwrightUpdateText(const std::string& versionFound) {
  return fmt::sprintf(
      "Dealwright update required.\r\n\r\n"
      "Your version: %s\r\n"
      "Minimum version required: %s\r\n"
      "\r\nUpdate Dealwright with its own Help>Check For Updates command, or from its maker's "
      "website (https://dealwright.example/), where you click \"Download Now\".",
      versionFound, "5.21");
}

CTabulonixApp::CTabulonixApp(Services& services, CFrontEnd frontEnd)
    : services_(services), frontEnd_(std::move(frontEnd)) {
  data_.Setup.ResetSetup(0);
  document_ = std::make_unique<CSetupDocument>(services_, data_);
  indexOps_ = std::make_unique<CIndexOperations>(services_, data_, index_);
  indexOps_->Context().Hooks.Navigate = frontEnd_.Navigate;
}

CTabulonixApp::~CTabulonixApp() { ExitInstance(); }

bool CTabulonixApp::InitData(const std::optional<fs::path>& setupFile) {
  LoadAppData(services_, data_);
  if (!setupFile) return document_->New();
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(*setupFile, ec))) return document_->NewAt(*setupFile);
  return document_->Open(*setupFile);
}

bool CTabulonixApp::CheckDealwright() {
  std::string program;
  ProductVersion version;
  if (!GetDealwrightPath(program) || !GetDealwrightVersion(program, version)) version = ProductVersion{};
  if (version.High >= MinimumDealwrightHigh) return true;
  // Not logged: the program ends before it has done anything worth a record.
  services_.Ui.MessageBox(DealwrightUpdateText(FormatProductVersion(version)), MbIcon::Error, MbButtons::Ok, 0);
  return false;
}

void CTabulonixApp::TestDataProtection() { data_.SetupState.MachinePasswordScheme = tx::TestDataProtection(); }

void CTabulonixApp::OfferImport() { ImportPreviousSetup(services_, data_); }

void CTabulonixApp::ExitInstance() {
  if (exited_) return;
  exited_ = true;
  temp_.CleanUp();
  services_.Log.TrimToMaxSize();
}

bool CTabulonixApp::SaveData() { return tx::SaveData(services_, data_); }

// ---- posting

CPostHooks CTabulonixApp::MakePostHooks() {
  CPostHooks hooks = MakeRealPostHooks(services_, data_, posting_, temp_);
  hooks.Navigate = frontEnd_.Navigate;
  hooks.Beep = frontEnd_.Beep;
  hooks.Index = indexOps_.get();
  if (AdjustPostHooks) AdjustPostHooks(hooks);
  return hooks;
}

OperationResult CTabulonixApp::RunPostGames(PostMode mode) {
  posting_.Confirmed = -1;  // stays so when the run stops at the setup checks
  CPostContext ctx{services_, data_.Setup, data_.History, index_, posting_, MakePostHooks()};
  OperationResult result = PostGames(ctx, mode);
  if (services_.Status.GetOperationState(false) != OperationState::Canceling) ReportPostGamesResult(services_, result);
  return result;
}

OperationResult CTabulonixApp::OnPostGames(bool shiftDown) {
  return RunPostGames(shiftDown ? PostMode::Repost : PostMode::PostNew);
}
OperationResult CTabulonixApp::OnPost() { return RunPostGames(PostMode::PostOpen); }
OperationResult CTabulonixApp::OnRepost() { return RunPostGames(PostMode::Repost); }

bool CTabulonixApp::OnCancel() {
  if (services_.Status.GetOperationState(false) != OperationState::Busy) return false;
  services_.Log.Write("User Canceled\n");
  services_.Status.SendStatus("Canceling...");
  return services_.Status.RequestCancel();
}

// ---- index

bool CTabulonixApp::CreateIndex() { return CreateIndexCommand(indexOps_->Context()); }

bool CTabulonixApp::IndexWebsite() { return indexOps_->IndexWebsite(); }

bool CTabulonixApp::PublishIndex(bool publishAll) {
  auto worker = MakeFtpUploader(services_, data_.Setup);
  auto upload = [&worker](const std::string& local, const std::string& remote) {
    return worker->UploadFile(local, remote);
  };
  bool ok = publishAll ? PublishIndexCommand(indexOps_->Context(), upload)
                       : tx::PublishIndex(indexOps_->Context(), upload, false) != 0;
  worker->Disconnect();
  return ok;
}

// ---- history

ViewHistoryResult CTabulonixApp::ViewHistory(const std::function<bool(CHistoryModel&)>& showDialog) {
  return tx::ViewHistory(services_, data_.History, showDialog, [this] { return SaveData(); });
}

CHistoryModel::AddResult CTabulonixApp::AddToHistory(CHistoryModel& model) {
  auto findNew = [this](CSFPtrArray& list, PostMode mode, CColScoreFile& history) {
    return FindNewScoreFiles(services_, data_.Setup, list, mode, history);
  };
  auto confirm = [this](CSFPtrArray& list) {
    CConfirmModel confirmModel(list, ConfirmMode::AddScoreFiles, nullptr, false);
    return RunConfirmDialog(services_.Ui, confirmModel);
  };
  return model.Add(services_, findNew, confirm);
}

bool CTabulonixApp::EraseHistory() { return tx::EraseHistory(services_, data_.History, [this] { return SaveData(); }); }

// ---- setup

int CTabulonixApp::ApplySetup(CSetupModel& model, bool* saved) {
  if (saved) *saved = true;
  CSetupApplyHooks hooks;
  const uint32_t scheme = data_.SetupState.MachinePasswordScheme;
  hooks.Encrypt = [scheme](const std::string& text, std::vector<uint8_t>& block, uint32_t& error) {
    return Encrypt(text, scheme, block, error);
  };
  hooks.MachinePasswordScheme = scheme;
  hooks.SaveData = [this, saved] {
    bool ok = SaveData();
    if (saved) *saved = ok;
    return ok;
  };
  hooks.ClearIndexCreated = [this] { index_.IndexCreated = false; };
  return model.Apply(services_, data_.Setup, hooks);
}

std::vector<std::string> CTabulonixApp::Digest(const std::vector<std::string>& files, bool& ok) {
  return tx::Digest(services_, files, data_.History, &ok);
}

// ---- command update rules

bool CTabulonixApp::IsCommandEnabled(CommandId id) {
  const OperationState state = services_.Status.GetOperationState(false);
  const bool idle = state == OperationState::Idle;
  switch (id) {
    case CommandId::Cancel: return state == OperationState::Busy;
    case CommandId::CreateIndex:
    case CommandId::IndexWebsite: return idle && !data_.Setup.IsBridgeWebs();
    case CommandId::PublishIndex: return idle && !data_.Setup.IsBridgeWebs() && index_.IndexCreated;
    case CommandId::EraseHistory: return idle && data_.History.GetCount() > 0;
    default: return idle;
  }
}

std::string CTabulonixApp::PostGamesLabel(bool shiftDown, const std::string& buttonText) {
  if (!shiftDown) return buttonText;
  const size_t paren = buttonText.find('(');
  return "Repost " + (paren == std::string::npos ? std::string() : buttonText.substr(paren));
}

}  // namespace tx
