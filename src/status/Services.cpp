#include "status/Services.h"

#include "log/Logfile.h"
#include "status/StatusChannel.h"

namespace tx {

void ConnectLastStatus(CLogfile& log, const CStatusChannel& status) {
  log.SetLastStatusSource([&status] { return status.LastStatusText(); });
}

}  // namespace tx
