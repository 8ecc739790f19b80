#include "platform/Version.h"

#include <cctype>

#include <fmt/printf.h>

#include "TabulonixVersion.h"

namespace tx {

std::string FormatProductVersion(ProductVersion v) {
  std::string s = fmt::sprintf("%u.%u", v.Major(), v.Minor());
  if (v.Low != 0) {
    s += fmt::sprintf(".%u", v.Build());
    if (v.Revision() != 0) s += fmt::sprintf(".%u", v.Revision());
  }
  return s;
}

bool ParseProductVersion(const std::string& text, ProductVersion& out) {
  size_t i = 0;
  while (i < text.size() && !std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == text.size()) return false;
  unsigned parts[4] = {0, 0, 0, 0};
  for (int p = 0; p < 4; ++p) {
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) break;
    unsigned long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      value = value * 10 + unsigned(text[i] - '0');
      if (value > 0xFFFF) return false;
      ++i;
    }
    parts[p] = unsigned(value);
    if (i < text.size() && text[i] == '.') ++i; else break;
  }
  out = ProductVersion::Make(parts[0], parts[1], parts[2], parts[3]);
  return true;
}

ProductVersion OwnProductVersion() {
  return ProductVersion::Make(TX_VERSION_MAJOR, TX_VERSION_MINOR, TX_VERSION_BUILD, TX_VERSION_REVISION);
}

}  // namespace tx
