#include "status/StatusSink.h"

#include <chrono>
#include <thread>

namespace tx {

void IStatusSink::WaitForEvents(int timeoutMs) {
  if (timeoutMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
}

void CRecordingSink::OnStatusText(StatusCode code, const std::string& text) {
  std::lock_guard lock(mutex_);
  texts_.push_back({code, text});
}

void CRecordingSink::OnProgress(bool show, uint32_t upper, uint32_t pos) {
  std::lock_guard lock(mutex_);
  progress_.push_back({show, upper, pos});
}

bool CRecordingSink::PumpMessages() {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    ++pumps_;
    hook = hook_;
  }
  if (hook) hook();
  std::lock_guard lock(mutex_);
  if (quitOn_ > 0 && pumps_ >= quitOn_) {
    quitOn_ = 0;
    quitPosted_ = true;  // the quit is posted again for the main loop
    return true;
  }
  return false;
}

void CRecordingSink::WaitForEvents(int timeoutMs) {
  // Nothing arrives in a test: a short nap keeps waits from spinning.
  std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs > 0 ? std::min(timeoutMs, 5) : 0));
}

void CRecordingSink::RefreshCommands() {
  std::lock_guard lock(mutex_);
  ++refreshes_;
}

void CRecordingSink::QuitOnPump(int pumpNumber) {
  std::lock_guard lock(mutex_);
  quitOn_ = pumpNumber > 0 ? pumps_ + pumpNumber : 0;
}

void CRecordingSink::SetPumpHook(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<CRecordingSink::Text> CRecordingSink::Texts() const {
  std::lock_guard lock(mutex_);
  return texts_;
}

std::vector<std::string> CRecordingSink::TextsFor(StatusCode code) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const Text& t : texts_)
    if (t.Code == code) out.push_back(t.Value);
  return out;
}

std::string CRecordingSink::LastText(StatusCode code) const {
  std::lock_guard lock(mutex_);
  for (auto it = texts_.rbegin(); it != texts_.rend(); ++it)
    if (it->Code == code) return it->Value;
  return {};
}

std::vector<CRecordingSink::Progress> CRecordingSink::ProgressCalls() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

int CRecordingSink::PumpCount() const {
  std::lock_guard lock(mutex_);
  return pumps_;
}

int CRecordingSink::RefreshCount() const {
  std::lock_guard lock(mutex_);
  return refreshes_;
}

bool CRecordingSink::QuitPosted() const {
  std::lock_guard lock(mutex_);
  return quitPosted_;
}

void CRecordingSink::Clear() {
  std::lock_guard lock(mutex_);
  texts_.clear();
  progress_.clear();
  pumps_ = refreshes_ = quitOn_ = 0;
  quitPosted_ = false;
}

}  // namespace tx
