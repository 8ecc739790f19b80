#include "store/Archive.h"

#include <algorithm>
#include <cstring>

#include "platform/Encoding.h"
#include "platform/Errors.h"

namespace tx {
namespace {
// Storage for a read of unknown feasibility grows by this much at a time, so a damaged length
// costs no more memory than the bytes actually there.
constexpr size_t ReadChunk = 1 << 16;
}  // namespace

CArchive::CArchive(CArchiveStream& stream, Mode mode) : stream_(stream), mode_(mode) {}

void CArchive::Fail(int cause) const { throw CArchiveException(cause, GetPath()); }

void CArchive::CheckStoring() {
  if (!IsStoring()) Fail(CArchiveException::ReadOnly);
  if (closed_) Fail(CArchiveException::Generic);
}

void CArchive::CheckLoading() {
  if (!IsLoading()) Fail(CArchiveException::WriteOnly);
  if (closed_) Fail(CArchiveException::Generic);
}

// ---- storing

void CArchive::FlushBuffer() {
  if (pos_ == 0) return;
  size_t n = pos_;
  pos_ = 0;  // a failed write is not repeated by a later flush
  stream_.Write(buffer_.data(), n);
}

void CArchive::Write(const void* data, size_t n) {
  CheckStoring();
  auto p = static_cast<const uint8_t*>(data);
  if (n <= BufferSize - pos_) {
    std::memcpy(buffer_.data() + pos_, p, n);
    pos_ += n;
    return;
  }
  FlushBuffer();
  if (n >= BufferSize) {
    stream_.Write(p, n);
  } else {
    std::memcpy(buffer_.data(), p, n);
    pos_ = n;
  }
}

template <class T>
void CArchive::WriteLe(T v) {
  uint8_t bytes[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = uint8_t(uint64_t(v) >> (8 * i));
  Write(bytes, sizeof(T));
}

void CArchive::WriteU8(uint8_t v) { WriteLe(v); }
void CArchive::WriteU16(uint16_t v) { WriteLe(v); }
void CArchive::WriteU32(uint32_t v) { WriteLe(v); }
void CArchive::WriteU64(uint64_t v) { WriteLe(v); }

void CArchive::WriteTime(int64_t t) {
  WriteU32(TimeMarker);
  WriteU64(uint64_t(t));
}

void CArchive::WriteCount(uint64_t n) {
  if (n > 0xFFFFFFFFu) Fail(CArchiveException::Generic);
  if (n < 0xFFFF) {
    WriteU16(uint16_t(n));
  } else {
    WriteU16(0xFFFF);
    WriteU32(uint32_t(n));
  }
}

void CArchive::WriteText(std::string_view utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  uint64_t len = units.size();
  WriteU8(0xFF);
  WriteU16(0xFFFE);
  if (len < 0xFF) {
    WriteU8(uint8_t(len));
  } else {
    WriteU8(0xFF);
    if (len < 0xFFFE) {
      WriteU16(uint16_t(len));
    } else {
      WriteU16(0xFFFF);
      if (len < 0xFFFFFFFFu) {
        WriteU32(uint32_t(len));
      } else {
        WriteU32(0xFFFFFFFFu);
        WriteU64(len);
      }
    }
  }
  // Code units in pieces through a local buffer, little-endian whatever the host.
  uint8_t piece[1024];
  size_t i = 0;
  while (i < units.size()) {
    size_t n = std::min(units.size() - i, sizeof piece / 2);
    for (size_t k = 0; k < n; ++k) {
      piece[2 * k] = uint8_t(units[i + k]);
      piece[2 * k + 1] = uint8_t(units[i + k] >> 8);
    }
    Write(piece, 2 * n);
    i += n;
  }
}

void CArchive::Close() {
  if (closed_) return;
  closed_ = true;
  if (IsStoring()) {
    FlushBuffer();
    stream_.Flush();
  }
}

// ---- loading

bool CArchive::Fill() {
  pos_ = 0;
  end_ = stream_.Read(buffer_.data(), BufferSize);
  return end_ > 0;
}

size_t CArchive::Read(void* data, size_t n) {
  CheckLoading();
  auto p = static_cast<uint8_t*>(data);
  size_t done = 0;
  while (done < n) {
    if (pos_ == end_) {
      size_t want = n - done;
      if (want >= BufferSize) {
        size_t got = stream_.Read(p + done, want);
        if (got == 0) break;
        done += got;
        continue;
      }
      if (!Fill()) break;
    }
    size_t k = std::min(n - done, end_ - pos_);
    std::memcpy(p + done, buffer_.data() + pos_, k);
    pos_ += k;
    done += k;
  }
  return done;
}

void CArchive::ReadExact(void* data, size_t n) {
  if (Read(data, n) != n) Fail(CArchiveException::EndOfFile);
}

template <class T>
T CArchive::ReadLe() {
  uint8_t bytes[sizeof(T)];
  if (IsLoading() && !closed_ && end_ - pos_ >= sizeof(T)) {
    std::memcpy(bytes, buffer_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
  } else {
    ReadExact(bytes, sizeof(T));
  }
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= uint64_t(bytes[i]) << (8 * i);
  return T(v);
}

uint8_t CArchive::ReadU8() { return ReadLe<uint8_t>(); }
uint16_t CArchive::ReadU16() { return ReadLe<uint16_t>(); }
uint32_t CArchive::ReadU32() { return ReadLe<uint32_t>(); }
uint64_t CArchive::ReadU64() { return ReadLe<uint64_t>(); }

int64_t CArchive::ReadTime() {
  uint32_t first = ReadU32();
  if (first == TimeMarker) return int64_t(ReadU64());
  return int64_t(int32_t(first));  // an older 32-bit time
}

uint32_t CArchive::ReadCount() {
  uint16_t n = ReadU16();
  if (n != 0xFFFF) return n;
  return ReadU32();
}

uint64_t CArchive::BytesLeft() const {
  if (!IsLoading()) return 0;
  uint64_t rest = stream_.Remaining();
  if (rest == UnknownSize) return UnknownSize;
  return rest + (end_ - pos_);
}

void CArchive::RequireBytes(uint64_t n) const {
  uint64_t left = BytesLeft();
  if (left != UnknownSize && n > left) Fail(CArchiveException::EndOfFile);
}

template <class Container>
void CArchive::ReadInto(Container& out, uint64_t bytes) {
  CheckLoading();
  RequireBytes(bytes);
  out.clear();
  if (BytesLeft() != UnknownSize) {
    out.resize(size_t(bytes));
    ReadExact(out.data(), out.size());
    return;
  }
  while (out.size() < bytes) {
    size_t have = out.size();
    size_t n = size_t(std::min<uint64_t>(bytes - have, ReadChunk));
    out.resize(have + n);
    ReadExact(out.data() + have, n);
  }
}

std::vector<uint8_t> CArchive::ReadBlock(size_t n) {
  std::vector<uint8_t> out;
  ReadInto(out, n);
  return out;
}

std::string CArchive::ReadText() {
  bool wide = false;
  uint64_t len;
  uint8_t b = ReadU8();
  if (b < 0xFF) {
    len = b;
  } else {
    uint16_t w = ReadU16();
    bool done = false;
    if (w == 0xFFFE) {
      wide = true;
      b = ReadU8();
      if (b < 0xFF) {
        len = b;
        done = true;
      } else {
        w = ReadU16();  // only one marker: 0xFFFE is a length from here on
      }
    }
    if (!done) {
      if (w < 0xFFFF) {
        len = w;
      } else {
        uint32_t d = ReadU32();
        if (d < 0xFFFFFFFFu) {
          len = d;
        } else {
          uint64_t q = ReadU64();
          if (q > 0x7FFFFFFF) Fail(CArchiveException::Generic);
          len = q;
        }
      }
    }
  }
  uint64_t bytes = wide ? 2 * len : len;
  std::string_view raw;
  std::string slow;
  if (IsLoading() && !closed_ && end_ - pos_ >= bytes) {
    // The common case: the whole text is in the buffer already.
    raw = std::string_view(reinterpret_cast<const char*>(buffer_.data() + pos_), size_t(bytes));
    pos_ += size_t(bytes);
  } else {
    ReadInto(slow, bytes);
    raw = slow;
  }
  return wide ? Utf8FromUtf16Le(raw) : Utf8FromWindows1252(raw);
}

}  // namespace tx
