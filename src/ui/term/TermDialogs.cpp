// The dialogs that need more than one answer, on the terminal: Confirm Posting, Identify Score
// File and the wireless database question. Without a terminal they give the dialogs' own
// non-interactive answers.
#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>
#include <sstream>

#include "platform/LocalTime.h"
#include "scorefile/IdentifyValues.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/WirelessDialog.h"
#include "ui/ConfirmModel.h"
#include "ui/IdentifyModel.h"
#include "ui/term/TermUi.h"

namespace tx::term {

namespace {

void PrintConfirmRows(const CConfirmModel& model) {
  std::fprintf(stderr, "%s\n", model.Title().c_str());
  std::string head = "  #  ";
  for (const ConfirmColumn& c : CConfirmModel::Columns()) head += fmt::format("{:<{}} ", c.Heading, c.Width / 8 + 1);
  std::fprintf(stderr, "%s\n", head.c_str());
  for (size_t row = 0; row < model.RowCount(); ++row) {
    std::string line = fmt::format("{:3}{} ", row + 1, model.IsChecked(row) ? "*" : " ");
    for (int col = 0; col < CConfirmModel::ColumnCount; ++col)
      line += fmt::format("{:<{}} ", model.CellText(row, col), CConfirmModel::Columns()[size_t(col)].Width / 8 + 1);
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

// Row numbers as typed ("1 3 4"), 0-based; false for anything else.
bool ParseRows(std::istringstream& in, size_t count, std::vector<size_t>& rows) {
  std::string word;
  while (in >> word) {
    char* end = nullptr;
    unsigned long n = std::strtoul(word.c_str(), &end, 10);
    if (*end != '\0' || n < 1 || n > count) return false;
    rows.push_back(size_t(n - 1));
  }
  return !rows.empty();
}

}  // namespace

ConfirmAnswer CTermUi::ConfirmPosting(CConfirmModel& model) {
  std::lock_guard lock(mutex_);
  if (confirmOverride_) return confirmOverride_(model);
  if (!interactive_) {
    PrintConfirmRows(model);
    std::fprintf(stderr, "(answered OK with the files as checked)\n");
    return ConfirmAnswer::Ok;
  }
  const bool handRecords = model.Mode() == ConfirmMode::ConfirmPosting;
  for (;;) {
    PrintConfirmRows(model);
    std::fprintf(stderr,
                 "Type row numbers to check or uncheck them, 'all', 'none'%s, then 'ok' or 'cancel'.\n",
                 handRecords ? ", 'hand ROW...' to choose hand records, 'clear ROW...' to clear them" : "");
    std::string line;
    if (!Prompt(model.IsOkEnabled() ? "[ok]> " : "> ", line)) return ConfirmAnswer::Cancel;
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word.empty() || word == "ok") {
      if (model.IsOkEnabled()) return ConfirmAnswer::Ok;
      std::fprintf(stderr, "Check at least one file first, or cancel.\n");
    } else if (word == "cancel" || word == "q") {
      return ConfirmAnswer::Cancel;
    } else if (word == "all" || word == "none") {
      model.CheckAll(word == "all");
    } else if (handRecords && (word == "hand" || word == "clear")) {
      std::vector<size_t> rows;
      if (!ParseRows(in, model.RowCount(), rows)) {
        std::fprintf(stderr, "Name the rows by their numbers.\n");
        continue;
      }
      model.SelectOnly(rows);
      if (word == "clear")
        model.ClearHandRecords();
      else
        model.SelectHandRecordsForSelection();
    } else {
      std::istringstream again(line);
      std::vector<size_t> rows;
      if (!ParseRows(again, model.RowCount(), rows)) {
        std::fprintf(stderr, "Unknown answer '%s'.\n", line.c_str());
        continue;
      }
      for (size_t row : rows) model.SetChecked(row, !model.IsChecked(row));
    }
  }
}

IdentifyAnswer CTermUi::IdentifyScoreFile(CIdentifyValues& values) {
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "Identify Score File: %s\n", values.FileName.c_str());
  if (!interactive_) {
    std::fprintf(stderr, "(answered Skip)\n");
    return IdentifyAnswer::Skip;
  }
  std::fprintf(stderr, "%s\n", CIdentifyModel::IntroText);
  CIdentifyModel model(values);
  for (;;) {
    std::string answer;
    auto ask = [&](const std::string& label, std::string& field) {
      if (!Prompt(label + " [" + field + "]: ", answer)) return false;
      if (!answer.empty()) field = answer == "-" ? std::string() : answer;
      return true;
    };
    std::string date = FormatLocalTime(values.SessionDate, "%Y-%m-%d");
    std::string session = values.SessionIndex >= 0 && values.SessionIndex < 4
                              ? CIdentifyModel::SessionTimeItems[values.SessionIndex]
                              : "";
    if (!ask("Event", values.Event) || !ask("Session date (YYYY-MM-DD)", date) ||
        !ask("Session time (Morning, Afternoon, Evening, Late)", session) ||
        !ask("Limit (n: no limit, nlm: non-life-master)", values.Limit) || !ask("Section", values.Section))
      return IdentifyAnswer::Cancel;
    int y = 0, m = 0, d = 0;
    int64_t t = 0;
    if (std::sscanf(date.c_str(), "%d-%d-%d", &y, &m, &d) == 3 && MakeLocalTime(y, m, d, 0, 0, 0, t))
      values.SessionDate = t;
    else
      std::fprintf(stderr, "'%s' is not a date; the date stays %s.\n", date.c_str(),
                   FormatLocalTime(values.SessionDate, "%Y-%m-%d").c_str());
    values.SessionIndex = -1;
    for (int i = 0; i < 4; ++i)
      if (!session.empty() && std::string(CIdentifyModel::SessionTimeItems[i]).rfind(session, 0) == 0)
        values.SessionIndex = i;
    int choice = Choose("[OK]/Skip/Cancel/View file/Edit again?",
                        {{"ok", 1}, {"skip", 2}, {"cancel", 3}, {"view", 4}, {"edit", 5}}, 1);
    if (choice == 2) return IdentifyAnswer::Skip;
    if (choice == 3) return IdentifyAnswer::Cancel;
    if (choice == 4) {
      std::optional<std::string> text = model.ContentsText();
      std::fprintf(stderr, "%s\n", text ? ForTerminal(*text).c_str() : "(the file's contents are not loaded)");
      continue;
    }
    if (choice == 5) continue;
    if (std::optional<CIdentifyModel::Failure> failure = model.Validate()) {
      std::fprintf(stderr, "error: %s\n", ForTerminal(failure->Message).c_str());
      continue;
    }
    return IdentifyAnswer::Ok;
  }
}

WirelessAnswer CTermUi::WirelessDatabase(CWirelessDialogModel& model) {
  std::lock_guard lock(mutex_);
  std::fprintf(stderr, "%s%s\n%s\n", model.IsWarning() ? "warning: " : "error: ", ForTerminal(model.Message).c_str(),
               model.Path.c_str());
  if (!interactive_) {
    std::fprintf(stderr, "(answered Omit Data)\n");
    return WirelessAnswer::OmitData;
  }
  for (;;) {
    int choice = Choose("Try again with another file (t)/[Omit data]/Do not show this message again (d)?",
                        {{"try", 1}, {"omit", 2}, {"do", 3}}, 2);
    if (choice == 2) return WirelessAnswer::OmitData;
    if (choice == 3) {
      model.ClickDoNotShow();
      std::fprintf(stderr, "This message will not be shown again.\n");
      return WirelessAnswer::OmitData;
    }
    std::string path;
    if (!Prompt("Database file [" + model.Path + "]: ", path)) return WirelessAnswer::OmitData;
    model.TryAgain(path.empty() ? model.Path : path);
    return WirelessAnswer::TryAgain;
  }
}

}  // namespace tx::term
