#include "store/Hash256.h"

#include "platform/Errors.h"
#include "store/Archive.h"

namespace tx {

bool CHash256::IsZero() const {
  for (uint8_t b : bytes_)
    if (b) return false;
  return true;
}

std::string CHash256::ToHex() const {
  static const char digits[] = "0123456789abcdef";
  std::string out(2 * Size, '0');
  for (size_t i = 0; i < Size; ++i) {
    out[2 * i] = digits[bytes_[i] >> 4];
    out[2 * i + 1] = digits[bytes_[i] & 15];
  }
  return out;
}

bool CHash256::FromHex(std::string_view hex, CHash256& out) {
  if (hex.size() != 2 * Size) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::array<uint8_t, Size> bytes;
  for (size_t i = 0; i < Size; ++i) {
    int hi = nibble(hex[2 * i]), lo = nibble(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes[i] = uint8_t(hi << 4 | lo);
  }
  out.bytes_ = bytes;
  return true;
}

void CHash256::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.Write(bytes_.data(), Size);
  } else if (ar.Read(bytes_.data(), Size) != Size) {
    ar.Fail(CArchiveException::EndOfFile);
  }
}

}  // namespace tx
