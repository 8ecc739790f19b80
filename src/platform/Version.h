#pragma once
// Product versions as two 32-bit words: high = major<<16 | minor, low = build<<16 | revision.
#include <cstdint>
#include <string>

namespace tx {

struct ProductVersion {
  uint32_t High = 0;
  uint32_t Low = 0;

  static ProductVersion Make(unsigned major, unsigned minor, unsigned build = 0, unsigned revision = 0) {
    return {(uint32_t(major) << 16) | (minor & 0xFFFF), (uint32_t(build) << 16) | (revision & 0xFFFF)};
  }
  unsigned Major() const { return High >> 16; }
  unsigned Minor() const { return High & 0xFFFF; }
  unsigned Build() const { return Low >> 16; }
  unsigned Revision() const { return Low & 0xFFFF; }
  bool IsZero() const { return High == 0 && Low == 0; }
};

// "5.21", "5.21.3", "5.21.0.7": build and revision only when the low word is not 0.
std::string FormatProductVersion(ProductVersion v);

// Parses "5.21", "5.21.3.0", "v5.21.3" (leading non-digits skipped); false when no number found.
bool ParseProductVersion(const std::string& text, ProductVersion& out);

// This program's own product version.
ProductVersion OwnProductVersion();

}  // namespace tx
