#pragma once
// SHA-256 (FIPS 180-4), fed in any number of pieces. Uses the processor's SHA instructions
// when it has them, a portable implementation otherwise.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/Hash256.h"

namespace tx {

class CSha256 {
 public:
  enum class Engine { Auto, Portable, Hardware };

  // Hardware falls back to Portable on a processor without SHA instructions.
  explicit CSha256(Engine engine = Engine::Auto);

  void Reset();
  void Update(const void* data, size_t n);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The digest of everything fed since the last Reset; the computation starts over afterwards.
  CHash256 Final();

  // The engine in use.
  Engine GetEngine() const { return hardware_ ? Engine::Hardware : Engine::Portable; }
  static bool HardwareAvailable();

  static CHash256 Digest(std::string_view bytes);

 private:
  void Compress(const uint8_t* blocks, size_t count);

  uint32_t state_[8];
  uint8_t pending_[64];
  size_t pendingSize_ = 0;
  uint64_t totalBytes_ = 0;
  bool hardware_ = false;
};

}  // namespace tx
