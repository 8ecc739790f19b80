#pragma once
// A file written by safe replacement: the new content is collected while the archive writes
// and put in place only by Close, through a temporary file in the same folder that is flushed
// to disk and renamed over the old one. A write that fails, or a file never closed, leaves the
// old file exactly as it was.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "store/ArchiveStream.h"

namespace tx {

class CMirrorFile : public CArchiveStream {
 public:
  // Raises CFileException when the folder is missing or the path names a folder.
  explicit CMirrorFile(const std::filesystem::path& path);

  size_t Read(void* buffer, size_t n) override;  // writing only: raises
  void Write(const void* buffer, size_t n) override;
  std::string Path() const override { return path_.string(); }

  // Puts the new content in place; raises CFileException when that fails (the old file stays).
  void Close();
  bool IsClosed() const { return closed_; }

  // Tests: the write that would take the content past afterBytes fails with code.
  struct Fault {
    uint64_t AfterBytes = 0;
    uint32_t Code = 0;
  };
  static void InjectFault(std::optional<Fault> fault);

 private:
  std::filesystem::path path_;
  std::string content_;
  bool closed_ = false;
};

}  // namespace tx
