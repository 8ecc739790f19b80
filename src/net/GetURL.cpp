#include "net/GetURL.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "log/Logfile.h"
#include "net/CurlSupport.h"
#include "net/TBSession.h"
#include "platform/Errors.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"

namespace tx {

namespace {

// Shared by the caller and the worker; whichever lets go last frees it.
struct FetchRecord {
  std::mutex lock;  // guards abandoned, buffer, hasBuffer, errorText, finished
  std::condition_variable done;
  std::string url;
  std::string buffer;
  bool hasBuffer = false;
  bool abandoned = false;
  bool finished = false;
  std::atomic<bool> abandonedFlag{false};  // read by the transfer callbacks without the lock
  std::atomic<int> status{0};
  std::atomic<uint64_t> length{0};
  std::atomic<uint64_t> received{0};
  std::string errorText;
  std::string reason;  // the HTTP status line's text
};

const char* StandardReason(int code) {
  switch (code) {
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 410: return "Gone";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "";
  }
}

struct Transfer {
  FetchRecord* Record;
  std::string Body;
  bool IsHttp = false;
};

size_t OnHeader(char* data, size_t size, size_t n, void* p) {
  auto* t = static_cast<Transfer*>(p);
  std::string_view line(data, size * n);
  if (line.substr(0, 5) == "HTTP/") {
    t->IsHttp = true;
    // "HTTP/1.1 404 Not Found": the text after the code (a redirect brings another line).
    size_t sp = line.find(' ');
    size_t sp2 = sp == std::string_view::npos ? sp : line.find(' ', sp + 1);
    std::string reason = sp2 == std::string_view::npos ? "" : std::string(line.substr(sp2 + 1));
    while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n')) reason.pop_back();
    t->Record->reason = reason;
  }
  return size * n;
}

size_t OnBody(char* data, size_t size, size_t n, void* p) {
  auto* t = static_cast<Transfer*>(p);
  if (t->Record->abandonedFlag) return 0;
  t->Body.append(data, size * n);
  t->Record->received = t->Body.size();
  return size * n;
}

int OnProgress(void* p, curl_off_t dltotal, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(p);
  if (dltotal > 0) t->Record->length = uint64_t(dltotal);
  return t->Record->abandonedFlag ? 1 : 0;
}

void FetchWorker(std::shared_ptr<FetchRecord> record, CStatusChannel* status) {
  CTBSession session(status);
  session.SetGate(&record->lock, &record->abandoned);
  Transfer t{record.get(), {}, false};
  CCurlTrace trace(&session);
  char errorBuffer[CURL_ERROR_SIZE] = {};
  bool ok = false;
  std::string error;
  CURL* h = session.CreateHandle();
  if (h) {
    trace.Install(h);
    curl_easy_setopt(h, CURLOPT_URL, record->url.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps,file");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 1L);  // ASCII for ftp URLs
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    // Always from the server, never from a cache on the way.
    struct curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    CURLcode rc = curl_easy_perform(h);
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    char* scheme = nullptr;
    curl_easy_getinfo(h, CURLINFO_SCHEME, &scheme);
    bool http = scheme && (std::string_view(scheme) == "HTTP" || std::string_view(scheme) == "HTTPS" ||
                           std::string_view(scheme) == "http" || std::string_view(scheme) == "https");
    if (http && code) record->status = int(code);
    if (record->abandonedFlag) {
      ok = false;
    } else if (http && code >= 400) {
      std::string reason = record->reason.empty() ? StandardReason(int(code)) : record->reason;
      error = TrimErrorText(fmt::sprintf("%s: HTTP Status=%d: %s", record->url, code, reason), 511);
    } else if (rc != CURLE_OK) {
      error = TrimErrorText(CurlMessage(rc, errorBuffer), 511);
    } else {
      ok = true;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(h);
  }
  std::lock_guard lock(record->lock);
  if (ok && !record->abandoned) {
    record->buffer = std::move(t.Body);
    record->hasBuffer = true;
  }
  record->errorText = std::move(error);
  record->finished = true;
  record->done.notify_all();
}

}  // namespace

OperationResult GetURL(Services& services, std::string_view url, std::string& body) {
  body.clear();
  EnsureCurlReady();
  auto record = std::make_shared<FetchRecord>();
  record->url = std::string(url);
  try {
    std::thread(FetchWorker, record, &services.Status).detach();
  } catch (const std::system_error& e) {
    ReportSystemError(services, ErrorFromErrno(e.code().value()), "CTabulonixApp::GetURL: AfxBeginThread");
    return OperationResult::ResultFailed;
  }

  CStatusChannel& status = services.Status;
  bool abandoned = false, progressShown = false;
  uint64_t shownPos = ~uint64_t(0);
  for (;;) {
    status.PumpMessages();
    if (status.GetOperationState(false) == OperationState::Canceling || status.QuitRequested()) {
      std::lock_guard lock(record->lock);
      if (!record->finished) {
        record->abandoned = true;
        record->abandonedFlag = true;
        abandoned = true;
        break;
      }
    }
    uint64_t length = record->length;
    if (length) {
      uint64_t pos = std::min(record->received.load(), length);
      if (pos != shownPos) {
        // The bar counts in 32 bits: scale very large files down.
        int shift = 0;
        while ((length >> shift) > 0xFFFFFFFFu) ++shift;
        status.SendProgress(uint32_t(length >> shift), uint32_t(pos >> shift));
        progressShown = true;
        shownPos = pos;
      }
    }
    std::unique_lock lock(record->lock);
    if (record->done.wait_for(lock, std::chrono::milliseconds(20), [&] { return record->finished; })) break;
  }
  if (progressShown) status.HideProgress();
  if (abandoned) return OperationResult::ResultCanceled;

  std::string error;
  {
    std::lock_guard lock(record->lock);
    if (record->hasBuffer) {
      body = std::move(record->buffer);
      record->hasBuffer = false;
      return OperationResult::ResultSucceeded;
    }
    error = record->errorText;
  }
  if (error.empty()) error = fmt::sprintf("%s: Get URL failed", record->url);
  services.Log.LogLastStatus();
  services.Log.Write(error + "\n");
  services.Ui.MessageBox(error, MbIcon::Error, MbButtons::Ok, 0);
  return OperationResult::ResultFailed;
}

}  // namespace tx
