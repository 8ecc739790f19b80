#pragma once

namespace dw {

inline constexpr const char* kProductName = "Dealwright";
inline constexpr const char* kVersion = "5.22.0.0";

}  // namespace dw
