#include "app/IndexOperations.h"

#include "app/Staging.h"
#include "net/GetURL.h"
#include "scorefile/Naming.h"
#include "web/CreateIndexPage.h"
#include "web/IndexSiteFtp.h"
#include "web/IndexWebsite.h"
#include "web/PublishIndex.h"

namespace tx {

CIndexHooks MakeIndexHooks(Services& services, AppData& data) {
  CIndexHooks hooks;
  hooks.Fetch = [&services](const std::string& url, std::string& body) {
    return GetURL(services, url, body) == OperationResult::ResultSucceeded ? 1 : 0;
  };
  hooks.GetStagingDirectory = [&services, &data] { return GetStagingDirectory(services, data).string(); };
  hooks.SaveData = [&services, &data] { return SaveData(services, data); };
  hooks.MakeSite = [&services, &data] { return MakeFtpIndexSite(services, data.Setup); };
  hooks.Identify = [&services](CScoreFile& page) { return int(Identify(page, services, true, nullptr)); };
  return hooks;
}

CIndexOperations::CIndexOperations(Services& services, AppData& data, CIndexState& index)
    : ctx_{services, data.Setup, index, MakeIndexHooks(services, data)} {}

bool CIndexOperations::IndexWebsite() { return tx::IndexWebsite(ctx_, MakeIndexPageReader(ctx_.Svc)); }

bool CIndexOperations::CreateIndexPage() { return tx::CreateIndexPage(ctx_) != 0; }

bool CIndexOperations::PublishIndex(IFtpUploader& worker, bool publishAll) {
  return tx::PublishIndex(
             ctx_, [&worker](const std::string& local, const std::string& remote) { return worker.UploadFile(local, remote); },
             publishAll) != 0;
}

}  // namespace tx
