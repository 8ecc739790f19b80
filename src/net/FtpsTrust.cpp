// TLS for "ftps://" servers.
#include "net/FTPWorker.h"

namespace tx {

bool CFTPWorker::ConfigureTls() {
  curl_easy_setopt(handle_, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
  return true;
}

CURLcode CFTPWorker::RetryWithTrust() { return CURLE_PEER_FAILED_VERIFICATION; }

}  // namespace tx
