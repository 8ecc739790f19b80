#include "status/Ui.h"

namespace tx {

std::vector<MbAnswer> ButtonAnswers(MbButtons buttons) {
  switch (buttons) {
    case MbButtons::Ok: return {MbAnswer::Ok};
    case MbButtons::OkCancel: return {MbAnswer::Ok, MbAnswer::Cancel};
    case MbButtons::YesNo: return {MbAnswer::Yes, MbAnswer::No};
    case MbButtons::YesNoCancel: return {MbAnswer::Yes, MbAnswer::No, MbAnswer::Cancel};
    case MbButtons::RetryCancel: return {MbAnswer::Retry, MbAnswer::Cancel};
    case MbButtons::AbortRetryIgnore: return {MbAnswer::Abort, MbAnswer::Retry, MbAnswer::Ignore};
  }
  return {MbAnswer::Ok};
}

MbAnswer DefaultAnswer(MbButtons buttons, int defaultButton) {
  std::vector<MbAnswer> answers = ButtonAnswers(buttons);
  if (defaultButton < 0 || size_t(defaultButton) >= answers.size()) defaultButton = 0;
  return answers[size_t(defaultButton)];
}

const char* AnswerName(MbAnswer answer) {
  switch (answer) {
    case MbAnswer::None: return "None";
    case MbAnswer::Ok: return "Ok";
    case MbAnswer::Cancel: return "Cancel";
    case MbAnswer::Yes: return "Yes";
    case MbAnswer::No: return "No";
    case MbAnswer::Retry: return "Retry";
    case MbAnswer::Abort: return "Abort";
    case MbAnswer::Ignore: return "Ignore";
  }
  return "?";
}

MbAnswer CRecordingUi::MessageBox(const std::string& text, MbIcon icon, MbButtons buttons, int defaultButton) {
  std::lock_guard lock(mutex_);
  MbAnswer answer;
  if (!queue_.empty()) {
    answer = queue_.front();
    queue_.pop_front();
  } else if (fixed_ != MbAnswer::None) {
    answer = fixed_;
  } else {
    answer = DefaultAnswer(buttons, defaultButton);
  }
  boxes_.push_back({text, icon, buttons, defaultButton, answer});
  return answer;
}

void CRecordingUi::QueueAnswer(MbAnswer answer) {
  std::lock_guard lock(mutex_);
  queue_.push_back(answer);
}

void CRecordingUi::SetDefaultAnswer(MbAnswer answer) {
  std::lock_guard lock(mutex_);
  fixed_ = answer;
}

std::vector<CRecordingUi::Box> CRecordingUi::Boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

size_t CRecordingUi::BoxCount() const {
  std::lock_guard lock(mutex_);
  return boxes_.size();
}

CRecordingUi::Box CRecordingUi::LastBox() const {
  std::lock_guard lock(mutex_);
  return boxes_.empty() ? Box{} : boxes_.back();
}

void CRecordingUi::Clear() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
  queue_.clear();
  fixed_ = MbAnswer::None;
}

}  // namespace tx
