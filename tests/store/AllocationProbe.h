#pragma once
// Records the largest single allocation made while a probe is alive (this thread's view is
// enough: the tests that use it are single-threaded).
#include <cstddef>

namespace tx {

class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  size_t Largest() const;
};

}  // namespace tx
