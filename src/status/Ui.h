#pragma once
// What the core asks of a front end. The desktop and the terminal front end implement IUi;
// tests use CRecordingUi. New questions are added as virtual members with a default answer,
// so a front end that does not know a question yet still builds.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tx {

class CIdentifyValues;
class CWirelessDialogModel;

// ---- score: questions about score files
// An open-file dialog. Filter is "Text|*.ext|...||"; FilterIndex is 1-based (0: the dialog's
// own default).
struct FileDialogRequest {
  std::string Title;
  std::string InitialFolder;
  std::string InitialName;
  std::string Filter;
  int FilterIndex = 0;
  std::string DefaultExtension;
  bool MultiSelect = false;
};
struct FileDialogResult {
  bool Ok = false;
  std::vector<std::string> Paths;  // full paths, in the order the user chose them
  int FilterIndex = 0;             // the filter entry in use when the dialog closed
};
// The Yes / Yes to All / No / Cancel question; values are the buttons' control ids.
enum class PostAnywayAnswer : int { Yes = 6, YesToAll = 1088, No = 7, Cancel = 2 };
// The Identify Score File dialog's endings.
enum class IdentifyAnswer : int { Ok = 1, Skip = 1088, Cancel = 2 };
// The wireless database dialog's endings.
enum class WirelessAnswer : int { TryAgain = 1, OmitData = 2 };
class CConfirmModel;
// ---- history: how the Confirm Posting dialog ended
enum class ConfirmAnswer { Ok = 1, Cancel = 2 };

enum class MbIcon { None, Error, Warning, Information, Question };
enum class MbButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MbAnswer { None, Ok, Cancel, Yes, No, Retry, Abort, Ignore };

// The buttons of a box in their order on screen, e.g. YesNoCancel -> Yes, No, Cancel.
std::vector<MbAnswer> ButtonAnswers(MbButtons buttons);
// The answer of the button at defaultButton (0 = first); the first button when out of range.
MbAnswer DefaultAnswer(MbButtons buttons, int defaultButton);
// "Ok", "Cancel", ... for logs and test messages.
const char* AnswerName(MbAnswer answer);

class IUi {
 public:
  virtual ~IUi() = default;

  // Shows text in a modal message box and returns the button pressed. defaultButton is the
  // index (0 = first) of the button that Enter presses. Called on the user-interface thread.
  virtual MbAnswer MessageBox(const std::string& text, MbIcon icon, MbButtons buttons,
                              int defaultButton) = 0;

  // ---- setup documents
  // The save-file dialog: filter as "Name (*.ext)|*.ext||", the default extension without a dot,
  // the folder it starts in and the proposed file name. The dialog warns before overwriting
  // and needs an existing folder. Returns the chosen path, or nothing for Cancel (the
  // non-interactive answer).
  struct SaveFileQuestion {
    std::string Filter;
    std::string DefaultExtension;
    std::string InitialFolder;
    std::string ProposedName;
  };
  virtual std::optional<std::string> AskSaveFileName(const SaveFileQuestion& question) {
    (void)question;
    return std::nullopt;
  }

  // ---- score
  // The system open-file dialog; the default answer is Cancel.
  virtual FileDialogResult AskOpenFiles(const FileDialogRequest& request) {
    (void)request;
    return {};
  }
  // The post-anyway question (warning, focus on No); the default answer is No.
  virtual PostAnywayAnswer AskPostAnyway(const std::string& message) {
    (void)message;
    return PostAnywayAnswer::No;
  }
  // Identify Score File: shows values, lets the user edit them; Ok only after the values pass
  // CIdentifyModel's validation. The default answer is Skip.
  virtual IdentifyAnswer IdentifyScoreFile(CIdentifyValues& values) {
    (void)values;
    return IdentifyAnswer::Skip;
  }
  // The wireless database dialog, driven through the model; the default answer is Omit Data.
  virtual WirelessAnswer WirelessDatabase(CWirelessDialogModel& model) {
    (void)model;
    return WirelessAnswer::OmitData;
  }

