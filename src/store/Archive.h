#pragma once
// Binary archive of the program's data files. Every persistent type has one serialize routine
// that writes or reads the same sequence of primitives; the stream holds nothing else.
// Numbers are little-endian; texts are written as UTF-16 and read as UTF-16 or as 8-bit
// Windows-1252 texts of older versions.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/ArchiveStream.h"

namespace tx {

class CArchive {
 public:
  enum class Mode { Store, Load };
  static constexpr size_t BufferSize = 4096;
  static constexpr uint32_t TimeMarker = 0x8000000A;
  static constexpr uint64_t UnknownSize = CArchiveStream::UnknownSize;

  // The stream must outlive the archive.
  CArchive(CArchiveStream& stream, Mode mode);
  // An archive not closed is abandoned: what it still buffers is not written.
  ~CArchive() = default;
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsStoring() const { return mode_ == Mode::Store; }
  bool IsLoading() const { return mode_ == Mode::Load; }
  std::string GetPath() const { return stream_.Path(); }

  // Layout of stored score file records while they are read (0 or 1); set by the owner of the
  // file being read. Storing always writes the current layout.
  int RecordVersion() const { return recordVersion_; }
  void SetRecordVersion(int version) { recordVersion_ = version; }

  void WriteU8(uint8_t v);
  void WriteU16(uint16_t v);
  void WriteU32(uint32_t v);
  void WriteI32(int32_t v) { WriteU32(uint32_t(v)); }
  void WriteU64(uint64_t v);  // low half first
  void WriteTime(int64_t t);  // marker, then 64-bit seconds
  void WriteText(std::string_view utf8);
  void WriteCount(uint64_t n);
  void Write(const void* data, size_t n);  // byte block, nothing around it

  uint8_t ReadU8();
  uint16_t ReadU16();
  uint32_t ReadU32();
  int32_t ReadI32() { return int32_t(ReadU32()); }
  uint64_t ReadU64();
  int64_t ReadTime();  // also an older 32-bit time without marker
  std::string ReadText();
  uint32_t ReadCount();
  // Byte block: returns how many of the n bytes were available.
  size_t Read(void* data, size_t n);
  // Byte block of n bytes; fewer raise the end-of-file error. A length larger than what the
  // file still holds fails before any storage is taken for it.
  std::vector<uint8_t> ReadBlock(size_t n);

  // Bytes left to read, or UnknownSize when the stream cannot tell.
  uint64_t BytesLeft() const;
  // Raises the end-of-file error when fewer than n bytes are known to be left; a reader calls
  // it with the least a list of n elements can take before making the elements.
  void RequireBytes(uint64_t n) const;

  // Storing: writes out the buffer and flushes the stream. Loading: just ends.
  void Close();
  // Ends without writing what is buffered.
  void Abort() { closed_ = true; }

  [[noreturn]] void Fail(int cause) const;

 private:
  void CheckStoring();
  void CheckLoading();
  void FlushBuffer();
  void ReadExact(void* data, size_t n);
  bool Fill();  // loads the buffer once more; false at the end
  template <class T>
  T ReadLe();
  template <class T>
  void WriteLe(T v);
  template <class Container>
  void ReadInto(Container& out, uint64_t bytes);

  CArchiveStream& stream_;
  Mode mode_;
  bool closed_ = false;
  int recordVersion_ = 1;
  std::array<uint8_t, BufferSize> buffer_;
  size_t pos_ = 0;  // next byte to read, or bytes buffered for writing
  size_t end_ = 0;  // bytes loaded into the buffer
};

}  // namespace tx
