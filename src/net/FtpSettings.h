#pragma once
// The FTP account a worker logs in to, taken from the setup.
#include <cstdint>
#include <string>
#include <vector>

namespace tx {

struct FtpSettings {
  // "host", "host:port", "[v6addr]:port"; "ftps://host[:port]" asks for TLS on control and data.
  std::string FtpServer;
  std::string FtpUser;
  std::string FtpDirectory;  // changed to after login; may be empty
  bool PassiveFtp = true;
  uint32_t FtpPasswordScheme = 1;
  std::vector<uint8_t> FtpPassword;  // the protected block
};

// FtpServer taken apart.
struct FtpEndpoint {
  std::string Host;  // IPv6 addresses keep their brackets
  int Port = 21;
  bool Secure = false;
  bool Valid = false;
};
FtpEndpoint ParseFtpServer(const std::string& server);

}  // namespace tx

namespace tx {
struct CSetup;
// The FTP account of a setup (the password stays in its protected form).
FtpSettings FtpSettingsFromSetup(const CSetup& setup);
}  // namespace tx
