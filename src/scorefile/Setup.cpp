#include "scorefile/Setup.h"

#include <cstdlib>

namespace tx {

std::string BridgeWebsHost() {
  if (const char* host = std::getenv("TABULONIX_BRIDGEWEBS_HOST"); host && *host) return host;
  return "www.bridgewebs.com";
}

bool CSetup::ServerIsBridgeWebs() const {
  const std::string host = BridgeWebsHost();
  if (FtpServer.size() != host.size()) return false;
  for (size_t i = 0; i < host.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(FtpServer[i]) != lower(host[i])) return false;
  }
  return true;
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
