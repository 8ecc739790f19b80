// The upload history commands: list, add by hand, remove, erase.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>

#include "scorefile/ScoreFile.h"
#include "platform/AsciiText.h"
#include "ui/ConfirmModel.h"
#include "ui/HistoryModel.h"
#include "ui/term/TermCommands.h"
#include "web/ColScoreFile.h"

namespace tx::term {

namespace {

// A column by its heading (any case, blanks optional) or its number from 1.
int FindColumn(const std::string& name) {
  auto squash = [](std::string s) {
    s = AsciiLower(s);
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s;
  };
  char* end = nullptr;
  const long n = std::strtol(name.c_str(), &end, 10);
  if (!name.empty() && *end == '\0') return n >= 1 && n <= CHistoryModel::ColumnCount ? int(n - 1) : -1;
  for (int c = 0; c < CHistoryModel::ColumnCount; ++c)
    if (squash(CHistoryModel::Columns()[size_t(c)].Heading) == squash(name)) return c;
  return -1;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void PrintHistory(const CHistoryModel& model, bool csv) {
  const auto& columns = CHistoryModel::Columns();
  if (csv) {
    std::string line = "Row";
    for (const HistoryColumn& c : columns) line += "," + CsvField(c.Heading);
    std::printf("%s\r\n", line.c_str());
    for (size_t row = 0; row < model.RowCount(); ++row) {
      line = std::to_string(row + 1);
      for (int c = 0; c < CHistoryModel::ColumnCount; ++c) line += "," + CsvField(model.CellText(row, c));
      std::printf("%s\r\n", line.c_str());
    }
    return;
  }
  // Widths from the texts, so the table lines up whatever the content.
  std::vector<size_t> width(columns.size());
  for (size_t c = 0; c < columns.size(); ++c) {
    width[c] = std::string(columns[c].Heading).size();
    for (size_t row = 0; row < model.RowCount(); ++row)
      width[c] = std::max(width[c], model.CellText(row, int(c)).size());
  }
  auto cell = [&](size_t c, const std::string& text) {
    return columns[c].Align == HistoryAlign::Right ? fmt::format("{:>{}}", text, width[c])
                                                   : fmt::format("{:<{}}", text, width[c]);
  };
  std::string head = fmt::format("{:>4} ", "Row");
  for (size_t c = 0; c < columns.size(); ++c) {
    std::string heading = columns[c].Heading;
    SortMark mark = model.MarkOf(int(c));
    if (mark != SortMark::None) heading += mark == SortMark::Up ? " ^" : " v";
    head += "  " + cell(c, heading);
  }
  std::printf("%s\n", head.c_str());
  for (size_t row = 0; row < model.RowCount(); ++row) {
    std::string line = fmt::format("{:>4} ", row + 1);
    for (size_t c = 0; c < columns.size(); ++c) line += "  " + cell(c, model.CellText(row, int(c)));
    std::printf("%s\n", line.c_str());
  }
  std::printf("%zu record%s\n", model.RowCount(), model.RowCount() == 1 ? "" : "s");
}

int ListHistory(const SessionOptions& options, const Args& args) {
  int sortColumn = -1;
  bool reverse = false, csv = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--sort" && i + 1 < args.size()) {
      sortColumn = FindColumn(args[++i]);
      if (sortColumn < 0) return UsageError("unknown history column '" + args[i] + "'");
    } else if (args[i].rfind("--sort=", 0) == 0) {
      sortColumn = FindColumn(args[i].substr(7));
      if (sortColumn < 0) return UsageError("unknown history column '" + args[i].substr(7) + "'");
    } else if (args[i] == "--reverse") {
      reverse = true;
    } else if (args[i] == "--csv") {
      csv = true;
    } else {
      return UsageError("history does not take '" + args[i] + "'");
    }
  }
  CTermSession session(options);
  if (!session.Start(false)) return ExitFailed;
  CColScoreFile copy(session.App().History());
  CHistoryModel model(copy);
  if (sortColumn >= 0 && sortColumn != model.SortColumn()) model.ClickHeader(sortColumn);
  if (reverse) model.ClickHeader(model.SortColumn());
  PrintHistory(model, csv);
  return ExitOk;
}

bool SamePath(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  const auto ca = std::filesystem::weakly_canonical(a, ec1), cb = std::filesystem::weakly_canonical(b, ec2);
  return !ec1 && !ec2 ? ca == cb : a == b;
}

int AddToHistory(const SessionOptions& options, const Args& args) {
  bool all = false;
  Args files;
  for (const std::string& a : args) {
    if (a == "--all")
      all = true;
    else if (a.rfind("--", 0) == 0)
      return UsageError("history add does not take '" + a + "'");
    else
      files.push_back(a);
  }
  CTermSession session(options);
  if (!session.Start(false)) return ExitFailed;
  CTabulonixApp& app = session.App();
  CHistoryModel::AddResult added = CHistoryModel::AddResult::Failed;
  std::vector<std::string> missing = files;
  // Named files and --all answer the Add Score Files list; otherwise it is asked.
  const bool decided = all || !files.empty();
  std::function<ConfirmAnswer(CConfirmModel&)> decide = [&](CConfirmModel& confirm) {
    for (size_t row = 0; row < confirm.RowCount(); ++row) {
      const std::string& path = confirm.Record(row).Path;
      auto it = std::find_if(missing.begin(), missing.end(), [&](const std::string& f) { return SamePath(f, path); });
      const bool named = it != missing.end();
      if (named) missing.erase(it);
      confirm.SetChecked(row, all || named);
    }
    return ConfirmAnswer::Ok;
  };
  session.Ui().SetConfirmOverride(decided ? decide : nullptr);
  auto result = app.ViewHistory([&](CHistoryModel& model) {
    added = app.AddToHistory(model);
    return added == CHistoryModel::AddResult::Added;
  });
  for (const std::string& f : missing)
    std::fprintf(stderr, "error: %s is not a new score file of the score file directory\n", f.c_str());
  if (added == CHistoryModel::AddResult::Failed || result == ViewHistoryResult::SaveFailed || !missing.empty())
    return ExitFailed;
  if (added == CHistoryModel::AddResult::Canceled) return ExitCanceled;
  return ExitOk;
}

int RemoveFromHistory(const SessionOptions& options, const Args& args) {
  if (args.empty()) return UsageError("history remove needs ROW numbers as 'history' shows them");
  std::vector<size_t> rows;
  for (const std::string& a : args) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(a.c_str(), &end, 10);
    if (a.empty() || *end != '\0' || n == 0) return UsageError("'" + a + "' is not a row number");
    rows.push_back(size_t(n - 1));
  }
  CTermSession session(options);
  if (!session.Start(false)) return ExitFailed;
  bool bad = false;
  auto result = session.App().ViewHistory([&](CHistoryModel& model) {
    for (size_t row : rows)
      if (row >= model.RowCount()) {
        std::fprintf(stderr, "error: there is no row %zu (the history has %zu)\n", row + 1, model.RowCount());
        bad = true;
        return false;
      }
    return model.Remove(rows);
  });
  if (bad || result == ViewHistoryResult::SaveFailed) return ExitFailed;
  return ExitOk;
}

}  // namespace

int RunHistory(const SessionOptions& options, const Args& args) {
  if (!args.empty() && args.front() == "add") return AddToHistory(options, Args(args.begin() + 1, args.end()));
  if (!args.empty() && args.front() == "remove")
    return RemoveFromHistory(options, Args(args.begin() + 1, args.end()));
  return ListHistory(options, args);
}

int RunEraseHistory(const SessionOptions& options, const Args& args) {
  SessionOptions opts = options;
  for (const std::string& a : args) {
    if (a == "--yes")
      opts.Term.EraseHistory = true;
    else
      return UsageError("erase-history does not take '" + a + "'");
  }
  CTermSession session(opts);
  if (!session.Start(false)) return ExitFailed;
  if (!session.Ui().Interactive() && !opts.Term.EraseHistory) {
    std::fprintf(stderr, "error: erase-history asks first; give --yes when no one can be asked\n");
    return ExitFailed;
  }
  if (session.App().History().GetCount() == 0) {
    std::fprintf(stderr, "The upload history is empty.\n");
    return ExitOk;
  }
  return session.App().EraseHistory() ? ExitOk : ExitCanceled;
}

}  // namespace tx::term
