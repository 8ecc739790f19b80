#include "ui/term/TermUi.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/AsciiText.h"
#include "platform/Terminal.h"

namespace tx::term {

namespace {

volatile std::sig_atomic_t gInterrupts = 0;

extern "C" void OnInterrupt(int) {
  if (gInterrupts > 0) std::_Exit(2);
  gInterrupts = 1;
}

const char* Prefix(MbIcon icon) {
  switch (icon) {
    case MbIcon::Error: return "error: ";
    case MbIcon::Warning: return "warning: ";
    default: return "note: ";
  }
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::string ForTerminal(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

CTermUi::CTermUi(TermOptions options)
    : options_(std::move(options)), interactive_(options_.Interactive || StdinIsTerminal()) {}

bool CTermUi::Prompt(const std::string& prompt, std::string& answer) {
  std::fprintf(stderr, "%s", prompt.c_str());
  std::fflush(stderr);
  if (!ReadStdinLine(answer)) {
    std::fputc('\n', stderr);
    return false;
  }
  return true;
}

int CTermUi::Choose(const std::string& prompt, const std::vector<std::pair<std::string, int>>& choices,
                    int defaultValue) {
  for (;;) {
    std::string line;
    if (!Prompt(prompt + " ", line) || line.empty()) return defaultValue;
    const std::string lower = AsciiLower(line);
    for (const auto& [word, value] : choices)
      if (lower == word) return value;
    for (const auto& [word, value] : choices)
      if (lower.size() == 1 && word[0] == lower[0]) return value;
    std::fprintf(stderr, "Please answer with one of the choices shown.\n");
  }
}

std::optional<MbAnswer> CTermUi::OptionAnswer(const std::string& text) const {
  if (StartsWith(text, "Import setup data from previous version?"))
    return options_.Import ? MbAnswer::Yes : (interactive_ ? std::optional<MbAnswer>() : MbAnswer::No);
  if (StartsWith(text, "Convert ") && text.find(" to the current format?") != std::string::npos)
    return options_.Convert ? MbAnswer::Ok : (interactive_ ? std::optional<MbAnswer>() : MbAnswer::Cancel);
  if (StartsWith(text, "Are you sure you want to erase the Upload History?"))
    return options_.EraseHistory ? MbAnswer::Ok : (interactive_ ? std::optional<MbAnswer>() : MbAnswer::Cancel);
  return std::nullopt;
}

MbAnswer CTermUi::MessageBox(const std::string& text, MbIcon icon, MbButtons buttons, int defaultButton) {
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "%s%s\n", Prefix(icon), ForTerminal(text).c_str());
  const std::vector<MbAnswer> answers = ButtonAnswers(buttons);
  if (answers.size() <= 1) return answers.empty() ? MbAnswer::Ok : answers.front();
  const MbAnswer fallback = DefaultAnswer(buttons, defaultButton);
  if (std::optional<MbAnswer> fixed = OptionAnswer(text)) {
    std::fprintf(stderr, "(answered %s)\n", AnswerName(*fixed));
    return *fixed;
  }
  if (!interactive_) {
    std::fprintf(stderr, "(answered %s)\n", AnswerName(fallback));
    return fallback;
  }
  std::vector<std::pair<std::string, int>> choices;
  std::string prompt;
  for (MbAnswer a : answers) {
    const std::string name = AnswerName(a);
    choices.push_back({AsciiLower(name), int(a)});
    if (!prompt.empty()) prompt += "/";
    prompt += a == fallback ? "[" + name + "]" : name;
  }
  return MbAnswer(Choose(prompt + "?", choices, int(fallback)));
}

std::optional<std::string> CTermUi::AskSaveFileName(const SaveFileQuestion& question) {
  std::lock_guard lock(mutex_);
  if (!interactive_) {
    std::fprintf(stderr, "note: the setup has no file yet; name one with --setup FILE.tsu\n");
    return std::nullopt;
  }
  std::filesystem::path proposed = std::filesystem::path(question.InitialFolder) / question.ProposedName;
  std::string answer;
  if (!Prompt("Save setup as [" + proposed.string() + "] (empty input: that name, '-' cancels): ", answer))
    return std::nullopt;
  if (answer == "-") return std::nullopt;
  std::filesystem::path chosen = answer.empty() ? proposed : std::filesystem::path(answer);
  if (!chosen.has_extension() && !question.DefaultExtension.empty()) chosen += "." + question.DefaultExtension;
  std::error_code ec;
  if (std::filesystem::exists(chosen, ec) &&
      Choose(chosen.string() + " already exists. Replace it? Yes/[No]", {{"yes", 1}, {"no", 0}}, 0) == 0)
    return std::nullopt;
  return std::filesystem::absolute(chosen, ec).string();
}

FileDialogResult CTermUi::AskOpenFiles(const FileDialogRequest& request) {
  std::lock_guard lock(mutex_);
  FileDialogResult result;
  result.FilterIndex = request.FilterIndex;
  std::error_code ec;
  if (!options_.OpenFiles.empty()) {
    // The command line's files answer the first open-file question of the run.
    for (const std::string& f : options_.OpenFiles) result.Paths.push_back(std::filesystem::absolute(f, ec).string());
    options_.OpenFiles.clear();
    result.Ok = true;
    return result;
  }
  if (!interactive_) return result;
  std::fprintf(stderr, "%s\n", request.Title.c_str());
  if (!request.InitialFolder.empty()) std::fprintf(stderr, "(folder: %s)\n", request.InitialFolder.c_str());
  for (;;) {
    std::string line;
    const char* prompt = request.MultiSelect && !result.Paths.empty() ? "Another file (empty input ends): "
                                                                       : "File (empty input cancels): ";
    if (!Prompt(prompt, line) || line.empty()) break;
    std::filesystem::path p(line);
    if (p.is_relative() && !request.InitialFolder.empty() && !std::filesystem::exists(p, ec))
      p = std::filesystem::path(request.InitialFolder) / p;
    if (!std::filesystem::is_regular_file(p, ec)) {
      std::fprintf(stderr, "%s: no such file\n", p.string().c_str());
      continue;
    }
    result.Paths.push_back(std::filesystem::absolute(p, ec).string());
    if (!request.MultiSelect) break;
  }
  result.Ok = !result.Paths.empty();
  return result;
}

PostAnywayAnswer CTermUi::AskPostAnyway(const std::string& message) {
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "warning: %s\n", ForTerminal(message).c_str());
  if (options_.PostAnyway) return *options_.PostAnyway;
  if (!interactive_) {
    std::fprintf(stderr, "(answered No; --post-anyway=yes|all|no|cancel decides)\n");
    return PostAnywayAnswer::No;
  }
  return PostAnywayAnswer(Choose("Yes/Yes to All (a)/[No]/Cancel?",
                                 {{"yes", int(PostAnywayAnswer::Yes)},
                                  {"all", int(PostAnywayAnswer::YesToAll)},
                                  {"no", int(PostAnywayAnswer::No)},
                                  {"cancel", int(PostAnywayAnswer::Cancel)}},
                                 int(PostAnywayAnswer::No)));
}

// ---- status sink

CTermSink::CTermSink() : progressTerminal_(StderrIsTerminal()) { std::signal(SIGINT, OnInterrupt); }

CTermSink::~CTermSink() {
  std::signal(SIGINT, SIG_DFL);
  ClearProgress();
}

bool CTermSink::Interrupted() { return gInterrupts != 0; }

void CTermSink::ClearProgress() {
  if (!progressShown_) return;
  std::fputs("\r\033[K", stderr);
  progressShown_ = false;
}

void CTermSink::OnStatusText(StatusCode code, const std::string& text) {
  if (code != StatusCode::StatusLine || text.empty()) return;
  std::lock_guard lock(mutex_);
  ClearProgress();
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void CTermSink::OnProgress(bool show, uint32_t upper, uint32_t pos) {
  if (!progressTerminal_) return;
  std::lock_guard lock(mutex_);
  if (!show) {
    ClearProgress();
    return;
  }
  unsigned percent = upper ? unsigned(uint64_t(pos) * 100 / upper) : 0;
  if (percent > 100) percent = 100;
  std::string bar(percent / 5, '#');
  bar.resize(20, ' ');
  std::fprintf(stderr, "\r[%s] %3u%%", bar.c_str(), percent);
  std::fflush(stderr);
  progressShown_ = true;
}

bool CTermSink::PumpMessages() {
  if (gInterrupts && !cancelDelivered_) {
    cancelDelivered_ = true;
    if (onCancel_) onCancel_();
  }
  return false;
}

void CTermSink::WaitForEvents(int timeoutMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs > 20 ? 20 : timeoutMs));
}

}  // namespace tx::term
