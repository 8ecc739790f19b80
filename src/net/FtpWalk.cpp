// Breadth-first walk of the remote tree: one listing per directory, no file is fetched.
#include <deque>

#include "net/FTPWorker.h"
#include "status/Report.h"
#include "status/Services.h"

namespace tx {

namespace {
long CollectEntry(const void* info, void* out, int) {
  const auto* f = static_cast<const curl_fileinfo*>(info);
  FtpFileInfo e;
  e.Name = f->filename ? f->filename : "";
  e.IsDirectory = f->filetype == CURLFILETYPE_DIRECTORY;
  if (f->flags & CURLFINFOFLAG_KNOWN_SIZE) e.Size = uint64_t(f->size);
  if (f->flags & CURLFINFOFLAG_KNOWN_TIME) e.Time = int64_t(f->time);
  static_cast<std::vector<FtpFileInfo>*>(out)->push_back(std::move(e));
  return CURL_CHUNK_BGN_FUNC_SKIP;
}
}  // namespace

int CFTPWorker::WalkTree(const WalkCallback& callback) {
  if (!handle_) {
    ReportSystemError(services_, err::InternetIncorrectHandleState, "CFTPWorker::WalkTree");
    return 0;
  }
  std::deque<std::string> queue{std::string()};
  while (!queue.empty()) {
    const std::string dir = queue.front();
    std::vector<FtpFileInfo> entries;
    ResetOperation();
    curl_easy_setopt(handle_, CURLOPT_URL, (DirUrl(Resolve(dir)) + "*").c_str());
    curl_easy_setopt(handle_, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(handle_, CURLOPT_CHUNK_BGN_FUNCTION, &CollectEntry);
    curl_easy_setopt(handle_, CURLOPT_CHUNK_DATA, &entries);
    CURLcode rc = Perform();
    // An empty directory matches nothing, which libcurl reports as a missing file.
    if (rc != CURLE_OK && rc != CURLE_REMOTE_FILE_NOT_FOUND) {
      CInternetException e = LastError(rc);
      SetLastInternetResponse(e.Message());
      ReportSystemError(services_, e.ErrorCode(), "CFTPWorker::WalkTree");
      return 0;
    }
    for (const auto& entry : entries) {
      if (entry.Name == "." || entry.Name == ".." || entry.Name.empty()) continue;
      if (entry.IsDirectory) {
        queue.push_back(dir.empty() ? entry.Name : dir + "/" + entry.Name);
      } else if (!callback(*this, entry, dir)) {
        return 0;
      }
    }
    queue.pop_front();
  }
  return 1;
}

}  // namespace tx
