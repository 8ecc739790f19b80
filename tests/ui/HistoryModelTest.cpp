#include "ui/HistoryModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "scorefile/ScoreFile.h"
#include "TestEnv.h"
#include "ui/ConfirmModel.h"
#include "web/ColScoreFile.h"

namespace tx {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

CScoreFile Record(const std::string& name, uint64_t size, int64_t posted) {
  CScoreFile r;
  r.Path = "C:\\ACBLSCOR\\GAMEFILE\\" + name;
  r.Size = size;
  r.Posted = posted;
  r.Modified = posted - 100;
  r.Hash.Bytes()[0] = uint8_t(size);
  r.Hash.Bytes()[1] = uint8_t(size >> 8);
  return r;
}

std::vector<std::string> Column(const CHistoryModel& model, int column) {
  std::vector<std::string> texts;
  for (size_t i = 0; i < model.RowCount(); ++i) texts.push_back(model.CellText(i, column));
  return texts;
}

TEST(HistoryModel, TextsOfSizeAndFlags) {
  EXPECT_EQ(FormatByteCount(1234567), "1,234,567 bytes");
  EXPECT_EQ(FormatByteCount(999), "999 bytes");
  EXPECT_EQ(FormatByteCount(12345), "12,345 bytes");
  EXPECT_EQ(FormatByteCount(0), "0 bytes");
  CScoreFile r;
  r.SetAddedByHand(true);
  r.SetPdfUploaded(true);
  EXPECT_EQ(HistoryFlagsText(r), "AF");
  r.Flags |= CScoreFile::GameFile;
  r.SetHandRecordUploaded(true);
  EXPECT_EQ(HistoryFlagsText(r), "ABFN");
  // Never posted: empty Posted and Destination texts.
  CScoreFile byHand = Record("a.txt", 5, 0);
  EXPECT_EQ(CHistoryModel::ColumnText(byHand, 7), "");
  EXPECT_EQ(CHistoryModel::ColumnText(byHand, 5), "");
  EXPECT_EQ(CHistoryModel::ColumnText(byHand, 6), "0");
}

TEST(HistoryModel, SortRule) {
  CColScoreFile history;
  history.Add(Record("b.txt", 300, 1000));
  history.Add(Record("a.txt", 100, 3000));
  history.Add(Record("c.txt", 200, 2000));
  CHistoryModel model(history);
  // Opened latest posting first.
  EXPECT_EQ(model.SortColumn(), 7);
  EXPECT_EQ(model.MarkOf(7), SortMark::Up);
  EXPECT_THAT(Column(model, 0)[0], ::testing::EndsWith("a.txt"));

  model.ClickHeader(3);
  EXPECT_THAT(Column(model, 3), ElementsAre("300 bytes", "200 bytes", "100 bytes"));
  EXPECT_EQ(model.MarkOf(3), SortMark::Up);
  EXPECT_EQ(model.MarkOf(7), SortMark::None);
  model.ClickHeader(3);
  EXPECT_THAT(Column(model, 3), ElementsAre("100 bytes", "200 bytes", "300 bytes"));
  EXPECT_EQ(model.MarkOf(3), SortMark::Down);
  model.ClickHeader(7);
  EXPECT_TRUE(model.Descending());
  EXPECT_THAT(Column(model, 3), ElementsAre("100 bytes", "200 bytes", "300 bytes"));
  model.ClickHeader(0);  // text order
  EXPECT_THAT(Column(model, 3), ElementsAre("200 bytes", "300 bytes", "100 bytes"));
  EXPECT_THROW(model.ClickHeader(13), CInvalidArgException);
}

TEST(HistoryModel, RemoveHighestPositionFirst) {
  CColScoreFile history;
  for (int i = 0; i < 9; ++i) history.Add(Record("f" + std::to_string(i) + ".txt", 100 + i, 1000 + i));
  CHistoryModel model(history);
  // Latest first: row r shows position 8 - r.
  std::vector<size_t> rows;
  for (size_t position : {2u, 7u, 4u})
    for (size_t row = 0; row < model.RowCount(); ++row)
      if (model.PositionOf(row) == position) rows.push_back(row);
  ASSERT_TRUE(model.Remove(rows));
  EXPECT_THAT(model.LastRemoved(), ElementsAre(7u, 4u, 2u));
  EXPECT_EQ(model.Changes(), 1);
  ASSERT_EQ(history.GetCount(), 6u);
  std::vector<std::string> left;
  for (size_t i = 0; i < history.GetCount(); ++i) left.push_back(history.GetAt(i).GetFileName());
  EXPECT_THAT(left, ElementsAre("f0.txt", "f1.txt", "f3.txt", "f5.txt", "f6.txt", "f8.txt"));
  EXPECT_EQ(model.RowCount(), 6u);
  EXPECT_FALSE(model.Remove({}));
  EXPECT_EQ(model.Changes(), 1);
  EXPECT_THROW(model.Remove({0, 99}), CInvalidArgException);
  EXPECT_EQ(history.GetCount(), 6u);
}

// Discovery stand-in: every file of a fixed folder whose digest the history lacks.
struct FakeDirectory {
  std::vector<CScoreFile> files;
  std::vector<CColScoreFile*> seen;
  FindNewScoreFilesFn Find() {
    return [this](CSFPtrArray& list, PostMode mode, CColScoreFile& history) {
      EXPECT_EQ(mode, PostMode::PostNew);
      seen.push_back(&history);
      for (const auto& f : files)
        if (!history.Lookup(f)) list.push_back(std::make_unique<CScoreFile>(f));
      return OperationResult::ResultSucceeded;
    };
  }
};

ConfirmAddFn CheckAllAndOk(test::TestEnv& env) {
  return [&env](CSFPtrArray& list) {
    CConfirmModel model(list, ConfirmMode::AddScoreFiles, nullptr, false);
    env.Ui.OnConfirmPosting = [](CConfirmModel& m) {
      m.ClickCheckAll();
      return ConfirmAnswer::Ok;
    };
    return RunConfirmDialog(env.Ui, model);
  };
}

TEST(HistoryModel, AddFindsAgainWhatWasRemovedFromTheWorkingCopy) {
  test::TestEnv env;
  FakeDirectory dir;
  dir.files = {Record("140105A.txt", 1000, 0), Record("140106A.txt", 2000, 0)};
  CColScoreFile history;
  history.Add(dir.files[0]);
  history.Add(dir.files[1]);
  CHistoryModel model(history);

  EXPECT_EQ(model.Add(env.Svc, dir.Find(), CheckAllAndOk(env)), CHistoryModel::AddResult::NoNewFiles);
  EXPECT_EQ(env.Ui.LastBox().Text, "There are no new score files");
  EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::Error);
  EXPECT_EQ(model.Changes(), 0);

