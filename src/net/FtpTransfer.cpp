// Upload, removal and download of single files over the worker's connection.
#include <cerrno>
#include <cstdio>

#include "log/Logfile.h"
#include "net/FTPWorker.h"
#include "platform/FileUtil.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"

namespace tx {

namespace {
constexpr const char* PutFileOperation = "CFTPWorker::UploadFile: CFtpConnection::PutFile";

size_t ReadLocal(char* buffer, size_t size, size_t n, void* file) {
  size_t got = std::fread(buffer, 1, size * n, static_cast<std::FILE*>(file));
  if (got == 0 && std::ferror(static_cast<std::FILE*>(file))) return CURL_READFUNC_ABORT;
  return got;
}

size_t AppendBytes(char* data, size_t size, size_t n, void* out) {
  static_cast<std::string*>(out)->append(data, size * n);
  return size * n;
}

// Names reach the server inside commands: a line break would start another command.
bool SafeName(std::string_view path) { return path.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

struct BusyScope {
  CStatusChannel& Status;
  explicit BusyScope(CStatusChannel& s) : Status(s) { Status.SetBusy(true); }
  ~BusyScope() { Status.SetBusy(false); }
};
}  // namespace

int CFTPWorker::UploadFile(const std::string& localPath, std::string_view remotePath) {
  BusyScope busy(services_.Status);
  if (!handle_ && !Login()) return 0;
  Path target = Resolve(remotePath);
  if (target.Parts.empty() || !SafeName(remotePath)) {
    ReportSystemError(services_, err::InvalidName, PutFileOperation);
    return 0;
  }
  services_.Status.StatusPrintf("Uploading file: %s", target.Parts.back());

  std::FILE* file = std::fopen(localPath.c_str(), "rb");
  if (!file) {
    ReportSystemError(services_, ErrorFromErrno(errno), PutFileOperation);
    return 0;
  }
  uint64_t size = 0;
  if (uint32_t rc = GetFileSize(localPath, size)) {
    std::fclose(file);
    ReportSystemError(services_, rc, PutFileOperation);
    return 0;
  }

  ResetOperation();
  // Each level of the path's own directory part, from the first component to the whole;
  // "*" lets a level that already exists pass without ending the upload.
  std::string remote(remotePath);
  for (char& c : remote)
    if (c == '\\') c = '/';
  Path level;
  if (!remote.empty() && remote.front() == '/') level.Absolute = true;
  else level = cwd_;
  Path dirPart = Resolve(remote);
  dirPart.Parts.pop_back();
  size_t start = level.Parts.size();
  for (size_t i = start; i < dirPart.Parts.size(); ++i) {
    level.Parts.push_back(dirPart.Parts[i]);
    quote_.push_back("*MKD " + ServerPath(level));
  }
  prequote_.push_back("*DELE " + target.Parts.back());
  curl_easy_setopt(handle_, CURLOPT_URL, FileUrl(target).c_str());
  curl_easy_setopt(handle_, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(handle_, CURLOPT_READFUNCTION, &ReadLocal);
  curl_easy_setopt(handle_, CURLOPT_READDATA, file);
  curl_easy_setopt(handle_, CURLOPT_INFILESIZE_LARGE, curl_off_t(size));
  size_t mark = Mark();
  CURLcode rc = Perform();
  bool readFailed = std::ferror(file) != 0;
  std::fclose(file);

  curl_off_t sent = 0;
  curl_easy_getinfo(handle_, CURLINFO_SIZE_UPLOAD_T, &sent);
  if (rc == CURLE_OK && uint64_t(sent) == size) return 1;

  CInternetException e = rc == CURLE_OK ? CInternetException(err::InternetConnectionAborted) : LastError(rc);
  uint32_t code = readFailed ? err::ReadFault : e.ErrorCode();
  // A cut-short upload must not stay on the website looking complete.
  if (trace_.LastExchange("STOR", mark)) DeleteQuietly(target);
  SetLastInternetResponse(e.Message());
  ReportSystemError(services_, code, PutFileOperation);
  return 0;
}

bool CFTPWorker::DeleteQuietly(const Path& file) {
  Path dir = file;
  std::string name = dir.Parts.back();
  dir.Parts.pop_back();
  ResetOperation();
  curl_easy_setopt(handle_, CURLOPT_URL, DirUrl(dir).c_str());
  curl_easy_setopt(handle_, CURLOPT_NOBODY, 1L);
  prequote_.push_back("*DELE " + name);
  size_t mark = Mark();
  if (Perform() != CURLE_OK) return false;
  const FtpExchange* x = trace_.LastExchange("DELE", mark);
  return x && x->Code / 100 == 2;
}

int CFTPWorker::RemoveFile(std::string_view remotePath) {
  if (!handle_) return 0;
  std::string shown(remotePath);
  for (char& c : shown)
    if (c == '\\') c = '/';
  Path target = Resolve(remotePath);
  uint32_t status = 0;
  if (target.Parts.empty() || !SafeName(remotePath)) {
    status = err::InvalidName;
  } else {
    Path dir = target;
    dir.Parts.pop_back();
    ResetOperation();
    curl_easy_setopt(handle_, CURLOPT_URL, DirUrl(dir).c_str());
    curl_easy_setopt(handle_, CURLOPT_NOBODY, 1L);
    prequote_.push_back("*DELE " + target.Parts.back());
    size_t mark = Mark();
    CURLcode rc = Perform();
    const FtpExchange* x = trace_.LastExchange("DELE", mark);
    if (rc != CURLE_OK) {
      CInternetException e = LastError(rc);
      status = e.ErrorCode();
      SetLastInternetResponse(e.Message());
    } else if (!x || x->Code / 100 != 2) {
      status = err::InternetExtendedError;
      SetLastInternetResponse(x ? x->Reply : std::string());
    }
  }
  services_.Log.Printf("Remove=[%s] status=[0x%08X]\n", shown, status);
  return status == 0;
}

void CFTPWorker::DownloadFile(std::string_view remotePath, bool ascii, std::string& bytes) {
  bytes.clear();
  if (!handle_) throw CInternetException(err::InternetIncorrectHandleState);
  Path target = Resolve(remotePath);
  if (target.Parts.empty() || !SafeName(remotePath)) throw CInternetException(err::InvalidName);
  ResetOperation();
  curl_easy_setopt(handle_, CURLOPT_URL, FileUrl(target).c_str());
  curl_easy_setopt(handle_, CURLOPT_TRANSFERTEXT, ascii ? 1L : 0L);
  curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &AppendBytes);
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &bytes);
  CURLcode rc = Perform();
  if (rc != CURLE_OK) {
    bytes.clear();
    throw LastError(rc);
  }
}

}  // namespace tx
