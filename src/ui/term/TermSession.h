#pragma once
// One run of the terminal front end: the services on the terminal and the application object.
#include <filesystem>
#include <memory>
#include <optional>

#include "log/Logfile.h"
#include "platform/Profile.h"
#include "shell/TabulonixApp.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "ui/term/TermUi.h"

namespace tx::term {

// Exit statuses of the commands.
enum ExitStatus : int { ExitOk = 0, ExitFailed = 1, ExitCanceled = 2, ExitUsage = 64 };

struct SessionOptions {
  std::optional<std::filesystem::path> SetupFile;  // --setup
  TermOptions Term;
};

class CTermSession {
 public:
  explicit CTermSession(const SessionOptions& options);
  ~CTermSession();

  // The start-up steps: upload history, setup document, and for commands that run the
  // converter, the Dealwright check; then the data-protection test and the import offer.
  // False when the program must end.
  bool Start(bool needDealwright);

  CTabulonixApp& App() { return *app_; }
  Services& Svc() { return svc_; }
  CTermUi& Ui() { return ui_; }
  CLogfile& Log() { return *log_; }
  // 2 once Ctrl-C was pressed, else status.
  static int Finish(int status);

 private:
  SessionOptions options_;
  CProfile profile_;
  std::unique_ptr<CLogfile> log_;
  CTermSink sink_;
  CStatusChannel status_;
  CTermUi ui_;
  Services svc_;
  std::unique_ptr<CTabulonixApp> app_;
};

}  // namespace tx::term
