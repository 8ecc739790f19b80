#include "net/CurlSupport.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "net/TBSession.h"

namespace tx {

void EnsureCurlReady() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void CCurlTrace::Install(CURL* handle) {
  curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &CCurlTrace::OnDebug);
  curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(handle, CURLOPT_RESOLVER_START_FUNCTION, &CCurlTrace::OnResolverStart);
  curl_easy_setopt(handle, CURLOPT_RESOLVER_START_DATA, this);
}

const FtpExchange* CCurlTrace::LastExchange(std::string_view verb, size_t from) const {
  auto sameVerb = [&](std::string_view c) {
    if (c.size() < verb.size() || (c.size() > verb.size() && c[verb.size()] != ' ')) return false;
    for (size_t i = 0; i < verb.size(); ++i)
      if (std::toupper((unsigned char)c[i]) != std::toupper((unsigned char)verb[i])) return false;
    return true;
  };
  for (size_t i = exchanges_.size(); i > from; --i)
    if (sameVerb(exchanges_[i - 1].Command)) return &exchanges_[i - 1];
  return nullptr;
}

int CCurlTrace::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
  auto* t = static_cast<CCurlTrace*>(self);
  std::string_view bytes(data, size);
  switch (type) {
    case CURLINFO_TEXT: t->OnText(bytes); break;
    case CURLINFO_HEADER_IN: t->OnReplyBytes(bytes); break;
    case CURLINFO_HEADER_OUT: t->OnCommandBytes(bytes); break;
    default: break;
  }
  return 0;
}

int CCurlTrace::OnResolverStart(void*, void*, void* self) {
  static_cast<CCurlTrace*>(self)->Status(ResolvingName);
  return 0;
}

void CCurlTrace::Status(int code) {
  if (session_) session_->StatusCallback(code);
}

void CCurlTrace::OnText(std::string_view text) {
  auto starts = [&](std::string_view p) { return text.substr(0, p.size()) == p; };
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (starts("Trying ")) {
    Status(NameResolved);
    Status(ConnectingToServer);
  } else if (starts("Connected to ")) {
    Status(ConnectedToServer);
  } else if (starts("Closing connection")) {
    Status(ClosingConnection);
    Status(ConnectionClosed);
  }
}

void CCurlTrace::OnCommandBytes(std::string_view bytes) {
  Status(SendingRequest);
  // FTP commands arrive one per call; HTTP request headers arrive as one block.
  std::string_view line = bytes.substr(0, bytes.find_first_of("\r\n"));
  FtpExchange x;
  if (line.substr(0, 5) == "PASS " || line.substr(0, 5) == "pass ")
    x.Command = "PASS ****";
  else
    x.Command = std::string(line);
  exchanges_.push_back(std::move(x));
  Status(RequestSent);
}

void CCurlTrace::OnReplyBytes(std::string_view bytes) {
  Status(ReceivingResponse);
  partialLine_.append(bytes);
  size_t nl;
  while ((nl = partialLine_.find('\n')) != std::string::npos) {
    std::string line = partialLine_.substr(0, nl);
    partialLine_.erase(0, nl + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!pendingReply_.empty()) pendingReply_ += '\n';
    pendingReply_ += line;
    // An FTP reply ends with a line of three digits and a space (or the digits alone).
    bool last = line.size() >= 3 && isdigit((unsigned char)line[0]) && isdigit((unsigned char)line[1]) &&
                isdigit((unsigned char)line[2]) && (line.size() == 3 || line[3] == ' ');
    bool http = line.substr(0, 5) == "HTTP/" || line.empty();
    if (last || http) {
      lastReply_ = pendingReply_;
      if (last) {
        int code = std::atoi(line.substr(0, 3).c_str());
        for (auto it = exchanges_.rbegin(); it != exchanges_.rend(); ++it) {
          if (it->Code == 0) {
            it->Code = code;
            it->Reply = pendingReply_;
            break;
          }
        }
      }
      pendingReply_.clear();
      Status(ResponseReceived);
    }
  }
}

uint32_t InternetErrorFromCurl(CURLcode rc) {
  switch (rc) {
    case CURLE_OK: return 0;
    case CURLE_UNSUPPORTED_PROTOCOL: return err::InternetUnrecognizedScheme;
    case CURLE_URL_MALFORMAT: return err::InternetInvalidUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return err::InternetNameNotResolved;
    case CURLE_COULDNT_CONNECT: return err::InternetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return err::InternetTimeout;
    case CURLE_ABORTED_BY_CALLBACK: return err::InternetOperationCancelled;
    case CURLE_OUT_OF_MEMORY: return err::NotEnoughMemory;
    case CURLE_READ_ERROR: return err::ReadFault;
    case CURLE_WRITE_ERROR: return err::WriteFault;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return err::InternetConnectionAborted;
    case CURLE_PEER_FAILED_VERIFICATION: return err::InternetSecureInvalidCa;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED: return err::InternetSecureFailure;
    default: return err::InternetExtendedError;
  }
}

std::string CurlMessage(CURLcode rc, const char* errorBuffer) {
  if (errorBuffer && *errorBuffer) return errorBuffer;
  return curl_easy_strerror(rc);
}

CInternetException InternetExceptionFromCurl(CURLcode rc, const std::string& serverReply,
                                             const char* errorBuffer) {
  uint32_t code = InternetErrorFromCurl(rc);
  if (code != err::InternetExtendedError) return CInternetException(code);
  // Refusals by the server read best as the server's own words.
  switch (rc) {
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_QUOTE_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_FTP_PRET_FAILED:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
      if (!serverReply.empty()) return CInternetException(code, serverReply);
      break;
    default: break;
  }
  return CInternetException(code, CurlMessage(rc, errorBuffer));
}

}  // namespace tx
