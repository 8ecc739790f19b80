#include "platform/FileUtil.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "platform/Errors.h"

namespace fs = std::filesystem;

namespace tx {
namespace {

uint32_t LastError() { return ErrorFromErrno(errno); }

// A missing file is 2, a missing folder on the way to it is 3.
uint32_t OpenError(const fs::path& path) {
  const int e = errno;
  if (e == ENOENT) {
    struct stat st {};
    const fs::path dir = path.parent_path();
    if (!dir.empty() && ::stat(dir.c_str(), &st) != 0) return err::PathNotFound;
  }
  return ErrorFromErrno(e);
}

int OpenRetry(const char* path, int flags, mode_t mode = 0666) {
  int fd;
  do fd = ::open(path, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

bool FlockRetry(int fd, int op) {
  int r;
  do r = ::flock(fd, op);
  while (r < 0 && errno == EINTR);
  return r == 0;
}

uint32_t WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) return err::WriteFault;
    p += n;
    left -= size_t(n);
  }
  return 0;
}

uint32_t ReadAll(int fd, std::string& bytes, uint64_t maxSize) {
  bytes.clear();
  struct stat st {};
  if (::fstat(fd, &st) != 0) return LastError();
  if (S_ISDIR(st.st_mode)) return err::AccessDenied;
  if (uint64_t(st.st_size) >= maxSize) return err::NotEnoughMemory;
  bytes.reserve(size_t(st.st_size));
  char buf[65536];
  off_t offset = 0;
  for (;;) {
    ssize_t n = ::pread(fd, buf, sizeof buf, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    if (n == 0) return 0;
    bytes.append(buf, size_t(n));
    offset += n;
    if (bytes.size() >= maxSize) return err::NotEnoughMemory;
  }
}

std::string RandomName(size_t length) {
  static const char chars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 rng{std::random_device{}() ^ (uint64_t(::getpid()) << 32)};
  std::uniform_int_distribution<int> pick(0, sizeof chars - 2);
  std::string s(length, 'x');
  for (char& c : s) c = chars[pick(rng)];
  return s;
}

fs::path FolderOf(const fs::path& path) {
  fs::path dir = path.parent_path();
  return dir.empty() ? fs::path(".") : dir;
}

void SyncFolder(const fs::path& folder) {
  int fd = OpenRetry(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// True when fd is still the file at path (not replaced or removed while we waited for a lock).
bool SameFile(int fd, const fs::path& path) {
  struct stat a {}, b {};
  if (::fstat(fd, &a) != 0 || ::stat(path.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens path and takes its exclusive lock, retrying when the file was replaced meanwhile.
// The retries are bounded by time, not by count, so a busy rewriter cannot starve a writer.
int OpenLocked(const fs::path& path, int flags, uint32_t& error) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    int fd = OpenRetry(path.c_str(), flags);
    if (fd < 0) {
      error = OpenError(path);
      return -1;
    }
    if (!FlockRetry(fd, LOCK_EX)) {
      error = LastError();
      ::close(fd);
      return -1;
    }
    if (SameFile(fd, path)) return fd;
    ::close(fd);
    if (std::chrono::steady_clock::now() > deadline) {
      error = err::SharingViolation;
      return -1;
    }
  }
}

}  // namespace

uint32_t WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  if (path.empty()) return err::PathNotFound;
  const fs::path folder = FolderOf(path);
  const std::string base = path.filename().string();
  struct stat old {};
  const bool hadFile = ::stat(path.c_str(), &old) == 0;
  if (hadFile && S_ISDIR(old.st_mode)) return err::AccessDenied;

  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = folder / ("." + base + "." + RandomName(8) + ".tmp");
    fd = OpenRetry(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0 && errno != EEXIST) return OpenError(temp);
  }
  if (fd < 0) return err::FileExists;

  uint32_t code = WriteAll(fd, bytes);
  if (!code && hadFile) ::fchmod(fd, old.st_mode & 07777);
  if (!code && ::fsync(fd) != 0) code = LastError();
  if (::close(fd) != 0 && !code) code = LastError();
  if (!code && ::rename(temp.c_str(), path.c_str()) != 0) code = LastError();
  if (code) {
    ::unlink(temp.c_str());
    return code;
  }
  SyncFolder(folder);
  return 0;
}

uint32_t ReadWholeFile(const fs::path& path, std::string& bytes, uint64_t maxSize) {
  bytes.clear();
  if (path.empty()) return err::PathNotFound;
  int fd = OpenRetry(path.c_str(), O_RDONLY);
  if (fd < 0) return OpenError(path);
  uint32_t code = ReadAll(fd, bytes, maxSize);
  ::close(fd);
  if (code) bytes.clear();
  return code;
}

uint32_t CreateFileExclusive(const fs::path& path, std::string_view bytes) {
  if (path.empty()) return err::PathNotFound;
  int fd = OpenRetry(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) return errno == EEXIST ? err::FileExists : OpenError(path);
  uint32_t code = WriteAll(fd, bytes);
  if (::close(fd) != 0 && !code) code = LastError();
  if (code) ::unlink(path.c_str());
  return code;
}

uint32_t CreateDirectoryExclusive(const fs::path& path) {
  if (path.empty()) return err::PathNotFound;
  if (::mkdir(path.c_str(), 0777) == 0) return 0;
  return errno == EEXIST ? err::AlreadyExists : OpenError(path);
}

uint32_t CreateUniqueFile(const fs::path& folder, std::string_view prefix, std::string_view suffix,
                          fs::path& out) {
  out.clear();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    fs::path candidate = folder / (std::string(prefix) + RandomName(8) + std::string(suffix));
    uint32_t code = CreateFileExclusive(candidate);
    if (code == 0) {
      out = candidate;
      return 0;
    }
    if (code != err::FileExists) return code;
  }
  return err::FileExists;
}

uint32_t CreateUniqueDirectory(const fs::path& folder, std::string_view prefix, fs::path& out) {
  out.clear();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    fs::path candidate = folder / (std::string(prefix) + RandomName(8));
    uint32_t code = CreateDirectoryExclusive(candidate);
    if (code == 0) {
      out = candidate;
      return 0;
    }
    if (code != err::AlreadyExists) return code;
  }
  return err::FileExists;
}

