#include "status/StatusChannel.h"

#include <chrono>

namespace tx {

CStatusChannel::CStatusChannel(IStatusSink* sink) : sink_(sink), uiThread_(std::this_thread::get_id()) {}

void CStatusChannel::SetSink(IStatusSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = sink;
}

bool CStatusChannel::HasWindow() const {
  std::lock_guard lock(mutex_);
  return sink_ != nullptr;
}

void CStatusChannel::SetUiThread() { uiThread_.store(std::this_thread::get_id()); }

bool CStatusChannel::OnUiThread() const { return uiThread_.load() == std::this_thread::get_id(); }

bool CStatusChannel::SendStatus(std::string_view text, StatusCode code) {
  IStatusSink* sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
    if (sink && code == StatusCode::StatusLine) lastStatus_ = std::string(text);
  }
  // The sink is called without the lock: a window may pump events that come back here.
  const int c = int(code);
  if (sink && c >= 0 && c <= 3) sink->OnStatusText(code, std::string(text));
  if (IsNotCanceled(true)) return true;
  if (sink) {
    {
      std::lock_guard lock(mutex_);
      lastStatus_ = CanceledText;
    }
    sink->OnStatusText(StatusCode::StatusLine, CanceledText);
  }
  return false;
}

bool CStatusChannel::SendProgress(uint32_t upper, uint32_t pos) {
  IStatusSink* sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
  }
  if (sink) sink->OnProgress(true, upper, pos);
  return IsNotCanceled(true);
}

bool CStatusChannel::HideProgress() {
  IStatusSink* sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
  }
  if (sink) sink->OnProgress(false, 0, 0);
  return IsNotCanceled(true);
}

void CStatusChannel::SetBusy(bool busy) {
  bool changed = false;
  IStatusSink* sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
    if (busy) {
      if (busyCount_++ == 0) {
        state_.store(int(OperationState::Busy));
        changed = true;
      }
    } else if (busyCount_ > 0) {
      if (--busyCount_ == 0) {
        state_.store(int(OperationState::Idle));
        changed = true;
      }
    }
  }
  // Idle processing does not run while an operation pumps, so commands are refreshed here.
  if (changed && sink && OnUiThread()) sink->RefreshCommands();
}

int CStatusChannel::BusyCount() const {
  std::lock_guard lock(mutex_);
  return busyCount_;
}

void CStatusChannel::PumpMessages() {
  if (!OnUiThread()) return;  // a worker has no events of its own
  IStatusSink* sink;
  {
    std::lock_guard lock(mutex_);
    sink = sink_;
  }
  if (sink && sink->PumpMessages()) {
    quit_.store(true);
    state_.store(int(OperationState::Canceling));
  }
}

OperationState CStatusChannel::GetOperationState(bool pump) {
  if (pump) PumpMessages();
  return OperationState(state_.load());
}

bool CStatusChannel::IsNotCanceled(bool pump) { return GetOperationState(pump) != OperationState::Canceling; }

bool CStatusChannel::RequestCancel() {
  int expected = int(OperationState::Busy);
  return state_.compare_exchange_strong(expected, int(OperationState::Canceling));
}

std::optional<std::string> CStatusChannel::LastStatusText() const {
  std::lock_guard lock(mutex_);
  if (!sink_) return std::nullopt;
  return lastStatus_;
}

bool CStatusChannel::WaitUntil(const std::function<bool()>& done, int pollMs) {
  if (pollMs < 1) pollMs = 1;
  const auto nap = std::chrono::milliseconds(std::min(pollMs, 10));
  if (!OnUiThread()) {
    while (!done()) std::this_thread::sleep_for(nap);
    return IsNotCanceled(false);
  }
  bool canceled = false;
  while (!done()) {
    IStatusSink* sink;
    {
      std::lock_guard lock(mutex_);
      sink = sink_;
    }
    if (sink)
      sink->WaitForEvents(pollMs);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    if (done()) break;
    PumpMessages();
    if (!IsNotCanceled(false) || quit_.load()) {
      canceled = true;
      break;
    }
  }
  // After a cancel the worker learns of it from its own status calls and ends by itself;
  // the window keeps being served meanwhile.
  while (!done()) {
    PumpMessages();
    std::this_thread::sleep_for(nap);
  }
  return !canceled && IsNotCanceled(false);
}

uint32_t CStatusChannel::WaitForThread(CWorkerThread& worker) {
  if (worker.Started()) WaitUntil([&] { return worker.Finished(); });
  return worker.Join();
}

CWorkerThread::~CWorkerThread() { Join(); }

void CWorkerThread::Start(std::function<uint32_t()> body) {
  Join();
  finished_.store(false);
  exitCode_ = 0;
  thread_ = std::thread([this, body = std::move(body)] {
    uint32_t code = 1;
    try {
      code = body();
    } catch (...) {
      code = 1;
    }
    exitCode_ = code;
    finished_.store(true);
  });
}

uint32_t CWorkerThread::Join() {
  if (thread_.joinable()) thread_.join();
  return exitCode_;
}

}  // namespace tx
