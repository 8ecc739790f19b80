#pragma once
// The program's way of writing to the club's website: one FTP connection per login over one
// libcurl handle, so every operation of a login reuses the same control connection. Calls are
// synchronous and made on the user-interface thread.
#include <cstdint>
#include <curl/curl.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/CurlSupport.h"
#include "net/FtpSettings.h"

namespace tx {

struct Services;
class CTBSession;

// One entry of a remote listing.
struct FtpFileInfo {
  std::string Name;
  uint64_t Size = 0;
  int64_t Time = 0;  // seconds since 1970 UTC; 0 when the listing gave none
  bool IsDirectory = false;
};

class CFTPWorker {
 public:
  // Receives each file of the walk with the directory (relative to the walk's start, "/"
  // separated, empty for the start) it lies in; false stops the walk.
  using WalkCallback = std::function<bool(CFTPWorker& worker, const FtpFileInfo& file,
                                          const std::string& directory)>;

  // The settings are copied. The session, when given, is shared and must outlive the worker;
  // otherwise the worker makes its own on the first login.
  CFTPWorker(Services& services, FtpSettings settings, CTBSession* session = nullptr);
  ~CFTPWorker();
  CFTPWorker(const CFTPWorker&) = delete;
  CFTPWorker& operator=(const CFTPWorker&) = delete;

  // 1 connected and in FtpDirectory, 0 failed (reported; no connection left open).
  int Login();
  // 1 or 0; remote separators may be "\" or "/", relative paths start at the current directory.
  int SetCurrentDirectory(std::string_view directory);
  // Makes the missing directory levels, replaces the remote file, puts the local file (binary).
  int UploadFile(const std::string& localPath, std::string_view remotePath);
  // 1 or 0; writes "Remove=[%s] status=[0x%08X]" to the logfile.
  int RemoveFile(std::string_view remotePath);
  void Disconnect();
  // Breadth-first walk below the current directory; 1 walked to the end, 0 stopped by the
  // callback or a listing failed (reported).
  int WalkTree(const WalkCallback& callback);
  // Reads a remote file into bytes (ASCII: line ends as the server's text mode gives them).
  // Throws CInternetException on failure.
  void DownloadFile(std::string_view remotePath, bool ascii, std::string& bytes);

  bool IsConnected() const { return handle_ != nullptr; }
  const FtpSettings& Settings() const { return settings_; }
  // The remote current directory, as an absolute server path.
  std::string CurrentDirectory() const;
  // The FTP dialogue of the current login (for tests and diagnostics).
  const std::vector<FtpExchange>& Transcript() const { return trace_.Exchanges(); }

  // What the worker needs from its services; replaced in tests.
  Services& GetServices() { return services_; }

 private:
  struct Path {
    bool Absolute = false;  // from the server's root, else from the login directory
    std::vector<std::string> Parts;
  };

  // Per-operation options back to neutral; keeps the login's connection options.
  void ResetOperation();
  CURLcode Perform();
  Path Resolve(std::string_view remote) const;
  std::string DirUrl(const Path& dir) const;
  std::string FileUrl(const Path& file) const;
  std::string ServerPath(const Path& path) const;
  CInternetException LastError(CURLcode rc) const;
  void CloseHandle();
  bool ConfigureTls();
  CURLcode RetryWithTrust();
  // Index of the next transcript entry, to look at one operation's commands afterwards.
  size_t Mark() const { return trace_.Exchanges().size(); }
  int VerifyDirectory(const Path& dir);
  bool DeleteQuietly(const Path& file);
  void Status(const std::string& text);

  Services& services_;
  FtpSettings settings_;
  FtpEndpoint endpoint_;
  CTBSession* session_;
  std::unique_ptr<CTBSession> ownSession_;
  CURL* handle_ = nullptr;
  CCurlTrace trace_;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
  std::string entryPath_ = "/";
  Path cwd_;
  std::string pinnedFingerprint_;  // FTPS: the certificate the user trusted for this host
  std::vector<std::string> quote_, prequote_;
  struct curl_slist* quoteList_ = nullptr;
  struct curl_slist* prequoteList_ = nullptr;
};

}  // namespace tx
