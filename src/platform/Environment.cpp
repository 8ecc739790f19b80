#include "platform/Environment.h"

#include <cstdlib>

namespace tx {

std::optional<std::string> GetEnvironmentVariable(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

std::string GetEnvironmentText(const std::string& name) {
  return GetEnvironmentVariable(name).value_or(std::string());
}

bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

bool UnsetEnvironmentVariable(const std::string& name) { return ::unsetenv(name.c_str()) == 0; }

}  // namespace tx
