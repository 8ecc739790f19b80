#pragma once
// The 32-byte SHA-256 content digest that identifies a score file in the upload history.
#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tx {

class CArchive;

class CHash256 {
 public:
  static constexpr size_t Size = 32;

  CHash256() = default;  // all zero
  explicit CHash256(const std::array<uint8_t, Size>& bytes) : bytes_(bytes) {}

  const std::array<uint8_t, Size>& Bytes() const { return bytes_; }
  std::array<uint8_t, Size>& Bytes() { return bytes_; }
  bool IsZero() const;

  // First 4 bytes as a little-endian number: the value that places it in a hash index.
  uint32_t HashValue() const {
    return uint32_t(bytes_[0]) | uint32_t(bytes_[1]) << 8 | uint32_t(bytes_[2]) << 16 |
           uint32_t(bytes_[3]) << 24;
  }

  friend bool operator==(const CHash256&, const CHash256&) = default;
  friend auto operator<=>(const CHash256&, const CHash256&) = default;

  // 64 lower-case hex digits.
  std::string ToHex() const;
  // Reads 64 hex digits (either case); false, leaving out unchanged, for anything else.
  static bool FromHex(std::string_view hex, CHash256& out);

  // The 32 bytes with nothing around them; fewer on loading end with the end-of-file error.
  void Serialize(CArchive& ar);

 private:
  std::array<uint8_t, Size> bytes_{};
};

}  // namespace tx

template <>
struct std::hash<tx::CHash256> {
  size_t operator()(const tx::CHash256& h) const noexcept { return h.HashValue(); }
};
