#pragma once
// Process environment access, kept here so no other module calls getenv/setenv directly.
#include <optional>
#include <string>

namespace tx {

// The variable's value, or nothing when it is not set.
std::optional<std::string> GetEnvironmentVariable(const std::string& name);
// The value, or an empty text when it is not set.
std::string GetEnvironmentText(const std::string& name);
// Not thread-safe against concurrent readers in other threads (the C library's rule).
bool SetEnvironmentVariable(const std::string& name, const std::string& value);
bool UnsetEnvironmentVariable(const std::string& name);

}  // namespace tx
