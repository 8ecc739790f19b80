#pragma once
// A thin libcurl client for checking the test servers from the outside.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace tx::test {

struct CurlResult {
  CURLcode rc = CURLE_OK;
  long status = 0;  // FTP or HTTP response code of the last reply
  std::string body;
  std::string error;
  curl_off_t contentLength = -1;
  std::chrono::milliseconds elapsed{0};
  int progressSteps = 0;
};

class CurlEasy {
 public:
  CurlEasy() : h_(curl_easy_init()) {
    curl_easy_setopt(h_, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(h_, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(h_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h_, CURLOPT_ERRORBUFFER, error_);
    curl_easy_setopt(h_, CURLOPT_WRITEFUNCTION, &CurlEasy::Write);
    curl_easy_setopt(h_, CURLOPT_WRITEDATA, &result_.body);
  }
  ~CurlEasy() {
    curl_slist_free_all(headers_);
    curl_slist_free_all(quote_);
    curl_easy_cleanup(h_);
  }
  CurlEasy(const CurlEasy&) = delete;
  CurlEasy& operator=(const CurlEasy&) = delete;

  CURL* Handle() const { return h_; }

  template <typename T>
  CurlEasy& Set(CURLoption option, T value) {
    curl_easy_setopt(h_, option, value);
    return *this;
  }
  CurlEasy& Login(const std::string& user, const std::string& password) {
    user_ = user;
    password_ = password;
    curl_easy_setopt(h_, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(h_, CURLOPT_PASSWORD, password_.c_str());
    return *this;
  }
  CurlEasy& Header(const std::string& line) {
    headers_ = curl_slist_append(headers_, line.c_str());
    curl_easy_setopt(h_, CURLOPT_HTTPHEADER, headers_);
    return *this;
  }
  CurlEasy& Quote(const std::string& command) {
    quote_ = curl_slist_append(quote_, command.c_str());
    curl_easy_setopt(h_, CURLOPT_QUOTE, quote_);
    return *this;
  }
  // The next Perform sends these bytes (FTP upload, or an HTTP POST body).
  CurlEasy& Upload(std::string data) {
    upload_ = std::move(data);
    offset_ = 0;
    curl_easy_setopt(h_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h_, CURLOPT_READFUNCTION, &CurlEasy::Read);
    curl_easy_setopt(h_, CURLOPT_READDATA, this);
    curl_easy_setopt(h_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(upload_.size()));
    return *this;
  }
  CurlEasy& Post(std::string data) {
    upload_ = std::move(data);
    curl_easy_setopt(h_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(upload_.size()));
    curl_easy_setopt(h_, CURLOPT_POSTFIELDS, upload_.data());
    return *this;
  }
  CurlEasy& CountProgress() {
    curl_easy_setopt(h_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h_, CURLOPT_XFERINFOFUNCTION, &CurlEasy::Progress);
    curl_easy_setopt(h_, CURLOPT_XFERINFODATA, this);
    return *this;
  }

  CurlResult Perform(const std::string& url) {
    result_.body.clear();
    result_.progressSteps = 0;
    error_[0] = 0;
    lastNow_ = -1;
    curl_easy_setopt(h_, CURLOPT_URL, url.c_str());
    auto start = std::chrono::steady_clock::now();
    result_.rc = curl_easy_perform(h_);
    result_.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    curl_easy_getinfo(h_, CURLINFO_RESPONSE_CODE, &result_.status);
    curl_easy_getinfo(h_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &result_.contentLength);
    result_.error = result_.rc == CURLE_OK ? "" : (error_[0] ? error_ : curl_easy_strerror(result_.rc));
    return result_;
  }

  // PEM texts of the peer's certificates (needs CURLOPT_CERTINFO).
  std::vector<std::string> PeerCertificates() const {
    std::vector<std::string> pems;
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(h_, CURLINFO_CERTINFO, &info) != CURLE_OK || !info) return pems;
    for (int i = 0; i < info->num_of_certs; ++i) {
      for (curl_slist* s = info->certinfo[i]; s; s = s->next) {
        if (std::strncmp(s->data, "Cert:", 5) == 0) pems.emplace_back(s->data + 5);
      }
    }
    return pems;
  }

 private:
  static size_t Write(char* data, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
  }
  static size_t Read(char* buf, size_t size, size_t n, void* self) {
    auto* me = static_cast<CurlEasy*>(self);
    size_t len = std::min(size * n, me->upload_.size() - me->offset_);
    std::memcpy(buf, me->upload_.data() + me->offset_, len);
    me->offset_ += len;
    return len;
  }
  static int Progress(void* self, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto* me = static_cast<CurlEasy*>(self);
    if (now != me->lastNow_) {
      ++me->result_.progressSteps;
      me->lastNow_ = now;
    }
    return 0;
  }

  CURL* h_;
  char error_[CURL_ERROR_SIZE] = {};
  CurlResult result_;
  std::string user_, password_, upload_;
  size_t offset_ = 0;
  curl_off_t lastNow_ = -1;
  curl_slist* headers_ = nullptr;
  curl_slist* quote_ = nullptr;
};

}  // namespace tx::test
