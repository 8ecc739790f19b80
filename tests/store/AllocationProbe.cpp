#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_probing{false};
std::atomic<size_t> g_largest{0};

void* Allocate(size_t n) {
  if (g_probing.load(std::memory_order_relaxed)) {
    size_t prev = g_largest.load(std::memory_order_relaxed);
    while (n > prev && !g_largest.compare_exchange_weak(prev, n)) {
    }
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace tx {
AllocationProbe::AllocationProbe() {
  g_largest = 0;
  g_probing = true;
}
AllocationProbe::~AllocationProbe() { g_probing = false; }
size_t AllocationProbe::Largest() const { return g_largest; }
}  // namespace tx
