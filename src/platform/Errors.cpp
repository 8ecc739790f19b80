#include "platform/Errors.h"

#include <fmt/printf.h>

namespace tx {

const char* CException::what() const noexcept {
  try {
    what_ = Message();
  } catch (...) {
    what_.clear();
  }
  return what_.c_str();
}

std::string CFileException::Message() const {
  std::string text = GetErrorText(osError_);
  if (!path_.empty()) text = fmt::sprintf("%s\n%s", path_, text);
  return text;
}

std::string CArchiveException::Message() const {
  switch (cause_) {
    case EndOfFile: return fmt::sprintf("Attempted to access %s past its end.", path_);
    case BadSchema: return fmt::sprintf("%s contains an incorrect schema.", path_);
    default: return fmt::sprintf("An unknown error occurred while accessing %s.", path_);
  }
}

std::string CInternetException::Message() const {
  if (code_ == err::InternetExtendedError && !reply_.empty()) return reply_;
  return GetErrorText(code_);
}

}  // namespace tx
