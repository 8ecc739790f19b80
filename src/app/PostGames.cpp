#include "app/PostGames.h"

#include <algorithm>
#include <fmt/printf.h>

#include "app/PostScoreFile.h"
#include "log/Logfile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "web/ColScoreFile.h"
#include "web/IndexData.h"

namespace tx {

namespace {

// An uploader that fails every call, for a run that has none (it is never reached in
// BridgeWebs mode, where no FTP connection is made).
class CNoUploader : public IFtpUploader {
 public:
  bool Login() override { return false; }
  bool SetCurrentDirectory(const std::string&) override { return false; }
  bool UploadFile(const std::string&, const std::string&) override { return false; }
  bool RemoveFile(const std::string&) override { return false; }
  void Disconnect() override {}
};

const char* MissingSetup(const CSetup& setup) {
  if (!setup.IsBridgeWebs()) {
    if (setup.WebsiteUrl.empty()) return "Setup required: Website URL";
    if (setup.WebsiteScoreFileDirectory.empty()) return "Setup required: Website: Score File Directory";
    if (setup.ScoreFileTemplateFilename.empty()) return "Setup required: Website: Score File Template Filename";
    if (setup.IndexTemplateFilename.empty()) return "Setup required: Website: Index Template Filename";
    if (setup.IndexFilename.empty()) return "Setup required: Website: Index Filename";
  }
  if (setup.FtpServer.empty() || setup.FtpUser.empty()) return "Setup required: FTP";
  return nullptr;
}

// Leaves the busy state on every way out of a run.
struct BusyScope {
  CStatusChannel& status;
  explicit BusyScope(CStatusChannel& s) : status(s) { status.SetBusy(true); }
  ~BusyScope() { status.SetBusy(false); }
};

}  // namespace

std::string PostGamesSummary(int confirmed, int succeeded, int indexStatus) {
  std::string summary;
  if (succeeded == confirmed)
    summary = fmt::sprintf("Post Games succeeded: %d score file%s", confirmed, confirmed > 1 ? "s" : "");
  else if (succeeded > 0)
    summary = fmt::sprintf("Post Games: %d out of %d score files succeeded (%d failed)", succeeded, confirmed,
                           confirmed - succeeded);
  else
    summary = fmt::sprintf("Post Games: No score files succeeded (%d failed)", confirmed);
  static const char* const texts[] = {"", "not attempted", "failed", "succeeded"};
  if (indexStatus > 0 && indexStatus < 4) summary += fmt::sprintf(". Indexing %s.", texts[indexStatus]);
  return summary;
}

int RecordPostedScoreFiles(CPostContext& ctx) {
  for (CScoreFile* record : ctx.State.PostedScoreFiles) {
    if (!record) continue;
    CScoreFile* found = ctx.History.Lookup(*record);
    if (found && found->IsAddedByHand()) ctx.History.Remove(*found);
    ctx.History.AddOrReplace(*record);
  }
  if (ctx.Hooks.SaveData) ctx.Hooks.SaveData();
  return 1;
}

void ReportPostGamesResult(Services& svc, OperationResult result) {
  if (svc.Status.GetOperationState(false) == OperationState::Canceling) return;
  if (result == OperationResult::ResultFailed) svc.Status.SendStatus("Upload was unsuccessful");
  if (result == OperationResult::ResultCanceled) svc.Status.SendStatus(CStatusChannel::CanceledText);
}

OperationResult PostGames(CPostContext& ctx, PostMode mode) {
  Services& svc = ctx.Svc;
  CSetup& setup = ctx.Setup;
  if (const char* missing = MissingSetup(setup)) {
    svc.Status.SendStatus(missing);
    return OperationResult::ResultNone;
  }
  const bool website = !setup.IsBridgeWebs();

  BusyScope busy(svc.Status);
  ctx.State.Confirmed = ctx.State.Succeeded = ctx.State.IndexStatus = 0;
  svc.Status.SendStatus("Selecting score files to post");
  CSFPtrArray list;
  // Declared after the list: destroyed before it, so no pointer into the list outlives it.
  std::unique_ptr<IFtpUploader> worker;
  struct ClearPosted {
    CPostingState& state;
    ~ClearPosted() { state.PostedScoreFiles.clear(); }
  } clearPosted{ctx.State};

  OperationResult found = OperationResult::ResultFailed;
  if (mode == PostMode::PostOpen) {
    if (ctx.Hooks.OpenScoreFilesForPosting) found = ctx.Hooks.OpenScoreFilesForPosting(list);
  } else if (ctx.Hooks.FindNewScoreFiles) {
    found = ctx.Hooks.FindNewScoreFiles(list, mode);
  }
  if (found != OperationResult::ResultSucceeded) return found;
  if (list.empty()) {
    if (ctx.Hooks.Beep) ctx.Hooks.Beep();
    svc.Status.SendStatus("There are no new score files");
    return OperationResult::ResultNone;
  }
  std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
    int64_t ma = a ? a->Modified : 0, mb = b ? b->Modified : 0;
    return ma > mb;
  });

  if (!svc.Status.SendStatus("Confirming score files to post")) return OperationResult::ResultNone;
  if (!ctx.Hooks.ConfirmPosting || !ctx.Hooks.ConfirmPosting(list)) return OperationResult::ResultCanceled;
  int confirmed = int(std::count_if(list.begin(), list.end(), [](const auto& r) { return r && r->IsSelected(); }));
  ctx.State.Confirmed = confirmed;
  if (confirmed == 0) {
    svc.Status.SendStatus("No score files were selected");
    return OperationResult::ResultNone;
  }

  std::unique_ptr<CTemplateFile> templ;
  if (website) {
    std::string url = setup.WebsiteUrl;
    AppendUrlPath(url, setup.WebsiteScoreFileDirectory);
    AppendUrlPath(url, setup.ScoreFileTemplateFilename);
    svc.Status.SendStatus("Downloading score file template");
    CTemplateHooks hooks = ctx.Hooks.Template;
    hooks.AskPostAnyway = ctx.Hooks.AskPostAnyway;
    templ = std::make_unique<CTemplateFile>(CTemplateContext{svc, setup, ctx.History, ctx.State.PostedScoreFiles, hooks});
    if (!templ->Load(url)) return OperationResult::ResultFailed;
  }

  worker = ctx.Hooks.MakeUploader ? ctx.Hooks.MakeUploader() : nullptr;
  if (!worker) worker = std::make_unique<CNoUploader>();
  int succeeded = 0;
  ctx.State.AskBeforePosting = 1;
  for (auto& record : list) {
    ctx.State.PostedScoreFiles.clear();
    if (!record || !record->IsSelected()) continue;
    OperationResult r = PostScoreFile(ctx, *record, *worker, templ.get());
    if (Succeeded(r)) {
      ctx.State.Succeeded = ++succeeded;
      if (website) RegisterIndexEntry(setup.IndexData, ctx.State.PostedScoreFiles, templ->OutputName);
      RecordPostedScoreFiles(ctx);
      svc.Log.Printf("Posting complete (%d of %d)\n", succeeded, confirmed);
    } else if (r == OperationResult::ResultCanceled) {
      return OperationResult::ResultCanceled;
    }
  }
  ctx.State.PostedScoreFiles.clear();

  int indexStatus = 0;
  if (website && !setup.IndexTemplateFilename.empty()) {
    indexStatus = 1;
    if (succeeded > 0) {
      indexStatus = 2;
      if (IIndexOperations* index = ctx.Hooks.Index) {
        bool ok = !setup.RebuildIndexAfterPosting() || index->IndexWebsite();
        if (ok && index->CreateIndexPage()) {
          worker->Disconnect();
          if (index->PublishIndex(*worker, false)) indexStatus = 3;
        }
      }
    }
  }
  ctx.State.IndexStatus = indexStatus;
  std::string summary = PostGamesSummary(confirmed, succeeded, indexStatus);
  svc.Status.SendStatus(summary);
  svc.Log.Printf("%s\n", summary);
  return OperationResult::ResultNone;
}

}  // namespace tx
