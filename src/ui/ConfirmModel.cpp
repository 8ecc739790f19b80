#include "ui/ConfirmModel.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "status/Ui.h"

namespace tx {

namespace {

// Game file extensions in session time order.
constexpr const char* kGameExtensions[4] = {".acm", ".aca", ".ace", ".acl"};

std::string NamePart(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SessionFromExtension(const std::string& fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = AsciiLower(fileName.substr(dot));
  for (int i = 0; i < 4; ++i)
    if (ext == kGameExtensions[i]) return SessionTimeNames[i];
  return {};
}

}  // namespace

const std::array<ConfirmColumn, CConfirmModel::ColumnCount>& CConfirmModel::Columns() {
  static const std::array<ConfirmColumn, ColumnCount> columns{{
      {"Filename", ColumnAlign::Left, 100},
      {"Hand Records", ColumnAlign::Left, 100},
      {"Event", ColumnAlign::Left, 140},
      {"Session", ColumnAlign::Left, 100},
      {"Sec", ColumnAlign::Centre, 30},
      {"Date", ColumnAlign::Left, 60},
      {"Limits", ColumnAlign::Left, 60},
  }};
  return columns;
}

CConfirmModel::CConfirmModel(CSFPtrArray& records, ConfirmMode mode,
                             SelectHandRecordsFn selectHandRecords, bool autoFillHandRecords)
    : records_(records), mode_(mode), select_(std::move(selectHandRecords)),
      autoFill_(autoFillHandRecords) {}

bool CConfirmModel::Open() {
  rows_.clear();
  checked_.clear();
  selected_.clear();
  for (auto& record : records_) {
    if (!record) continue;
    if (mode_ == ConfirmMode::ConfirmPosting && record->HandRecordPath.empty() && autoFill_ &&
        select_)
      select_(*record, true);
    rows_.push_back(record.get());
    checked_.push_back(mode_ == ConfirmMode::ConfirmPosting && record->IsSelected());
    selected_.push_back(false);
  }
  return !rows_.empty();
}

std::string CConfirmModel::Title() const {
  return mode_ == ConfirmMode::AddScoreFiles ? "Add Score Files" : "Confirm Posting";
}

void CConfirmModel::CheckRow(size_t row) const {
  if (row >= rows_.size()) throw CInvalidArgException();
}

CScoreFile& CConfirmModel::Record(size_t row) const {
  CheckRow(row);
  return *rows_[row];
}

std::string CConfirmModel::CellText(size_t row, int column) const {
  const CScoreFile& r = Record(row);
  switch (column) {
    case 0:
      return r.GetFileName();
    case 1:
      if (mode_ == ConfirmMode::AddScoreFiles) return r.HandRecordPath;
      return r.HandRecordPath.empty() ? ClickHere : NamePart(r.HandRecordPath);
    case 2:
      return r.Event;
    case 3:
      return r.Session.empty() ? SessionFromExtension(r.GetFileName()) : r.Session;
    case 4:
      return r.GetSectionCode();
    case 5:
      return FormatLocalTime(r.GetEffectiveDate(), "%x");
    case 6:
      return r.Limits;
    default:
      return {};
  }
}

bool CConfirmModel::IsChecked(size_t row) const {
  CheckRow(row);
  return checked_[row];
}

void CConfirmModel::SetChecked(size_t row, bool checked) {
  CheckRow(row);
  checked_[row] = checked;
}

void CConfirmModel::CheckAll(bool checked) { std::fill(checked_.begin(), checked_.end(), checked); }

size_t CConfirmModel::CheckedCount() const {
  return size_t(std::count(checked_.begin(), checked_.end(), true));
}

CheckAllState CConfirmModel::GetCheckAllState() const {
  size_t n = CheckedCount();
  if (n == 0) return CheckAllState::Unchecked;
  return n == rows_.size() ? CheckAllState::Checked : CheckAllState::Indeterminate;
}

void CConfirmModel::ClickCheckAll() { CheckAll(GetCheckAllState() != CheckAllState::Checked); }

bool CConfirmModel::IsOkEnabled() const { return CheckedCount() > 0; }

bool CConfirmModel::IsRowSelected(size_t row) const {
  CheckRow(row);
  return selected_[row];
}

void CConfirmModel::SetRowSelected(size_t row, bool selected) {
  CheckRow(row);
  selected_[row] = selected;
}

void CConfirmModel::SelectOnly(const std::vector<size_t>& rows) {
  for (size_t row : rows) CheckRow(row);
  std::fill(selected_.begin(), selected_.end(), false);
  for (size_t row : rows) selected_[row] = true;
}

std::vector<size_t> CConfirmModel::SelectedRows() const {
  std::vector<size_t> rows;
  for (size_t i = 0; i < selected_.size(); ++i)
    if (selected_[i]) rows.push_back(i);
  return rows;
}

bool CConfirmModel::HandRecordCommandsEnabled() const {
  return mode_ == ConfirmMode::ConfirmPosting &&
         std::find(selected_.begin(), selected_.end(), true) != selected_.end();
}

bool CConfirmModel::ClickHandRecords(size_t row) {
  CheckRow(row);
  if (mode_ != ConfirmMode::ConfirmPosting || !select_) return false;
  return select_(*rows_[row], false);
}

void CConfirmModel::ClearHandRecords() {
  if (!HandRecordCommandsEnabled()) return;
  for (size_t row : SelectedRows()) rows_[row]->HandRecordPath.clear();
}

bool CConfirmModel::SelectHandRecordsForSelection() {
  if (!HandRecordCommandsEnabled() || !select_) return false;
  std::vector<size_t> rows = SelectedRows();
  CScoreFile& first = *rows_[rows.front()];
  if (!select_(first, false)) return false;
  for (size_t i = 1; i < rows.size(); ++i) rows_[rows[i]]->HandRecordPath = first.HandRecordPath;
  return true;
}

bool RunConfirmDialog(IUi& ui, CConfirmModel& model) {
  if (!model.Open()) return false;
  if (ui.ConfirmPosting(model) != ConfirmAnswer::Ok) return false;
  return model.Ok();
}

bool CConfirmModel::Ok() {
  if (!IsOkEnabled()) return false;
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i]->SetSelected(checked_[i]);
  return true;
}

}  // namespace tx
