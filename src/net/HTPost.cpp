#include "net/HTPost.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <curl/curl.h>

#include "log/Logfile.h"
#include "net/CurlSupport.h"
#include "platform/Encoding.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "status/Services.h"

namespace tx {

namespace {
using Clock = std::chrono::steady_clock;

struct PostState {
  CStatusChannel& Status;
  const std::string& Body;
  size_t Sent = 0;
  bool Canceled = false;
  bool TimedOut = false;
  bool ReplyStarted = false;
  bool ReplyProgressShown = false;
  uint64_t Expected = 0;
  std::string Reply{};
  Clock::time_point Start = Clock::now();
  Clock::time_point UploadDone{};
  uint32_t SendMs = 0, ReceiveMs = 0;
  CURL* Handle = nullptr;
};

size_t ReadBody(char* buffer, size_t size, size_t n, void* p) {
  auto* s = static_cast<PostState*>(p);
  size_t piece = std::min({size * n, size_t(1024), s->Body.size() - s->Sent});
  if (piece == 0) {
    if (s->UploadDone == Clock::time_point{}) s->UploadDone = Clock::now();
    return 0;
  }
  std::memcpy(buffer, s->Body.data() + s->Sent, piece);
  s->Sent += piece;
  if (!s->Status.SendProgress(uint32_t(std::min<size_t>(s->Body.size(), 0xFFFFFFFFu)),
                              uint32_t(std::min<size_t>(s->Sent, 0xFFFFFFFFu)))) {
    s->Canceled = true;
    return CURL_READFUNC_ABORT;
  }
  return piece;
}

size_t OnHeader(char*, size_t size, size_t n, void* p) {
  auto* s = static_cast<PostState*>(p);
  if (!s->ReplyStarted) {
    s->ReplyStarted = true;
    if (s->UploadDone == Clock::time_point{}) s->UploadDone = Clock::now();
    if (!s->Status.IsNotCanceled(true) || !s->Status.SendStatus("Receiving reply")) {
      s->Canceled = true;
      return 0;
    }
  }
  return size * n;
}

size_t OnReply(char* data, size_t size, size_t n, void* p) {
  auto* s = static_cast<PostState*>(p);
  if (!s->ReplyProgressShown) {
    s->ReplyProgressShown = true;
    curl_off_t length = -1;
    curl_easy_getinfo(s->Handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    s->Expected = length >= 0 ? uint64_t(length) : s->Body.size() + s->Body.size() / 2;
    if (!s->Status.SendProgress(uint32_t(std::min<uint64_t>(s->Expected, 0xFFFFFFFFu)), 0)) {
      s->Canceled = true;
      return 0;
    }
  }
  s->Reply.append(data, size * n);
  if (!s->Status.SendProgress(uint32_t(std::min<uint64_t>(s->Expected, 0xFFFFFFFFu)),
                              uint32_t(std::min<uint64_t>(s->Reply.size(), 0xFFFFFFFFu)))) {
    s->Canceled = true;
    return 0;
  }
  return size * n;
}

// The send time-out bounds the upload of the request, the receive time-out the reply after it.
int OnTick(void* p, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* s = static_cast<PostState*>(p);
  auto now = Clock::now();
  auto ms = [&](Clock::time_point from) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - from).count();
  };
  bool late = s->UploadDone == Clock::time_point{} ? ms(s->Start) > s->SendMs : ms(s->UploadDone) > s->ReceiveMs;
  if (late) {
    s->TimedOut = true;
    return 1;
  }
  return 0;
}
}  // namespace

CHTPost::CHTPost(Services& services) : services_(services) {}

CHTPost::~CHTPost() {
  if (thread_) Wait();
  if (reply_) std::fclose(reply_);
}

uint32_t CHTPost::SendTimeoutMs(size_t headerChars, size_t bodyBytes) {
  uint64_t ms = uint64_t(headerChars) + bodyBytes;
  return uint32_t(std::clamp<uint64_t>(ms, 30000, 0xFFFFFFFFu / 2));
}

std::optional<std::string> CHTPost::ErrorText() const {
  if (errorText_.empty()) return std::nullopt;
  return errorText_;
}

void CHTPost::InitPost(std::string name, std::string address, std::string headers, std::string body,
                       std::filesystem::path replyPath) {
  name_ = std::move(name);
  address_ = std::move(address);
  headers_ = std::move(headers);
  body_ = std::move(body);
  uint32_t rc = 0;
  if (replyPath.empty()) {
    rc = CreateUniqueFile(GetTempFolder(), "TBr", ".htm", replyPath);
  }
  replyPath_ = replyPath;
  if (rc == 0) {
    reply_ = std::fopen(replyPath_.c_str(), "w+b");
    if (!reply_) rc = ErrorFromErrno(errno);
  }
  if (rc) {
    services_.Log.Printf("InitPost: Could not open reply file %s\n", replyPath_.string());
    throw CFileException(rc, replyPath_.string());
  }
  outcome_ = Outcome::Pending;
  thread_ = std::make_unique<CWorkerThread>();
  try {
    thread_->Start([this] { return Run(); });
  } catch (const std::exception&) {
    thread_.reset();
    std::fclose(reply_);
    reply_ = nullptr;
    throw std::bad_alloc();
  }
}

