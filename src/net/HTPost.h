#pragma once
// The BridgeWebs upload: one URL-encoded form posted on a worker thread while the caller waits
// in WaitForThread, with progress, cancel and the service's reply kept in a file for the
// browser view.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "status/StatusChannel.h"

namespace tx {

struct Services;

// Every byte that is not an ASCII letter or digit as "%XX" (upper-case hex); no "+".
std::string EncodeFormBytes(std::string_view bytes);
// Text values go to Windows-1252 first, then as EncodeFormBytes.
std::string EncodeFormText(std::string_view utf8);

// Builds "name=value&name=value" (no trailing "&").
class CFormBody {
 public:
  void AddText(std::string_view name, std::string_view utf8Value);
  void AddBytes(std::string_view name, std::string_view bytes);
  // The finished body: trailing "&" removed.
  std::string Body() const;

 private:
  std::string body_;
};

// "http://" + host [+ "/" + directory] + "/cgi-bin/upload/exchange.cgi".
std::string BridgeWebsAddress(std::string_view host, std::string_view ftpDirectory);

class CHTPost {
 public:
  static constexpr const char* FormContentType = "Content-Type: application/x-www-form-urlencoded";
  enum class Outcome { Pending, Succeeded, Failed, Canceled };

  explicit CHTPost(Services& services);
  ~CHTPost();  // waits for a running post
  CHTPost(const CHTPost&) = delete;
  CHTPost& operator=(const CHTPost&) = delete;

  // Creates the reply file (replyPath, or a new "TBr*.htm" in the temporary folder when empty)
  // and starts the post. headers are extra request header lines separated by CR LF. Throws
  // CFileException when the reply file cannot be made (after logging it).
  void InitPost(std::string name, std::string address, std::string headers, std::string body,
                std::filesystem::path replyPath = {});
  // WaitForThread on the worker; returns its exit code (0).
  uint32_t Wait();

  Outcome GetOutcome() const { return outcome_; }
  const std::filesystem::path& ReplyPath() const { return replyPath_; }
  std::optional<std::string> ErrorText() const;
  int HttpStatus() const { return httpStatus_; }

  // Time-outs in milliseconds for a request of that size.
  static uint32_t SendTimeoutMs(size_t headerChars, size_t bodyBytes);
  static uint32_t ReceiveTimeoutMs(uint32_t sendTimeoutMs) { return sendTimeoutMs + sendTimeoutMs / 2; }

 private:
  uint32_t Run();

  Services& services_;
  std::filesystem::path replyPath_;
  std::string errorText_;
  std::FILE* reply_ = nullptr;
  std::unique_ptr<CWorkerThread> thread_;
  std::string name_, address_, headers_, body_;
  Outcome outcome_ = Outcome::Pending;
  int httpStatus_ = 0;
};

}  // namespace tx
