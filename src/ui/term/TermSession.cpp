#include "ui/term/TermSession.h"

#include <system_error>

#include "app/SetupDocument.h"

namespace tx::term {

CTermSession::CTermSession(const SessionOptions& options)
    : options_(options),
      log_(CLogfile::CreateDefault(&profile_)),
      status_(&sink_),
      ui_(options.Term),
      svc_{*log_, status_, ui_, profile_} {
  status_.SetUiThread();
  ConnectLastStatus(*log_, status_);
  app_ = std::make_unique<CTabulonixApp>(svc_);
  sink_.SetCancelHandler([this] { app_->OnCancel(); });
}

CTermSession::~CTermSession() {
  if (app_) app_->ExitInstance();
  app_.reset();
}

bool CTermSession::Start(bool needDealwright) {
  std::optional<std::filesystem::path> file = options_.SetupFile;
  if (!file) {
    // Without --setup the scorer's last setup document is the one meant.
    std::vector<std::string> recent = app_->Document().RecentFiles();
    std::error_code ec;
    if (!recent.empty() && std::filesystem::is_regular_file(recent.front(), ec)) file = recent.front();
  }
  if (!app_->InitData(file)) return false;
  if (needDealwright && !app_->CheckDealwright()) return false;
  app_->TestDataProtection();
  app_->OfferImport();
  return true;
}

int CTermSession::Finish(int status) { return CTermSink::Interrupted() ? ExitCanceled : status; }

}  // namespace tx::term
