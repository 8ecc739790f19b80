#pragma once
// Streams a score file can be read from: a local file, and bytes in memory (files fetched
// whole, fuzzing, tests).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "scorefile/ScoreFile.h"

namespace tx {

class CLocalFileStream : public CScoreFileStream {
 public:
  // Opens path for reading; 0 or an error code. Text mode reads CR LF as LF.
  uint32_t Open(const std::string& path, bool binary);
  ~CLocalFileStream() override;
  size_t Read(void* buffer, size_t n) override;
  void Close() override;

 private:
  std::FILE* file_ = nullptr;
  bool binary_ = true;
  std::string path_;
};

class CMemoryFileStream : public CScoreFileStream {
 public:
  explicit CMemoryFileStream(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t n) override;

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

}  // namespace tx
