#pragma once
// The main window's side of the status channel: where status texts and progress go, and how
// the user-interface thread's events are dispatched while an operation runs.
//
// Threads: OnStatusText and OnProgress are called from the user-interface thread and from
// worker threads, so an implementation must be thread-safe (a window marshals the call to its
// own thread, without waiting for it). PumpMessages, WaitForEvents and RefreshCommands are
// called on the user-interface thread only.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tx {

// Where a status text goes. Other values (above 3) show nothing but still check for a cancel.
enum class StatusCode : int {
  Main = 0,        // main pane of the status bar
  Network = 1,     // network pane of the status bar
  StatusLine = 2,  // the status line; also kept as the last status text
  Address = 3,     // the address box
};

class IStatusSink {
 public:
  virtual ~IStatusSink() = default;

  // Shows text in the target of code (only called for codes 0 to 3).
  virtual void OnStatusText(StatusCode code, const std::string& text) = 0;
  // show: set the progress bar to pos of 0..upper and show it; otherwise hide it.
  virtual void OnProgress(bool show, uint32_t upper, uint32_t pos) = 0;
  // Dispatches every event that is waiting. When it meets a request to quit, it arranges for
  // the main loop to still end the program afterwards (posts the quit again), stops and
  // returns true.
  virtual bool PumpMessages() = 0;
  // Blocks until an event arrives or timeoutMs passes (used while waiting for a worker).
  virtual void WaitForEvents(int timeoutMs);
  // The busy state changed: refresh which commands are enabled.
  virtual void RefreshCommands() {}
};

// Discards everything; never quits.
class CNullSink : public IStatusSink {
 public:
  void OnStatusText(StatusCode, const std::string&) override {}
  void OnProgress(bool, uint32_t, uint32_t) override {}
  bool PumpMessages() override { return false; }
};

// Records every call for tests. A quit can be scheduled for a later pump, and a hook can run
// inside each pump (to press Cancel "while the operation pumps"). Thread-safe.
class CRecordingSink : public IStatusSink {
 public:
  struct Text {
    StatusCode Code;
    std::string Value;
  };
  struct Progress {
    bool Show;
    uint32_t Upper, Pos;
  };

  void OnStatusText(StatusCode code, const std::string& text) override;
  void OnProgress(bool show, uint32_t upper, uint32_t pos) override;
  bool PumpMessages() override;
  void WaitForEvents(int timeoutMs) override;
  void RefreshCommands() override;

  // The pump with this number (1 = the next one) reports a quit; 0 never.
  void QuitOnPump(int pumpNumber);
  // Runs inside every pump, before the quit check.
  void SetPumpHook(std::function<void()> hook);

  std::vector<Text> Texts() const;
  // The texts sent to one target, in order.
  std::vector<std::string> TextsFor(StatusCode code) const;
  // The last text of a target; empty when none.
  std::string LastText(StatusCode code) const;
  std::vector<Progress> ProgressCalls() const;
  int PumpCount() const;
  int RefreshCount() const;
  // True when the quit has been reported and posted again (the main loop would end).
  bool QuitPosted() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Text> texts_;
  std::vector<Progress> progress_;
  std::function<void()> hook_;
  int pumps_ = 0;
  int quitOn_ = 0;
  int refreshes_ = 0;
  bool quitPosted_ = false;
};

}  // namespace tx
