#include "net/FTPWorker.h"

#include "log/Logfile.h"
#include "net/TBSession.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "store/Password.h"

namespace tx {

namespace {
size_t DiscardBody(char*, size_t size, size_t n, void*) { return size * n; }

std::string Escape(CURL* h, const std::string& part) {
  char* e = curl_easy_escape(h, part.c_str(), int(part.size()));
  std::string out = e ? e : "";
  curl_free(e);
  return out;
}
}  // namespace

CFTPWorker::CFTPWorker(Services& services, FtpSettings settings, CTBSession* session)
    : services_(services), settings_(std::move(settings)), session_(session) {
  endpoint_ = ParseFtpServer(settings_.FtpServer);
}

CFTPWorker::~CFTPWorker() { CloseHandle(); }

void CFTPWorker::Status(const std::string& text) { services_.Status.SendStatus(text); }

void CFTPWorker::CloseHandle() {
  if (handle_) curl_easy_cleanup(handle_);  // sends QUIT on a live connection
  handle_ = nullptr;
  curl_slist_free_all(quoteList_);
  curl_slist_free_all(prequoteList_);
  quoteList_ = prequoteList_ = nullptr;
  cwd_ = {};
  entryPath_ = "/";
}

void CFTPWorker::Disconnect() { CloseHandle(); }

std::string CFTPWorker::CurrentDirectory() const { return ServerPath(cwd_); }

int CFTPWorker::Login() {
  if (handle_) CloseHandle();
  if (settings_.FtpServer.empty() || settings_.FtpUser.empty()) {
    Status("Setup required: FTP");
    return 0;
  }
  if (!session_) {
    Status("Creating Internet session");
    ownSession_ = std::make_unique<CTBSession>(&services_.Status);
    session_ = ownSession_.get();
  }
  std::string password;
  if (!GetFtpPassword(services_, settings_.FtpPasswordScheme, settings_.FtpPassword, password)) {
    WipeString(password);
    return 0;
  }
  services_.Status.StatusPrintf("Opening FTP connection: host=%s user=%s mode=%s", settings_.FtpServer,
                                settings_.FtpUser, settings_.PassiveFtp ? "passive" : "non-passive");
  auto fail = [&](const CInternetException& e) {
    WipeString(password);
    ReportException(services_, e, "CFTPWorker::Login");
    CloseHandle();
    services_.Status.StatusPrintf("FTP: Login was unsuccessful: host=%s user=%s", settings_.FtpServer,
                                  settings_.FtpUser);
    return 0;
  };
  if (!endpoint_.Valid) return fail(CInternetException(err::InternetInvalidUrl));
  handle_ = session_->CreateHandle();
  if (!handle_) return fail(CInternetException(err::InternetOutOfHandles));
  trace_ = CCurlTrace(session_);
  trace_.Install(handle_);
  curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle_, CURLOPT_USERNAME, settings_.FtpUser.c_str());
  // libcurl keeps its own copy for the life of the handle, so the connection can be reused.
  curl_easy_setopt(handle_, CURLOPT_PASSWORD, password.c_str());
  WipeString(password);
  curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, 30L);
  curl_easy_setopt(handle_, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
  // A stalled transfer ends instead of hanging the posting.
  curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, 60L);
  curl_easy_setopt(handle_, CURLOPT_TCP_KEEPALIVE, 1L);
  if (!settings_.PassiveFtp) curl_easy_setopt(handle_, CURLOPT_FTPPORT, "-");
  if (endpoint_.Secure && !ConfigureTls()) return fail(CInternetException(err::InternetSecureFailure));

  ResetOperation();
  curl_easy_setopt(handle_, CURLOPT_NOBODY, 1L);
  CURLcode rc = Perform();
  if (endpoint_.Secure && rc == CURLE_PEER_FAILED_VERIFICATION) rc = RetryWithTrust();
  if (rc != CURLE_OK) return fail(LastError(rc));
  char* entry = nullptr;
  if (curl_easy_getinfo(handle_, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry && *entry == '/')
    entryPath_ = entry;
  cwd_ = {};
  if (!settings_.FtpDirectory.empty() && !SetCurrentDirectory(settings_.FtpDirectory)) {
    CloseHandle();
    return 0;
  }
  return 1;
}

