#pragma once
// The services every operation is given, instead of reaching for globals: the logfile, the
// status channel, the front end and the settings store. The composition root owns them.
namespace tx {

class CLogfile;
class CStatusChannel;
class CProfile;
class IUi;

struct Services {
  CLogfile& Log;
  CStatusChannel& Status;
  IUi& Ui;
  CProfile& Profile;
};

// Lets the logfile's last status entries read the channel's last status text. The channel
// must outlive the logfile's use of it.
void ConnectLastStatus(CLogfile& log, const CStatusChannel& status);

}  // namespace tx
