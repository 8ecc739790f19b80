#pragma once
// What every libcurl user here shares: one-time library set-up, the trace that feeds the
// network pane and keeps the FTP command/reply transcript, and the mapping of libcurl results
// into the program's error codes.
#include <cstdint>
#include <curl/curl.h>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"

namespace tx {

class CTBSession;

// curl_global_init, once per process.
void EnsureCurlReady();

// One FTP command and the server's complete reply to it.
struct FtpExchange {
  std::string Command;  // as sent, without CR LF; the password is masked
  int Code = 0;         // reply code, 0 while unanswered
  std::string Reply;    // full reply text, lines joined with "\n"
};

// Installed on an easy handle: reports connection progress to the session's status texts and
// records the FTP dialogue. Must outlive every transfer of the handle it is installed on.
class CCurlTrace {
 public:
  explicit CCurlTrace(CTBSession* session = nullptr) : session_(session) {}
  void Install(CURL* handle);
  void SetSession(CTBSession* session) { session_ = session; }

  void ClearExchanges() { exchanges_.clear(); }
  const std::vector<FtpExchange>& Exchanges() const { return exchanges_; }
  // The last complete reply of the server; empty when none came.
  const std::string& LastReply() const { return lastReply_; }
  // The reply to the last command that starts with verb (e.g. "DELE"), or null.
  // Only entries from index from on are looked at.
  const FtpExchange* LastExchange(std::string_view verb, size_t from = 0) const;

 private:
  static int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
  static int OnResolverStart(void*, void*, void* self);
  void OnText(std::string_view text);
  void OnReplyBytes(std::string_view bytes);
  void OnCommandBytes(std::string_view bytes);
  void Status(int code);

  CTBSession* session_;
  std::vector<FtpExchange> exchanges_;
  std::string lastReply_;
  std::string pendingReply_;  // lines of a reply not yet complete
  std::string partialLine_;
};

// The program's error code for a libcurl result. FTP refusals become 12003, whose text is the
// server's reply; results without a counterpart also become 12003 carrying libcurl's message.
uint32_t InternetErrorFromCurl(CURLcode rc);
// The exception for a failed libcurl call: code as above and the reply (or libcurl's message
// from errorBuffer, or its text for rc) for 12003.
CInternetException InternetExceptionFromCurl(CURLcode rc, const std::string& serverReply,
                                             const char* errorBuffer);
// libcurl's message for a failure: the error buffer when it holds something, else its text.
std::string CurlMessage(CURLcode rc, const char* errorBuffer);

}  // namespace tx