  // ---- history
  // The Confirm Posting dialog on an opened model: the front end shows its rows and forwards
  // the user's toggles and hand record commands to it. The default answer is OK with the files
  // as checked (which does nothing while OK is disabled).
  virtual ConfirmAnswer ConfirmPosting(CConfirmModel& model) {
    (void)model;
    return ConfirmAnswer::Ok;
  }
};

// Records every question and answers from a queue, then with the box's default button
// (or a fixed answer, when set). Thread-safe.
class CRecordingUi : public IUi {
 public:
  struct Box {
    std::string Text;
    MbIcon Icon = MbIcon::None;
    MbButtons Buttons = MbButtons::Ok;
    int DefaultButton = 0;
    MbAnswer Answer = MbAnswer::None;
  };

  MbAnswer MessageBox(const std::string& text, MbIcon icon, MbButtons buttons,
                      int defaultButton) override;

  // Answers for the next boxes, in order.
  void QueueAnswer(MbAnswer answer);
  // Answer once the queue is empty; None (the default) means the box's default button.
  void SetDefaultAnswer(MbAnswer answer);

  std::vector<Box> Boxes() const;
  size_t BoxCount() const;
  // The last box; a default Box when none was shown.
  Box LastBox() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::deque<MbAnswer> queue_;
  MbAnswer fixed_ = MbAnswer::None;
  std::vector<Box> boxes_;

  // ---- setup documents
 public:
  // Answers for the next save-file questions (nothing = Cancel); Cancel once the queue is empty.
  std::optional<std::string> AskSaveFileName(const SaveFileQuestion& question) override {
    std::lock_guard lock(saveMutex_);
    saveQuestions_.push_back(question);
    if (saveAnswers_.empty()) return std::nullopt;
    auto answer = saveAnswers_.front();
    saveAnswers_.pop_front();
    return answer;
  }
  void QueueSaveFileAnswer(std::optional<std::string> path) {
    std::lock_guard lock(saveMutex_);
    saveAnswers_.push_back(std::move(path));
  }
  std::vector<SaveFileQuestion> SaveFileQuestions() const {
    std::lock_guard lock(saveMutex_);
    return saveQuestions_;
  }

 private:
  mutable std::mutex saveMutex_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::vector<SaveFileQuestion> saveQuestions_;

 public:
  // ---- score: scripted answers; without a hook the default answer of IUi is given.
  std::function<FileDialogResult(const FileDialogRequest&)> OnAskOpenFiles;
  std::function<PostAnywayAnswer(const std::string&)> OnAskPostAnyway;
  std::function<IdentifyAnswer(CIdentifyValues&)> OnIdentifyScoreFile;
  std::function<WirelessAnswer(CWirelessDialogModel&)> OnWirelessDatabase;

  FileDialogResult AskOpenFiles(const FileDialogRequest& request) override {
    return OnAskOpenFiles ? OnAskOpenFiles(request) : IUi::AskOpenFiles(request);
  }
  PostAnywayAnswer AskPostAnyway(const std::string& message) override {
    return OnAskPostAnyway ? OnAskPostAnyway(message) : IUi::AskPostAnyway(message);
  }
  IdentifyAnswer IdentifyScoreFile(CIdentifyValues& values) override {
    return OnIdentifyScoreFile ? OnIdentifyScoreFile(values) : IUi::IdentifyScoreFile(values);
  }
  WirelessAnswer WirelessDatabase(CWirelessDialogModel& model) override {
    return OnWirelessDatabase ? OnWirelessDatabase(model) : IUi::WirelessDatabase(model);
  }

  // ---- history: scripted Confirm Posting; without a hook the default answer of IUi.
 public:
  std::function<ConfirmAnswer(CConfirmModel&)> OnConfirmPosting;
  ConfirmAnswer ConfirmPosting(CConfirmModel& model) override {
    return OnConfirmPosting ? OnConfirmPosting(model) : IUi::ConfirmPosting(model);
  }
};

}  // namespace tx
