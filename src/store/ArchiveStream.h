#pragma once
// The byte source or sink under a CArchive: a file, a memory buffer, or a caller's own file
// class (a safe-replacement file, say) adapted to this interface.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tx {

class CArchiveStream {
 public:
  static constexpr uint64_t UnknownSize = UINT64_MAX;

  virtual ~CArchiveStream() = default;
  // Reads up to n bytes; fewer only at the end of the data. Raises CFileException on failure.
  virtual size_t Read(void* buffer, size_t n) = 0;
  // Writes all n bytes or raises CFileException.
  virtual void Write(const void* buffer, size_t n) = 0;
  // Pushes written bytes to the system; raises CFileException on failure.
  virtual void Flush() {}
  // Bytes that Read can still deliver, or UnknownSize.
  virtual uint64_t Remaining() const { return UnknownSize; }
  // Path of the file, for messages.
  virtual std::string Path() const = 0;
};

// A disk file opened for reading or for writing (created or truncated).
class CFileStream : public CArchiveStream {
 public:
  enum class Mode { Read, Write };
  // Raises CFileException with the system error when the file cannot be opened.
  CFileStream(const std::filesystem::path& path, Mode mode);
  ~CFileStream() override;
  CFileStream(const CFileStream&) = delete;
  CFileStream& operator=(const CFileStream&) = delete;

  size_t Read(void* buffer, size_t n) override;
  void Write(const void* buffer, size_t n) override;
  void Flush() override;
  uint64_t Remaining() const override;
  std::string Path() const override { return path_; }
  // Flushes and closes; raises CFileException when the last writes fail. Idempotent.
  void Close();

 private:
  [[noreturn]] void Fail(uint32_t fallback) const;

  std::FILE* file_ = nullptr;
  std::string path_;
  uint64_t size_ = UnknownSize;  // file size at open, for reading
  uint64_t consumed_ = 0;
};

// Bytes in memory: reads from the vector given, or appends to it.
class CMemoryStream : public CArchiveStream {
 public:
  explicit CMemoryStream(std::vector<uint8_t> data = {}, std::string name = "memory")
      : data_(std::move(data)), name_(std::move(name)) {}

  size_t Read(void* buffer, size_t n) override;
  void Write(const void* buffer, size_t n) override;
  uint64_t Remaining() const override { return data_.size() - pos_; }
  std::string Path() const override { return name_; }

  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
  std::string name_;
};

}  // namespace tx
