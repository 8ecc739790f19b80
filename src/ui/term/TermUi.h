#pragma once
// The terminal's side of the program: message boxes and questions on standard error and
// standard input, the status line as lines on standard error, and Ctrl-C as the Cancel command.
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "status/StatusSink.h"
#include "status/Ui.h"

namespace tx {
struct CSetup;
}

namespace tx::term {

struct TermOptions {
  // The post-anyway answer given without asking; unset: ask, or No when nobody can be asked.
  std::optional<PostAnywayAnswer> PostAnyway;
  bool Convert = false;      // agree to convert an older setup document
  bool Import = false;       // agree to import the previous version's setup
  bool Interactive = false;  // read answers from standard input even when it is no terminal
  bool EraseHistory = false; // agree to erase the upload history
  // Files for the open-file question of Post... (the command line's FILE arguments).
  std::vector<std::string> OpenFiles;
};

class CTermUi : public IUi {
 public:
  explicit CTermUi(TermOptions options);

  MbAnswer MessageBox(const std::string& text, MbIcon icon, MbButtons buttons, int defaultButton) override;
  std::optional<std::string> AskSaveFileName(const SaveFileQuestion& question) override;
  FileDialogResult AskOpenFiles(const FileDialogRequest& request) override;
  PostAnywayAnswer AskPostAnyway(const std::string& message) override;
  IdentifyAnswer IdentifyScoreFile(CIdentifyValues& values) override;
  WirelessAnswer WirelessDatabase(CWirelessDialogModel& model) override;
  ConfirmAnswer ConfirmPosting(CConfirmModel& model) override;

  bool Interactive() const { return interactive_; }
  // Answers Confirm Posting in place of the user (command-line choices); null: ask.
  void SetConfirmOverride(std::function<ConfirmAnswer(CConfirmModel&)> answer) { confirmOverride_ = std::move(answer); }
  TermOptions& Options() { return options_; }

  // Prints a prompt and reads one answer; false at the end of input.
  bool Prompt(const std::string& prompt, std::string& answer);
  // One of the choices (first letter or whole word, any case); empty input picks the default.
  int Choose(const std::string& prompt, const std::vector<std::pair<std::string, int>>& choices, int defaultValue);

 private:
  // A fixed answer to a question the options decide, when there is one.
  std::optional<MbAnswer> OptionAnswer(const std::string& text) const;

  TermOptions options_;
  bool interactive_;
  std::function<ConfirmAnswer(CConfirmModel&)> confirmOverride_;
  std::recursive_mutex mutex_;
};

// Status texts as lines on standard error; progress only on a terminal. The first Ctrl-C runs
// the cancel handler at the next pump; a second one ends the program at once.
class CTermSink : public IStatusSink {
 public:
  CTermSink();
  ~CTermSink() override;

  void OnStatusText(StatusCode code, const std::string& text) override;
  void OnProgress(bool show, uint32_t upper, uint32_t pos) override;
  bool PumpMessages() override;
  void WaitForEvents(int timeoutMs) override;

  void SetCancelHandler(std::function<void()> handler) { onCancel_ = std::move(handler); }
  // True once Ctrl-C was pressed.
  static bool Interrupted();

 private:
  void ClearProgress();

  std::mutex mutex_;
  std::function<void()> onCancel_;
  bool progressTerminal_;
  bool progressShown_ = false;
  bool cancelDelivered_ = false;
};

// Message box texts use CR LF; the terminal wants LF.
std::string ForTerminal(const std::string& text);

}  // namespace tx::term
