#include "app/MirrorFile.h"

#include <system_error>

#include "platform/Errors.h"
#include "platform/FileUtil.h"

namespace tx {

namespace fs = std::filesystem;

namespace {
std::optional<CMirrorFile::Fault> g_fault;
}

void CMirrorFile::InjectFault(std::optional<Fault> fault) { g_fault = fault; }

CMirrorFile::CMirrorFile(const fs::path& path) : path_(path) {
  std::error_code ec;
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::is_directory(folder, ec)) throw CFileException(err::PathNotFound, path_.string());
  if (fs::is_directory(path, ec)) throw CFileException(err::AccessDenied, path_.string());
}

size_t CMirrorFile::Read(void*, size_t) { throw CFileException(err::AccessDenied, path_.string()); }

void CMirrorFile::Write(const void* buffer, size_t n) {
  if (closed_) throw CFileException(err::InvalidFunction, path_.string());
  if (g_fault && content_.size() + n > g_fault->AfterBytes) {
    content_.append(static_cast<const char*>(buffer), size_t(g_fault->AfterBytes - content_.size()));
    throw CFileException(g_fault->Code, path_.string());
  }
  content_.append(static_cast<const char*>(buffer), n);
}

void CMirrorFile::Close() {
  if (closed_) return;
  if (uint32_t code = WriteFileAtomically(path_, content_)) throw CFileException(code, path_.string());
  closed_ = true;
  std::string().swap(content_);
}

}  // namespace tx
