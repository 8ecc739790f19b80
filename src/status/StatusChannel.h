#pragma once
// The one channel through which long operations report progress and learn of a cancel: the
// busy state, the cancel flag, status texts and progress, and the message pumping that keeps
// the window responsive while an operation runs on the user-interface thread.
//
// The channel is made on the user-interface thread (or told which thread that is). Every
// member may be called from any thread; pumping happens only on the user-interface thread and
// is a no-op elsewhere (a worker has no events of its own). Sink calls from workers reach the
// sink directly, which is therefore thread-safe (see StatusSink.h).
#include <atomic>
#include <cstdint>
#include <fmt/printf.h>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "status/StatusSink.h"

namespace tx {

enum class OperationState : int { Idle = 0, Busy = 1, Canceling = 2 };

class CWorkerThread;

class CStatusChannel {
 public:
  static constexpr const char* CanceledText = "Canceled";

  // The sink may be null until the main window exists; it must outlive its use here.
  explicit CStatusChannel(IStatusSink* sink = nullptr);
  CStatusChannel(const CStatusChannel&) = delete;
  CStatusChannel& operator=(const CStatusChannel&) = delete;

  // Attaches the main window (null detaches it).
  void SetSink(IStatusSink* sink);
  bool HasWindow() const;
  // Marks the calling thread as the user-interface thread.
  void SetUiThread();
  bool OnUiThread() const;

  // Shows text in the target of code (0..3; higher codes show nothing), then answers whether
  // the operation may go on (true) or a cancel is pending (false). With a cancel pending the
  // status line shows "Canceled" instead, whatever was sent.
  bool SendStatus(std::string_view text, StatusCode code = StatusCode::StatusLine);
  bool SendStatus(std::string_view text, int code) { return SendStatus(text, StatusCode(code)); }
  // Formats with printf rules and sends with code 2.
  template <typename... Args>
  bool StatusPrintf(std::string_view format, const Args&... args) {
    std::string text;
    try {
      text = fmt::sprintf(format, args...);
    } catch (const std::exception&) {
      text = std::string(format);
    }
    return SendStatus(text, StatusCode::StatusLine);
  }
  // Sends text with code 3.
  bool ShowAddress(std::string_view text) { return SendStatus(text, StatusCode::Address); }
  // Shows the progress bar at pos of 0..upper; false when a cancel is pending.
  bool SendProgress(uint32_t upper, uint32_t pos);
  // Hides the progress bar; false when a cancel is pending.
  bool HideProgress();

  // Enters (true) or leaves (false) a long operation; nested calls count, and leaving more
  // often than entering keeps the count at 0.
  void SetBusy(bool busy);
  int BusyCount() const;

  // Dispatches the user-interface thread's waiting events. A quit met there sets Canceling.
  void PumpMessages();
  OperationState GetOperationState(bool pump);
  // True while no cancel is pending.
  bool IsNotCanceled(bool pump);
  // The Cancel command: Busy -> Canceling. False when no operation is busy (or already
  // canceling). Safe from any thread.
  bool RequestCancel();
  // True once a quit request was met while pumping.
  bool QuitRequested() const { return quit_.load(); }

  // The text last shown in the status line (or "Canceled"); nothing without a main window.
  std::optional<std::string> LastStatusText() const;

  // Waits, pumping events, until done() is true. When a cancel is met while waiting, keeps
  // pumping until done() is true: the worker is expected to see the cancel and end by itself.
  // Returns true when it ended without a cancel pending.
  bool WaitUntil(const std::function<bool()>& done, int pollMs = 20);
  // The same for a worker thread; returns the worker's exit code.
  uint32_t WaitForThread(CWorkerThread& worker);

 private:
  mutable std::mutex mutex_;  // guards sink_, lastStatus_, busyCount_
  IStatusSink* sink_ = nullptr;
  std::string lastStatus_;
  int busyCount_ = 0;
  std::atomic<int> state_{int(OperationState::Idle)};
  std::atomic<bool> quit_{false};
  std::atomic<std::thread::id> uiThread_;
};

// A worker thread with an exit code and a completion flag that can be tested without waiting,
// as WaitForThread needs. Joins on destruction.
class CWorkerThread {
 public:
  CWorkerThread() = default;
  explicit CWorkerThread(std::function<uint32_t()> body) { Start(std::move(body)); }
  ~CWorkerThread();
  CWorkerThread(const CWorkerThread&) = delete;
  CWorkerThread& operator=(const CWorkerThread&) = delete;

  void Start(std::function<uint32_t()> body);
  bool Started() const { return thread_.joinable() || finished_.load(); }
  bool Finished() const { return finished_.load(); }
  // Joins and returns the exit code (0 when never started). An exception escaping the body
  // gives exit code 1.
  uint32_t Join();

 private:
  std::thread thread_;
  std::atomic<bool> finished_{false};
  uint32_t exitCode_ = 0;
};

}  // namespace tx
