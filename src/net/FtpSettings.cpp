#include "net/FtpSettings.h"

#include <cctype>

namespace tx {

FtpEndpoint ParseFtpServer(const std::string& server) {
  FtpEndpoint ep;
  std::string s = server;
  while (!s.empty() && std::isspace((unsigned char)s.front())) s.erase(0, 1);
  while (!s.empty() && std::isspace((unsigned char)s.back())) s.pop_back();
  auto lower = [](std::string t) {
    for (char& c : t) c = char(std::tolower((unsigned char)c));
    return t;
  };
  if (lower(s.substr(0, 7)) == "ftps://") {
    ep.Secure = true;
    s.erase(0, 7);
  } else if (lower(s.substr(0, 6)) == "ftp://") {
    s.erase(0, 6);
  }
  while (!s.empty() && s.back() == '/') s.pop_back();
  std::string port;
  if (!s.empty() && s.front() == '[') {
    size_t close = s.find(']');
    if (close == std::string::npos) return ep;
    ep.Host = s.substr(0, close + 1);
    if (close + 1 < s.size()) {
      if (s[close + 1] != ':') return ep;
      port = s.substr(close + 2);
    }
  } else {
    size_t colon = s.find(':');
    ep.Host = s.substr(0, colon);
    if (colon != std::string::npos) port = s.substr(colon + 1);
  }
  if (ep.Host.empty() || ep.Host.find_first_of(" /\\@?#") != std::string::npos) return ep;
  if (!port.empty()) {
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return ep;
    ep.Port = std::stoi(port);
    if (ep.Port < 1 || ep.Port > 65535) return ep;
  }
  ep.Valid = true;
  return ep;
}

}  // namespace tx

#include "scorefile/Setup.h"

namespace tx {
FtpSettings FtpSettingsFromSetup(const CSetup& setup) {
  FtpSettings s;
  s.FtpServer = setup.FtpServer;
  s.FtpUser = setup.FtpUser;
  s.FtpDirectory = setup.FtpDirectory;
  s.PassiveFtp = setup.PassiveFtp();
  s.FtpPasswordScheme = setup.FtpPasswordScheme;
  s.FtpPassword = setup.FtpPassword;
  return s;
}
}  // namespace tx
