#pragma once
// The Confirm Posting list: one checkable row per score file, the "Check All" box, OK, and the
// hand record commands. A front end shows the rows and forwards the user's actions; the
// records' Selected flags change only on Ok().
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tx {

class CScoreFile;
class CSFPtrArray;
class IUi;

enum class ConfirmMode : int32_t { ConfirmPosting = 0, AddScoreFiles = 1 };
enum class CheckAllState { Unchecked, Checked, Indeterminate };
enum class ColumnAlign { Left, Centre, Right };

struct ConfirmColumn {
  const char* Heading;
  ColumnAlign Align;
  int Width;
};

// Runs the hand record choice for a record: automatic (no dialog) or interactive. True when
// the record has (or was given) a hand record file.
using SelectHandRecordsFn = std::function<bool(CScoreFile& record, bool automatic)>;

class CConfirmModel {
 public:
  static constexpr int ColumnCount = 7;
  static constexpr int HandRecordsColumn = 1;
  static const std::array<ConfirmColumn, ColumnCount>& Columns();
  static constexpr const char* ClickHere = "[click here]";

  // records stay owned by the caller and must outlive the model.
  CConfirmModel(CSFPtrArray& records, ConfirmMode mode, SelectHandRecordsFn selectHandRecords,
                bool autoFillHandRecords);

  // Fills the rows (running the automatic hand record fill in ConfirmPosting mode). False
  // when there are no records: the dialog closes at once with Cancel.
  bool Open();

  ConfirmMode Mode() const { return mode_; }
  std::string Title() const;
  size_t RowCount() const { return rows_.size(); }
  CScoreFile& Record(size_t row) const;
  std::string CellText(size_t row, int column) const;

  // ---- check boxes
  bool IsChecked(size_t row) const;
  void SetChecked(size_t row, bool checked);
  void CheckAll(bool checked);
  CheckAllState GetCheckAllState() const;
  // All checked: uncheck all; otherwise check all.
  void ClickCheckAll();
  bool IsOkEnabled() const;
  size_t CheckedCount() const;

  // ---- list selection (which rows the hand record commands act on)
  bool IsRowSelected(size_t row) const;
  void SetRowSelected(size_t row, bool selected);
  void SelectOnly(const std::vector<size_t>& rows);
  std::vector<size_t> SelectedRows() const;

  // ---- hand records (ConfirmPosting mode only; otherwise they do nothing)
  // A click on a row's Hand Records cell: the interactive choice for that record.
  bool ClickHandRecords(size_t row);
  // The context menu opens only in ConfirmPosting mode with rows selected.
  bool CanShowContextMenu() const { return HandRecordCommandsEnabled(); }
  bool HandRecordCommandsEnabled() const;
  void ClearHandRecords();
  // One file question for the first selected row; the others get the same file. False when
  // the user cancelled (no row changed) or the command is off.
  bool SelectHandRecordsForSelection();

  // ---- endings
  // Sets every record's Selected flag from its row; false (nothing changed) while OK is
  // disabled.
  bool Ok();
  // Leaves every Selected flag as it was.
  void Cancel() {}

 private:
  void CheckRow(size_t row) const;

  CSFPtrArray& records_;
  ConfirmMode mode_;
  SelectHandRecordsFn select_;
  bool autoFill_;
  std::vector<CScoreFile*> rows_;
  std::vector<bool> checked_;
  std::vector<bool> selected_;
};

// Opens the model and puts it to the front end; true when the user left with OK and the
// Selected flags were set from the rows. No records, Cancel, or OK while disabled: false.
bool RunConfirmDialog(IUi& ui, CConfirmModel& model);

}  // namespace tx