  size_t row = model.PositionOf(0) == 0 ? 0 : 1;
  ASSERT_TRUE(model.Remove({row}));
  ASSERT_EQ(model.Add(env.Svc, dir.Find(), CheckAllAndOk(env)), CHistoryModel::AddResult::Added);
  EXPECT_EQ(dir.seen.back(), &history);
  EXPECT_EQ(model.Changes(), 2);
  ASSERT_EQ(history.GetCount(), 2u);
  const CScoreFile& added = history.GetAt(1);
  EXPECT_EQ(added.GetFileName(), "140105A.txt");
  EXPECT_TRUE(added.IsAddedByHand());
  EXPECT_THAT(env.LogLines(), Contains("View History: Add=[C:\\ACBLSCOR\\GAMEFILE\\140105A.txt]"));
}

TEST(HistoryModel, AddCanceledOrNothingCheckedChangesNothing) {
  test::TestEnv env;
  FakeDirectory dir;
  dir.files = {Record("140105A.txt", 1000, 0)};
  CColScoreFile history;
  CHistoryModel model(history);
  // The default answer presses OK, which is disabled with every row unchecked.
  auto asIs = [&env](CSFPtrArray& list) {
    CConfirmModel m(list, ConfirmMode::AddScoreFiles, nullptr, false);
    return RunConfirmDialog(env.Ui, m);
  };
  EXPECT_EQ(model.Add(env.Svc, dir.Find(), asIs), CHistoryModel::AddResult::Canceled);
  auto failing = [](CSFPtrArray&, PostMode, CColScoreFile&) { return OperationResult::ResultFailed; };
  EXPECT_EQ(model.Add(env.Svc, failing, asIs), CHistoryModel::AddResult::Failed);
  EXPECT_EQ(history.GetCount(), 0u);
  EXPECT_EQ(model.Changes(), 0);
  EXPECT_EQ(env.Ui.BoxCount(), 0u);
}

TEST(HistoryModel, ViewHistoryCommitsOnlyOnOkWithChanges) {
  test::TestEnv env;
  CColScoreFile history;
  for (int i = 0; i < 3; ++i) history.Add(Record("f" + std::to_string(i) + ".txt", 10 + i, 100 + i));
  int saves = 0;
  auto save = [&] {
    ++saves;
    return true;
  };
  auto editThen = [](bool ok) {
    return [ok](CHistoryModel& m) {
      m.Remove({0, 1});
      return ok;
    };
  };

  EXPECT_EQ(ViewHistory(env.Svc, history, editThen(false), save), ViewHistoryResult::Canceled);
  EXPECT_EQ(history.GetCount(), 3u);
  EXPECT_EQ(saves, 0);
  EXPECT_THAT(env.LogLines(), Contains("View History: Changes canceled"));

  EXPECT_EQ(ViewHistory(env.Svc, history, [](CHistoryModel&) { return true; }, save),
            ViewHistoryResult::Unchanged);
  EXPECT_EQ(saves, 0);
  EXPECT_THAT(env.LogLines(), Not(Contains("View History: Changes committed")));

  EXPECT_EQ(ViewHistory(env.Svc, history, editThen(true), save), ViewHistoryResult::Committed);
  EXPECT_EQ(history.GetCount(), 1u);
  EXPECT_EQ(history.GetAt(0).GetFileName(), "f0.txt");
  EXPECT_EQ(saves, 1);
  EXPECT_THAT(env.LogLines(), Contains("View History: Changes committed"));
}

TEST(HistoryModel, EraseHistoryAsksFirst) {
  test::TestEnv env;
  CColScoreFile history;
  history.Add(Record("a.txt", 1, 1));
  int saves = 0;
  auto save = [&] {
    ++saves;
    return true;
  };
  env.Ui.QueueAnswer(MbAnswer::Cancel);
  EXPECT_FALSE(EraseHistory(env.Svc, history, save));
  EXPECT_EQ(history.GetCount(), 1u);
  EXPECT_EQ(env.Ui.LastBox().Text, EraseHistoryQuestion);
  EXPECT_EQ(env.Ui.LastBox().Buttons, MbButtons::OkCancel);
  EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::None);

  env.Ui.QueueAnswer(MbAnswer::Ok);
  EXPECT_TRUE(EraseHistory(env.Svc, history, save));
  EXPECT_EQ(history.GetCount(), 0u);
  EXPECT_EQ(saves, 1);
  EXPECT_THAT(env.LogLines(), Contains("History erased"));
}

}  // namespace
}  // namespace tx
