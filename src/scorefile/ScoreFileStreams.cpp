#include "scorefile/ScoreFileStreams.h"

#include <cerrno>
#include <cstring>

#include "platform/Errors.h"

namespace tx {

uint32_t CLocalFileStream::Open(const std::string& path, bool binary) {
  Close();
  errno = 0;
  file_ = std::fopen(path.c_str(), "rb");
  if (!file_) return errno ? ErrorFromErrno(errno) : err::OpenFailed;
  binary_ = binary;
  path_ = path;
  return 0;
}

CLocalFileStream::~CLocalFileStream() { Close(); }

void CLocalFileStream::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

size_t CLocalFileStream::Read(void* buffer, size_t n) {
  if (!file_ || n == 0) return 0;
  char* out = static_cast<char*>(buffer);
  size_t got = std::fread(out, 1, n, file_);
  if (got < n && std::ferror(file_)) throw CFileException(ErrorFromErrno(errno ? errno : EIO), path_);
  if (binary_ || got == 0) return got;
  // Text mode: CR LF becomes LF, also across the end of this piece.
  size_t w = 0;
  for (size_t r = 0; r < got; ++r) {
    if (out[r] == '\r' && r + 1 < got && out[r + 1] == '\n') continue;
    out[w++] = out[r];
  }
  if (w > 0 && out[w - 1] == '\r' && (got == 0 || out[got - 1] == '\r')) {
    int next = std::getc(file_);
    if (next == '\n')
      out[w - 1] = '\n';
    else if (next != EOF)
      std::ungetc(next, file_);
  }
  return w;
}

size_t CMemoryFileStream::Read(void* buffer, size_t n) {
  size_t take = std::min(n, bytes_.size() - pos_);
  std::memcpy(buffer, bytes_.data() + pos_, take);
  pos_ += take;
  return take;
}

}  // namespace tx
