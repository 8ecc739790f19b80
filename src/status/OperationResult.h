#pragma once
// Result of a step of a long operation. Success is any value with bit 15 set.
#include <cstdint>

namespace tx {

enum class OperationResult : uint32_t {
  ResultNone = 0,        // nothing more to report: the status line already says what happened
  ResultFailed = 1,
  ResultCanceled = 2,
  ResultSucceeded = 0x8000,
};

constexpr bool Succeeded(OperationResult r) { return (static_cast<uint32_t>(r) & 0x8000) != 0; }

enum class PostMode { PostNew = 0, PostOpen = 1, Repost = 2 };

}  // namespace tx
