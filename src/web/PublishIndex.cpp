#include "web/PublishIndex.h"

#include <filesystem>
#include <fmt/printf.h>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "web/CreateIndexPage.h"

namespace fs = std::filesystem;

namespace tx {

namespace {

struct BusyScope {
  CStatusChannel& Status;
  explicit BusyScope(CStatusChannel& s) : Status(s) { Status.SetBusy(true); }
  ~BusyScope() { Status.SetBusy(false); }
};

void Navigate(CIndexContext& ctx, const std::string& url) {
  if (ctx.Hooks.Navigate) ctx.Hooks.Navigate(url);
}

std::string StagingDirectory(CIndexContext& ctx) {
  if (!ctx.Hooks.GetStagingDirectory) throw QuietAbort{};
  return ctx.Hooks.GetStagingDirectory();
}

}  // namespace

int PublishIndex(CIndexContext& ctx, const IndexUploadFn& upload, bool allPages) {
  Services& svc = ctx.Svc;
  CSetup& setup = ctx.Setup;
  CIndexState& index = ctx.Index;
  if (setup.IndexFilename.empty()) {
    svc.Status.SendStatus("Setup required: Website: Index Filename");
    return 0;
  }
  int result = 0;
  if (index.IndexCreated && !index.IndexPages.empty()) {
    fs::path staging = fs::path(StagingDirectory(ctx));
    Navigate(ctx, (staging / fs::path(index.IndexPages.front().FileName)).string());
    bool failed = false;
    for (const CIndexPage& page : index.IndexPages) {
      if (!allPages && page.Year != 0 && !index.IsMonthChanged(page.Year, page.Month)) continue;
      result = upload && upload((staging / fs::path(page.FileName)).string(), page.FileName) ? 1 : 0;
      if (!result) {
        failed = true;
        break;
      }
    }
    if (!failed) {
      Navigate(ctx, JoinSiteUrl(setup.WebsiteUrl, index.IndexPages.front().FileName));
      index.ChangedMonths.clear();
      setup.LastPublishTime = ctx.CurrentTime();
      if (ctx.Hooks.SaveData) ctx.Hooks.SaveData();
    }
  }
  std::string text = fmt::sprintf("Publish Index %s", result ? "complete" : "failed");
  svc.Status.SendStatus(text);
  svc.Log.Printf("%s\n", text);
  return result;
}

bool CreateIndexCommand(CIndexContext& ctx) {
  bool ok = CreateIndexPage(ctx) != 0;
  if (ok) Navigate(ctx, (fs::path(StagingDirectory(ctx)) / fs::path(ctx.Index.IndexPages.front().FileName)).string());
  ctx.Svc.Status.SendStatus(fmt::sprintf("Create Index %s", ok ? "complete" : "failed"));
  return ok;
}

bool PublishIndexCommand(CIndexContext& ctx, const IndexUploadFn& upload) {
  BusyScope busy(ctx.Svc.Status);
  return PublishIndex(ctx, upload, true) != 0;
}

}  // namespace tx
