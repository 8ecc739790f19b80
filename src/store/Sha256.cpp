#include "store/Sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TX_SHA_X86 1
#endif

namespace tx {
namespace {

alignas(16) constexpr uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t Initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint32_t LoadBe(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// One round; the eight working variables are renamed by the caller instead of shifted.
#define TX_ROUND(a, b, c, d, e, f, g, h, i, w)                                           \
  do {                                                                                   \
    uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + \
                  K[i] + (w);                                                            \
    uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c)); \
    d += t1;                                                                             \
    h = t1 + t2;                                                                         \
  } while (0)

#define TX_EIGHT(i, W)                      \
  TX_ROUND(a, b, c, d, e, f, g, h, i + 0, W(i + 0)); \
  TX_ROUND(h, a, b, c, d, e, f, g, i + 1, W(i + 1)); \
  TX_ROUND(g, h, a, b, c, d, e, f, i + 2, W(i + 2)); \
  TX_ROUND(f, g, h, a, b, c, d, e, i + 3, W(i + 3)); \
  TX_ROUND(e, f, g, h, a, b, c, d, i + 4, W(i + 4)); \
  TX_ROUND(d, e, f, g, h, a, b, c, i + 5, W(i + 5)); \
  TX_ROUND(c, d, e, f, g, h, a, b, i + 6, W(i + 6)); \
  TX_ROUND(b, c, d, e, f, g, h, a, i + 7, W(i + 7))

void CompressPortable(uint32_t state[8], const uint8_t* data, size_t blocks) {
  for (; blocks; --blocks, data += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBe(data + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
#define TX_W0(i) w[i]
    TX_EIGHT(0, TX_W0);
    TX_EIGHT(8, TX_W0);
    // Later message words in a ring of 16, computed as they are needed.
#define TX_WN(i)                                                                       \
  (w[(i) & 15] += (Rotr(w[((i) - 2) & 15], 17) ^ Rotr(w[((i) - 2) & 15], 19) ^         \
                   (w[((i) - 2) & 15] >> 10)) +                                         \
                  w[((i) - 7) & 15] +                                                   \
                  (Rotr(w[((i) - 15) & 15], 7) ^ Rotr(w[((i) - 15) & 15], 18) ^         \
                   (w[((i) - 15) & 15] >> 3)))
    TX_EIGHT(16, TX_WN);
    TX_EIGHT(24, TX_WN);
    TX_EIGHT(32, TX_WN);
    TX_EIGHT(40, TX_WN);
    TX_EIGHT(48, TX_WN);
    TX_EIGHT(56, TX_WN);
#undef TX_W0
#undef TX_WN
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef TX_SHA_X86
__attribute__((target("sha,sse4.1,ssse3"))) void CompressShaNi(uint32_t state[8],
                                                                const uint8_t* data,
                                                                size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  // The instructions keep the state as ABEF and CDGH.
  __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);
  __m128i state1 = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);
  __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);
  state1 = _mm_blend_epi16(state1, tmp, 0xF0);

  for (; blocks; --blocks, data += 64) {
    const __m128i abefSave = state0, cdghSave = state1;
    __m128i m[4];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
      if (i < 4)
        m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * i)), byteSwap);
      __m128i msg = _mm_add_epi32(m[i & 3], _mm_load_si128(reinterpret_cast<const __m128i*>(K + 4 * i)));
      state1 = _mm_sha256rnds2_epu32(state1, state0, msg);
      if (i >= 3 && i < 15) {
        __m128i& next = m[(i + 1) & 3];
        next = _mm_add_epi32(next, _mm_alignr_epi8(m[i & 3], m[(i + 3) & 3], 4));
        next = _mm_sha256msg2_epu32(next, m[i & 3]);
      }
      state0 = _mm_sha256rnds2_epu32(state0, state1, _mm_shuffle_epi32(msg, 0x0E));
      if (i >= 1 && i < 13) m[(i + 3) & 3] = _mm_sha256msg1_epu32(m[(i + 3) & 3], m[i & 3]);
    }
    state0 = _mm_add_epi32(state0, abefSave);
    state1 = _mm_add_epi32(state1, cdghSave);
  }

  tmp = _mm_shuffle_epi32(state0, 0x1B);
  state1 = _mm_shuffle_epi32(state1, 0xB1);
  state0 = _mm_blend_epi16(tmp, state1, 0xF0);
  state1 = _mm_alignr_epi8(state1, tmp, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), state0);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), state1);
}

bool DetectShaNi() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  bool ssse3 = c & (1u << 9), sse41 = c & (1u << 19);
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  bool sha = b & (1u << 29);
  return ssse3 && sse41 && sha;
}
#endif

}  // namespace

bool CSha256::HardwareAvailable() {
#ifdef TX_SHA_X86
  static const bool available = DetectShaNi();
  return available;
#else
  return false;
#endif
}

CSha256::CSha256(Engine engine) {
  hardware_ = engine != Engine::Portable && HardwareAvailable();
  Reset();
}

void CSha256::Reset() {
  std::memcpy(state_, Initial, sizeof state_);
  pendingSize_ = 0;
  totalBytes_ = 0;
}

void CSha256::Compress(const uint8_t* blocks, size_t count) {
#ifdef TX_SHA_X86
  if (hardware_) {
    CompressShaNi(state_, blocks, count);
    return;
  }
#endif
  CompressPortable(state_, blocks, count);
}

void CSha256::Update(const void* data, size_t n) {
  auto p = static_cast<const uint8_t*>(data);
  totalBytes_ += n;
  if (pendingSize_) {
    size_t take = std::min(n, sizeof pending_ - pendingSize_);
    std::memcpy(pending_ + pendingSize_, p, take);
    pendingSize_ += take;
    p += take;
    n -= take;
    if (pendingSize_ < sizeof pending_) return;
    Compress(pending_, 1);
    pendingSize_ = 0;
  }
  if (n >= 64) {
    Compress(p, n / 64);
    p += n & ~size_t(63);
    n &= 63;
  }
  if (n) {
    std::memcpy(pending_, p, n);
    pendingSize_ = n;
  }
}

CHash256 CSha256::Final() {
  uint64_t bits = totalBytes_ * 8;
  uint8_t tail[128] = {};
  size_t n = pendingSize_;
  std::memcpy(tail, pending_, n);
  tail[n++] = 0x80;
  size_t total = n + 8 <= 64 ? 64 : 128;
  for (int i = 0; i < 8; ++i) tail[total - 1 - i] = uint8_t(bits >> (8 * i));
  Compress(tail, total / 64);
  CHash256 out;
  for (int i = 0; i < 8; ++i) {
    out.Bytes()[4 * i] = uint8_t(state_[i] >> 24);
    out.Bytes()[4 * i + 1] = uint8_t(state_[i] >> 16);
    out.Bytes()[4 * i + 2] = uint8_t(state_[i] >> 8);
    out.Bytes()[4 * i + 3] = uint8_t(state_[i]);
  }
  Reset();
  return out;
}

CHash256 CSha256::Digest(std::string_view bytes) {
  CSha256 sha;
  sha.Update(bytes);
  return sha.Final();
}

}  // namespace tx
