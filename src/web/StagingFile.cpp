#include "web/StagingFile.h"

#include <cerrno>

#include "platform/Encoding.h"
#include "platform/Errors.h"

namespace tx {

CStagingFile::~CStagingFile() {
  if (out_.is_open()) out_.close();
}

void CStagingFile::Open(const std::string& path) {
  path_ = path;
  out_.open(path, std::ios::binary | std::ios::out | std::ios::trunc);
  if (!out_) throw CFileException(errno ? ErrorFromErrno(errno) : err::AccessDenied, path);
  lastWasCr_ = false;
}

void CStagingFile::Put(std::string_view bytes) {
  out_.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out_) throw CFileException(err::DiskFull, path_);
}

void CStagingFile::Write(std::string_view text) {
  bool replaced = false;
  std::string bytes = Latin1FromUtf8(text, &replaced);
  if (replaced) throw CFileException(err::InvalidData, path_);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n' && !lastWasCr_) out += '\r';
    out += c;
    lastWasCr_ = c == '\r';
  }
  Put(out);
}

void CStagingFile::WriteLine(std::string_view text) {
  Write(text);
  Put("\r\n");
  lastWasCr_ = false;
}

void CStagingFile::WriteRaw(std::string_view bytes) {
  Put(bytes);
  lastWasCr_ = !bytes.empty() && bytes.back() == '\r';
}

void CStagingFile::Close() {
  if (!out_.is_open()) return;
  out_.flush();
  bool ok = bool(out_);
  out_.close();
  if (!ok || out_.fail()) throw CFileException(err::DiskFull, path_);
}

}  // namespace tx
