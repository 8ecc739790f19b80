#pragma once
// Blowfish block cipher (16 rounds, tables from the hexadecimal digits of pi). Only the legacy
// password blocks use it, so it offers ECB over whole 8-byte blocks and nothing more.
#include <cstddef>
#include <cstdint>
#include <span>

namespace tx {

class CBlowfish {
 public:
  // Key bytes are taken four at a time, the first as the most significant byte, cycling from
  // the key's start for the 18 P-array words (so at most 72 bytes take part).
  explicit CBlowfish(std::span<const uint8_t> key);
  ~CBlowfish();  // wipes the working state
  CBlowfish(const CBlowfish&) = delete;
  CBlowfish& operator=(const CBlowfish&) = delete;

  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

  // ECB over data (a multiple of 8 bytes) in place; each block is two halves read
  // little-endian, the first four bytes the left half. False when the size is wrong.
  bool EncryptEcb(std::span<uint8_t> data) const;
  bool DecryptEcb(std::span<uint8_t> data) const;

  // Overwrites the P-array and S-boxes with zeros.
  void Wipe();

 private:
  uint32_t F(uint32_t x) const;

  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace tx