int CFTPWorker::SetCurrentDirectory(std::string_view directory) {
  std::string shown(directory);
  for (char& c : shown)
    if (c == '\\') c = '/';
  services_.Status.StatusPrintf("Changing to directory: %s", shown);
  if (!handle_) {
    ReportSystemError(services_, err::InternetIncorrectHandleState, "CFTPWorker::SetCurrentDirectory");
    services_.Status.StatusPrintf("FTP: Change to directory was unsuccessful: directory=%s", shown);
    return 0;
  }
  Path target = Resolve(directory);
  ResetOperation();
  curl_easy_setopt(handle_, CURLOPT_URL, DirUrl(target).c_str());
  curl_easy_setopt(handle_, CURLOPT_NOBODY, 1L);
  CURLcode rc = Perform();
  if (rc != CURLE_OK) {
    CInternetException e = LastError(rc);
    SetLastInternetResponse(e.Message());
    ReportSystemError(services_, e.ErrorCode(), "CFTPWorker::SetCurrentDirectory");
    services_.Status.StatusPrintf("FTP: Change to directory was unsuccessful: directory=%s", shown);
    return 0;
  }
  cwd_ = std::move(target);
  return 1;
}

void CFTPWorker::ResetOperation() {
  CURL* h = handle_;
  curl_easy_setopt(h, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
  curl_easy_setopt(h, CURLOPT_PREQUOTE, nullptr);
  curl_easy_setopt(h, CURLOPT_POSTQUOTE, nullptr);
  curl_easy_setopt(h, CURLOPT_WILDCARDMATCH, 0L);
  curl_easy_setopt(h, CURLOPT_CHUNK_BGN_FUNCTION, nullptr);
  curl_easy_setopt(h, CURLOPT_CHUNK_END_FUNCTION, nullptr);
  curl_easy_setopt(h, CURLOPT_CHUNK_DATA, nullptr);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, nullptr);
  curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DiscardBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(-1));
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, nullptr);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 0L);
  curl_easy_setopt(h, CURLOPT_URL, DirUrl(Path{}).c_str());
  quote_.clear();
  prequote_.clear();
}

CURLcode CFTPWorker::Perform() {
  curl_slist_free_all(quoteList_);
  curl_slist_free_all(prequoteList_);
  quoteList_ = prequoteList_ = nullptr;
  for (const auto& q : quote_) quoteList_ = curl_slist_append(quoteList_, q.c_str());
  for (const auto& q : prequote_) prequoteList_ = curl_slist_append(prequoteList_, q.c_str());
  curl_easy_setopt(handle_, CURLOPT_QUOTE, quoteList_);
  curl_easy_setopt(handle_, CURLOPT_PREQUOTE, prequoteList_);
  errorBuffer_[0] = 0;
  return curl_easy_perform(handle_);
}

CInternetException CFTPWorker::LastError(CURLcode rc) const {
  return InternetExceptionFromCurl(rc, trace_.LastReply(), errorBuffer_);
}

CFTPWorker::Path CFTPWorker::Resolve(std::string_view remote) const {
  std::string s(remote);
  for (char& c : s)
    if (c == '\\') c = '/';
  Path p;
  if (!s.empty() && s.front() == '/') {
    p.Absolute = true;
  } else {
    p = cwd_;
  }
  size_t start = 0;
  while (start <= s.size()) {
    size_t slash = s.find('/', start);
    std::string part = s.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (part == "..") {
      if (!p.Parts.empty()) p.Parts.pop_back();
    } else if (!part.empty() && part != ".") {
      p.Parts.push_back(part);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return p;
}

std::string CFTPWorker::DirUrl(const Path& dir) const {
  std::string url = (endpoint_.Secure ? "ftp://" : "ftp://") + endpoint_.Host + ":" +
                    std::to_string(endpoint_.Port) + "/";
  if (dir.Absolute) url += "%2F";
  for (const auto& part : dir.Parts) url += Escape(handle_, part) + "/";
  return url;
}

std::string CFTPWorker::FileUrl(const Path& file) const {
  Path dir = file;
  std::string name;
  if (!dir.Parts.empty()) {
    name = dir.Parts.back();
    dir.Parts.pop_back();
  }
  return DirUrl(dir) + Escape(handle_, name);
}

std::string CFTPWorker::ServerPath(const Path& path) const {
  std::string out;
  if (!path.Absolute) {
    out = entryPath_;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
  }
  for (const auto& part : path.Parts) {
    if (out.empty() || out.back() != '/') out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

}  // namespace tx
