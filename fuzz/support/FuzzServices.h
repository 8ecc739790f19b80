#pragma once
// Services for the fuzz targets: a logfile that writes nowhere, a ui that answers every
// question with its default button, a settings file that is never written.
#include "log/Logfile.h"
#include "platform/Profile.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"

namespace tx::fuzz {

struct FuzzServices {
  CProfile Profile{std::filesystem::path("/nonexistent/tabulonix-fuzz.ini")};
  CLogfile Log{std::filesystem::path()};
  CStatusChannel Status;
  CRecordingUi Ui;
  Services Svc{Log, Status, Ui, Profile};
};

}  // namespace tx::fuzz
