#pragma once
// Fetching one URL (http, https, ftp, file) into memory on a worker thread, while the caller's
// thread keeps pumping events, shows progress from the Content-Length and can abandon the
// fetch on Cancel without waiting for the worker.
#include <string>
#include <string_view>

#include "status/OperationResult.h"

namespace tx {

struct Services;

// ResultSucceeded with the body in body; ResultFailed after the failure was logged and shown
// ("%s: HTTP Status=%d: %s", "%s: Get URL failed" or the library's message); ResultCanceled,
// silently, when a cancel or quit came while waiting.
OperationResult GetURL(Services& services, std::string_view url, std::string& body);

}  // namespace tx