uint32_t AppendFileLocked(const fs::path& path, std::string_view bytes) {
  if (path.empty()) return err::PathNotFound;
  uint32_t code = 0;
  int fd = OpenLocked(path, O_WRONLY | O_APPEND | O_CREAT, code);
  if (fd < 0) return code;
  code = WriteAll(fd, bytes);
  if (::close(fd) != 0 && !code) code = LastError();
  return code;
}

uint32_t RewriteFileLocked(const fs::path& path, bool createIfMissing,
                           const std::function<bool(std::string& content)>& edit, uint64_t maxSize) {
  if (path.empty()) return err::PathNotFound;
  uint32_t code = 0;
  int fd = OpenLocked(path, createIfMissing ? (O_RDWR | O_CREAT) : O_RDONLY, code);
  if (fd < 0) return code;
  std::string content;
  code = ReadAll(fd, content, maxSize);
  if (!code && edit(content)) code = WriteFileAtomically(path, content);
  ::close(fd);  // releases the lock only after the new file is in place
  return code;
}

uint32_t GetFileSize(const fs::path& path, uint64_t& size) {
  size = 0;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return LastError();
  size = uint64_t(st.st_size);
  return 0;
}

CFileLock::~CFileLock() { Unlock(); }

CFileLock::CFileLock(CFileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

CFileLock& CFileLock::operator=(CFileLock&& other) noexcept {
  if (this != &other) {
    Unlock();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

uint32_t CFileLock::Lock(const fs::path& lockFile, Mode mode, bool wait) {
  Unlock();
  if (lockFile.empty()) return err::PathNotFound;
  int fd = OpenRetry(lockFile.c_str(), O_RDWR | O_CREAT);
  if (fd < 0) return LastError();
  int op = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
  if (!FlockRetry(fd, op)) {
    uint32_t code = errno == EWOULDBLOCK ? err::LockViolation : LastError();
    ::close(fd);
    return code;
  }
  fd_ = fd;
  return 0;
}

void CFileLock::Unlock() {
  if (fd_ >= 0) {
    ::close(fd_);  // closing the last descriptor releases the flock
    fd_ = -1;
  }
}

}  // namespace tx
