#include "store/ArchiveStream.h"

#include <cerrno>
#include <cstring>

#include "platform/Errors.h"

namespace tx {

CFileStream::CFileStream(const std::filesystem::path& path, Mode mode) : path_(path.string()) {
  // The C library opens a folder for reading and reports a nonsense size for it.
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw CFileException(err::AccessDenied, path_);
  errno = 0;
  file_ = std::fopen(path_.c_str(), mode == Mode::Read ? "rb" : "wb");
  if (!file_) Fail(err::FileNotFound);
  if (mode == Mode::Read && std::fseek(file_, 0, SEEK_END) == 0) {
    long end = std::ftell(file_);
    if (end >= 0) size_ = uint64_t(end);
    std::rewind(file_);
  }
}

CFileStream::~CFileStream() {
  if (file_) std::fclose(file_);
}

void CFileStream::Fail(uint32_t fallback) const {
  uint32_t code = ErrorFromErrno(errno);
  throw CFileException(code ? code : fallback, path_);
}

size_t CFileStream::Read(void* buffer, size_t n) {
  if (!file_ || n == 0) return 0;
  errno = 0;
  size_t got = std::fread(buffer, 1, n, file_);
  if (got < n && std::ferror(file_)) Fail(err::ReadFault);
  consumed_ += got;
  return got;
}

void CFileStream::Write(const void* buffer, size_t n) {
  if (n == 0) return;
  if (!file_) throw CFileException(err::InvalidFunction, path_);
  errno = 0;
  if (std::fwrite(buffer, 1, n, file_) != n) Fail(err::WriteFault);
}

void CFileStream::Flush() {
  if (!file_) return;
  errno = 0;
  if (std::fflush(file_) != 0) Fail(err::WriteFault);
}

uint64_t CFileStream::Remaining() const {
  if (size_ == UnknownSize) return UnknownSize;
  return consumed_ < size_ ? size_ - consumed_ : 0;
}

void CFileStream::Close() {
  if (!file_) return;
  std::FILE* f = file_;
  file_ = nullptr;
  errno = 0;
  if (std::fclose(f) != 0) Fail(err::WriteFault);
}

size_t CMemoryStream::Read(void* buffer, size_t n) {
  size_t got = std::min(n, data_.size() - pos_);
  if (got) std::memcpy(buffer, data_.data() + pos_, got);
  pos_ += got;
  return got;
}

void CMemoryStream::Write(const void* buffer, size_t n) {
  auto p = static_cast<const uint8_t*>(buffer);
  data_.insert(data_.end(), p, p + n);
}

}  // namespace tx
