#pragma once
// The History list over a working copy of the upload history: 13 columns, sorting by a header
// click, Add... (score files declared posted by hand) and Remove. ViewHistory runs the whole
// command: the copy, the dialog, and the commit or cancel.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "status/OperationResult.h"

namespace tx {

class CColScoreFile;
class CScoreFile;
class CSFPtrArray;
struct Services;

enum class SortMark { None, Up, Down };
enum class HistoryAlign { Left, Right };

struct HistoryColumn {
  const char* Heading;
  HistoryAlign Align;
  int Width;
  bool ShortenedPath;  // shown shortened to fit, full text in the tooltip
};

// Scans the score file directory for files newer than the cut-off and not in history.
using FindNewScoreFilesFn =
    std::function<OperationResult(CSFPtrArray& list, PostMode mode, CColScoreFile& history)>;
// Shows the Confirm dialog in Add Score Files mode; true for OK (Selected flags set).
using ConfirmAddFn = std::function<bool(CSFPtrArray& list)>;

// "12,345 bytes".
std::string FormatByteCount(uint64_t size);
// A, B, F, N for AddedByHand, GameFile, PdfUploaded, HandRecordUploaded.
std::string HistoryFlagsText(const CScoreFile& record);

class CHistoryModel {
 public:
  static constexpr int ColumnCount = 13;
  static constexpr int PostedColumn = 7;
  static const std::array<HistoryColumn, ColumnCount>& Columns();

  // Sorted by "Posted", latest first.
  explicit CHistoryModel(CColScoreFile& workingCopy);

  // A header click: the same column flips the direction; another starts largest or latest
  // first. Raises CInvalidArgException for a column outside 0..12.
  void ClickHeader(int column);
  int SortColumn() const { return sortColumn_; }
  bool Descending() const { return descending_; }
  SortMark MarkOf(int column) const;

  size_t RowCount() const { return rows_.size(); }
  // Position in the working copy of the record shown in row.
  size_t PositionOf(size_t row) const;
  const CScoreFile& RecordAt(size_t row) const;
  // The full text of a cell (the list shortens columns 0, 2 and 5 itself).
  std::string CellText(size_t row, int column) const;
  static std::string ColumnText(const CScoreFile& record, int column);

  int Changes() const { return changes_; }

  enum class AddResult { Failed, NoNewFiles, Canceled, NothingChecked, Added };
  // Add...: finds the new files, lets the user check them, appends the checked ones as added
  // by hand and logs each. "There are no new score files" is shown when none was found.
  AddResult Add(Services& services, const FindNewScoreFilesFn& findNew, const ConfirmAddFn& confirm);
  // Removes the records of the given rows (highest position first). False when rows is empty.
  // Raises CInvalidArgException for a row out of range, before anything is removed.
  bool Remove(const std::vector<size_t>& rows);
  // Positions removed by the last Remove, in the order they were removed.
  const std::vector<size_t>& LastRemoved() const { return lastRemoved_; }

  CColScoreFile& WorkingCopy() { return history_; }

 private:
  void Fill();
  int CompareColumn(const CScoreFile& a, const CScoreFile& b) const;

  CColScoreFile& history_;
  int changes_ = 0;
  int sortColumn_ = -1;
  bool descending_ = false;
  std::vector<size_t> rows_;
  std::vector<size_t> lastRemoved_;
};

// The View History command: the dialog works on a copy, which replaces the application's
// history (and is saved) only on OK after a change. showDialog returns true for OK.
enum class ViewHistoryResult { Canceled, Unchanged, Committed, SaveFailed };
ViewHistoryResult ViewHistory(Services& services, CColScoreFile& history,
                              const std::function<bool(CHistoryModel&)>& showDialog,
                              const std::function<bool()>& saveData);

// Erase Upload History: asks first; on OK empties the history, saves, logs "History erased".
// True when erased.
bool EraseHistory(Services& services, CColScoreFile& history, const std::function<bool()>& saveData);
inline constexpr const char* EraseHistoryQuestion =
    "Are you sure you want to erase the Upload History?\r\n\r\n"
    "Tabulonix uses its Upload History to detect duplicate posting\r\n"
    "of result files, and similar situations.\r\n\r\n";

}  // namespace tx
