#include "ui/HistoryModel.h"

#include <algorithm>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/Ui.h"
#include "web/ColScoreFile.h"

namespace tx {

namespace {

template <typename T>
int Cmp(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Formatting a time local time cannot show must not break the whole list.
std::string SafeText(const std::function<std::string()>& f) {
  try {
    return f();
  } catch (const CException&) {
    return {};
  }
}

}  // namespace

std::string FormatByteCount(uint64_t size) {
  std::string digits = std::to_string(size);
  std::string out;
  int lead = int(digits.size() % 3);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (int(i) - lead) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out + " bytes";
}

std::string HistoryFlagsText(const CScoreFile& record) {
  std::string flags;
  if (record.IsAddedByHand()) flags += 'A';
  if (record.IsGameFile()) flags += 'B';
  if (record.IsPdfUploaded()) flags += 'F';
  if (record.IsHandRecordUploaded()) flags += 'N';
  return flags;
}

const std::array<HistoryColumn, CHistoryModel::ColumnCount>& CHistoryModel::Columns() {
  static const std::array<HistoryColumn, ColumnCount> columns{{
      {"Pathname", HistoryAlign::Left, 140, true},
      {"Flags", HistoryAlign::Left, 40, false},
      {"Hand Records", HistoryAlign::Left, 140, true},
      {"Size", HistoryAlign::Right, 76, false},
      {"Modified", HistoryAlign::Left, 106, false},
      {"Destination Path", HistoryAlign::Left, 150, true},
      {"Destination Insert", HistoryAlign::Left, 25, false},
      {"Posted", HistoryAlign::Left, 105, false},
      {"Event", HistoryAlign::Left, 140, false},
      {"Session", HistoryAlign::Left, 105, false},
      {"Sec", HistoryAlign::Left, 29, false},
      {"Date", HistoryAlign::Left, 56, false},
      {"Limits", HistoryAlign::Left, 90, false},
  }};
  return columns;
}

std::string CHistoryModel::ColumnText(const CScoreFile& r, int column) {
  switch (column) {
    case 0: return r.Path;
    case 1: return HistoryFlagsText(r);
    case 2: return r.HandRecordPath;
    case 3: return FormatByteCount(r.Size);
    case 4: return SafeText([&] { return r.GetModifiedText(); });
    case 5: return r.WebPageName;
    case 6: return std::to_string(r.InsertNumber);
    case 7: return SafeText([&] { return r.GetPostedText(); });
    case 8: return r.Event;
    case 9: return SafeText([&] { return r.GetSessionDescription(); });
    case 10: return r.GetSectionCode();
    case 11: return FormatLocalTime(r.GetEffectiveDate(), "%x");
    case 12: return r.Limits;
    default: throw CInvalidArgException();
  }
}

CHistoryModel::CHistoryModel(CColScoreFile& workingCopy) : history_(workingCopy) {
  ClickHeader(PostedColumn);
}

void CHistoryModel::ClickHeader(int column) {
  if (column < 0 || column >= ColumnCount) throw CInvalidArgException();
  if (column == sortColumn_) {
    descending_ = !descending_;
  } else {
    sortColumn_ = column;
    descending_ = true;
  }
  Fill();
}

SortMark CHistoryModel::MarkOf(int column) const {
  if (column != sortColumn_) return SortMark::None;
  return descending_ ? SortMark::Up : SortMark::Down;
}

int CHistoryModel::CompareColumn(const CScoreFile& a, const CScoreFile& b) const {
  switch (sortColumn_) {
    case 3: return Cmp(a.Size, b.Size);
    case 4: return Cmp(a.Modified, b.Modified);
    case 6: return Cmp(a.InsertNumber, b.InsertNumber);
    case 7: return Cmp(a.Posted, b.Posted);
    case 9: return Cmp(a.GetSessionIndex(), b.GetSessionIndex());
    case 11: return Cmp(a.GetEffectiveDate(), b.GetEffectiveDate());
    default: {
      // Code value order, letter case counting.
      int c = ColumnText(a, sortColumn_).compare(ColumnText(b, sortColumn_));
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
  }
}

void CHistoryModel::Fill() {
  rows_.resize(history_.GetCount());
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i] = i;
  std::stable_sort(rows_.begin(), rows_.end(), [&](size_t a, size_t b) {
    int c = CompareColumn(history_.GetAt(a), history_.GetAt(b));
    return descending_ ? c > 0 : c < 0;
  });
}

size_t CHistoryModel::PositionOf(size_t row) const {
  if (row >= rows_.size()) throw CInvalidArgException();
  return rows_[row];
}

const CScoreFile& CHistoryModel::RecordAt(size_t row) const { return history_.GetAt(PositionOf(row)); }

std::string CHistoryModel::CellText(size_t row, int column) const {
  return ColumnText(RecordAt(row), column);
}

CHistoryModel::AddResult CHistoryModel::Add(Services& services, const FindNewScoreFilesFn& findNew,
                                            const ConfirmAddFn& confirm) {
  CSFPtrArray list;
  if (!findNew || findNew(list, PostMode::PostNew, history_) != OperationResult::ResultSucceeded)
    return AddResult::Failed;
  std::erase_if(list, [](const auto& r) { return !r; });
  if (list.empty()) {
    ShowMessage(services, "There are no new score files", MbIcon::Error);
    return AddResult::NoNewFiles;
  }
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return a->Modified > b->Modified; });
  if (!confirm || !confirm(list)) return AddResult::Canceled;
  int added = 0;
  for (const auto& record : list) {
    if (!record->IsSelected()) continue;
    size_t position = history_.Add(*record);
    history_.GetAt(position).SetAddedByHand(true);
    services.Log.Printf("View History: Add=[%s]", record->Path);
    ++added;
  }
  if (added == 0) return AddResult::NothingChecked;
  ++changes_;
  Fill();
  return AddResult::Added;
}

bool CHistoryModel::Remove(const std::vector<size_t>& rows) {
  lastRemoved_.clear();
  if (rows.empty()) return false;
  std::vector<size_t> positions;
  for (size_t row : rows) positions.push_back(PositionOf(row));
  std::sort(positions.begin(), positions.end());
  positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
  for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
    history_.RemoveAt(*it);
    lastRemoved_.push_back(*it);
  }
  ++changes_;
  Fill();
  return true;
}

ViewHistoryResult ViewHistory(Services& services, CColScoreFile& history,
                              const std::function<bool(CHistoryModel&)>& showDialog,
                              const std::function<bool()>& saveData) {
  CColScoreFile working;
  working.CopyFrom(history);
  CHistoryModel model(working);
  if (!showDialog || !showDialog(model)) {
    services.Log.Write("View History: Changes canceled");
    return ViewHistoryResult::Canceled;
  }
  if (model.Changes() <= 0) return ViewHistoryResult::Unchanged;
  history.CopyFrom(working);
  bool saved = !saveData || saveData();
  services.Log.Write("View History: Changes committed");
  return saved ? ViewHistoryResult::Committed : ViewHistoryResult::SaveFailed;
}

bool EraseHistory(Services& services, CColScoreFile& history, const std::function<bool()>& saveData) {
  if (services.Ui.MessageBox(EraseHistoryQuestion, MbIcon::None, MbButtons::OkCancel, 0) != MbAnswer::Ok)
    return false;
  history.RemoveAll();
  if (saveData) saveData();
  services.Log.Write("History erased\n");
  return true;
}

}  // namespace tx