uint32_t CHTPost::Wait() {
  if (!thread_) return 0;
  uint32_t code = services_.Status.WaitForThread(*thread_);
  thread_.reset();
  return code;
}

uint32_t CHTPost::Run() {
  CStatusChannel& status = services_.Status;
  PostState state{.Status = status, .Body = body_};
  CURL* h = nullptr;
  struct curl_slist* headerList = nullptr;
  auto finish = [&](Outcome outcome) {
    status.HideProgress();
    curl_slist_free_all(headerList);
    if (h) curl_easy_cleanup(h);
    if (reply_) {
      std::fclose(reply_);
      reply_ = nullptr;
    }
    outcome_ = outcome;
    return 0u;
  };

  EnsureCurlReady();
  std::string host, port;
  CURLU* u = curl_url();
  char* part = nullptr;
  if (curl_url_set(u, CURLUPART_URL, address_.c_str(), 0) == CURLUE_OK &&
      curl_url_get(u, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
    host = part;
    curl_free(part);
    if (curl_url_get(u, CURLUPART_PORT, &part, 0) == CURLUE_OK) {
      port = part;
      curl_free(part);
    }
  }
  curl_url_cleanup(u);
  if (host.empty()) {
    errorText_ = GetErrorText(err::InternetInvalidUrl);
    return finish(Outcome::Failed);
  }
  if (!status.StatusPrintf("Connecting to %s", host)) return finish(Outcome::Canceled);
  h = curl_easy_init();
  if (!h) {
    errorText_ = GetErrorText(err::InternetOutOfHandles);
    return finish(Outcome::Failed);
  }
  if (!status.IsNotCanceled(true)) return finish(Outcome::Canceled);

  state.Handle = h;
  state.SendMs = SendTimeoutMs(Utf16Length(headers_), body_.size());
  state.ReceiveMs = ReceiveTimeoutMs(state.SendMs);
  char errorBuffer[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(h, CURLOPT_URL, address_.c_str());
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_POST, 1L);
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body_.size()));
  curl_easy_setopt(h, CURLOPT_READFUNCTION, &ReadBody);
  curl_easy_setopt(h, CURLOPT_READDATA, &state);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &state);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnReply);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnTick);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, long(state.SendMs));
  bool hasType = false;
  size_t start = 0;
  while (start < headers_.size()) {
    size_t end = headers_.find_first_of("\r\n", start);
    std::string line = headers_.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty()) {
      std::string lower = line;
      for (char& c : lower) c = char(std::tolower((unsigned char)c));
      if (lower.rfind("content-type:", 0) == 0) hasType = true;
      headerList = curl_slist_append(headerList, line.c_str());
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (!hasType) headerList = curl_slist_append(headerList, FormContentType);
  // The service would otherwise be asked to confirm large bodies first.
  headerList = curl_slist_append(headerList, "Expect:");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList);

  status.StatusPrintf("Uploading %s", name_);
  if (!status.SendProgress(uint32_t(std::min<size_t>(body_.size(), 0xFFFFFFFFu)), 0))
    return finish(Outcome::Canceled);

  CURLcode rc = curl_easy_perform(h);
  if (state.Canceled) return finish(Outcome::Canceled);
  if (state.TimedOut) {
    errorText_ = TrimErrorText(GetErrorText(err::InternetTimeout), 1023);
    return finish(Outcome::Failed);
  }
  if (rc != CURLE_OK) {
    errorText_ = TrimErrorText(CurlMessage(rc, errorBuffer), 1023);
    return finish(Outcome::Failed);
  }
  if (!state.ReplyStarted && !status.IsNotCanceled(true)) return finish(Outcome::Canceled);

  std::string reply = std::move(state.Reply);
  size_t head = reply.find("<head>");
  if (head != std::string::npos) {
    std::string hostPart = host;
    if (!port.empty()) hostPart += ":" + port;
    reply.insert(head + 6, fmt::sprintf("<base href=\"http://%s/\">", hostPart));
  }
  bool written = std::fwrite(reply.data(), 1, reply.size(), reply_) == reply.size();
  written = std::fclose(reply_) == 0 && written;
  reply_ = nullptr;
  long code = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
  httpStatus_ = int(code);
  if (!written) {
    errorText_ = GetErrorText(err::WriteFault);
    return finish(Outcome::Failed);
  }
  if (code < 200 || code >= 300) {
    errorText_ = fmt::sprintf("HTTP Error %d", code);
    return finish(Outcome::Failed);
  }
  return finish(Outcome::Succeeded);
}

}  // namespace tx
