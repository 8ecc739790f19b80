#include "scorefile/Setup.h"

#include <cstdlib>

#include "platform/AsciiText.h"

namespace tx {

std::string BridgeWebsHost() {
  if (const char* host = std::getenv("TABULONIX_BRIDGEWEBS_HOST"); host && *host) return host;
  return "www.bridgewebs.com";
}

bool CSetup::ServerIsBridgeWebs() const {
  return EqualNoCase(FtpServer, BridgeWebsHost());
}

void CSetup::ResetSetup(uint32_t machinePasswordScheme) {
  const int64_t keepPublish = LastPublishTime;
  std::string keepStaging = std::move(StagingDirectoryName);
  *this = CSetup{};
  LastPublishTime = keepPublish;
  StagingDirectoryName = std::move(keepStaging);
  FtpPasswordScheme = machinePasswordScheme;
}

}  // namespace tx
