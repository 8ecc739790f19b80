#include "ui/ConfirmModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scorefile/ScoreFile.h"
#include "TestEnv.h"

namespace tx {
namespace {

CSFPtrArray MakeRecords(std::initializer_list<bool> selected) {
  CSFPtrArray list;
  int n = 0;
  for (bool s : selected) {
    auto r = std::make_unique<CScoreFile>();
    r->Path = "C:\\ACBLSCOR\\GAMEFILE\\14010" + std::to_string(++n) + "A.txt";
    r->SetSelected(s);
    list.push_back(std::move(r));
  }
  return list;
}

TEST(ConfirmModel, CheckAllFollowsRowsAndClickRule) {
  struct Case {
    std::initializer_list<bool> rows;
    CheckAllState state;
    bool okEnabled;
    bool afterClick;  // every row after a click on Check All
  };
  const Case cases[] = {
      {{true, true, true}, CheckAllState::Checked, true, false},
      {{true, false, true}, CheckAllState::Indeterminate, true, true},
      {{false, false, false}, CheckAllState::Unchecked, false, true},
  };
  for (const auto& c : cases) {
    CSFPtrArray list = MakeRecords(c.rows);
    CConfirmModel model(list, ConfirmMode::ConfirmPosting, nullptr, false);
    ASSERT_TRUE(model.Open());
    EXPECT_EQ(model.GetCheckAllState(), c.state);
    EXPECT_EQ(model.IsOkEnabled(), c.okEnabled);
    model.ClickCheckAll();
    for (size_t i = 0; i < model.RowCount(); ++i) EXPECT_EQ(model.IsChecked(i), c.afterClick);
    EXPECT_EQ(model.IsOkEnabled(), c.afterClick);
  }
}

TEST(ConfirmModel, SelectedChangesOnlyOnOk) {
  CSFPtrArray list = MakeRecords({true, true});
  CConfirmModel model(list, ConfirmMode::ConfirmPosting, nullptr, false);
  ASSERT_TRUE(model.Open());
  model.SetChecked(0, false);
  EXPECT_EQ(model.GetCheckAllState(), CheckAllState::Indeterminate);
  EXPECT_TRUE(list[0]->IsSelected());  // not before OK
  model.Cancel();
  EXPECT_TRUE(list[0]->IsSelected());
  ASSERT_TRUE(model.Ok());
  EXPECT_FALSE(list[0]->IsSelected());
  EXPECT_TRUE(list[1]->IsSelected());

  model.SetChecked(1, false);
  EXPECT_FALSE(model.Ok());  // disabled: nothing changes
  EXPECT_TRUE(list[1]->IsSelected());
}

TEST(ConfirmModel, AddScoreFilesModeStartsUncheckedWithHandRecordsOff) {
  CSFPtrArray list = MakeRecords({true, true});
  list[0]->HandRecordPath = "C:\\Hands\\140101A.pbn";
  int calls = 0;
  auto select = [&](CScoreFile& r, bool) {
    ++calls;
    r.HandRecordPath = "X.pbn";
    return true;
  };
  CConfirmModel model(list, ConfirmMode::AddScoreFiles, select, true);
  ASSERT_TRUE(model.Open());
  EXPECT_EQ(model.Title(), "Add Score Files");
  EXPECT_EQ(model.GetCheckAllState(), CheckAllState::Unchecked);
  EXPECT_FALSE(model.IsOkEnabled());
  // The path as it is, and no "[click here]".
  EXPECT_EQ(model.CellText(0, 1), "C:\\Hands\\140101A.pbn");
  EXPECT_EQ(model.CellText(1, 1), "");
  model.SelectOnly({0, 1});
  EXPECT_FALSE(model.HandRecordCommandsEnabled());
  EXPECT_FALSE(model.CanShowContextMenu());
  EXPECT_FALSE(model.ClickHandRecords(1));
  EXPECT_FALSE(model.SelectHandRecordsForSelection());
  model.ClearHandRecords();
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(list[0]->HandRecordPath, "C:\\Hands\\140101A.pbn");
  // The default answer presses OK, which does nothing while it is disabled.
  test::TestEnv env;
  CSFPtrArray again = MakeRecords({true});
  CConfirmModel m2(again, ConfirmMode::AddScoreFiles, nullptr, false);
  EXPECT_FALSE(RunConfirmDialog(env.Ui, m2));
  EXPECT_TRUE(again[0]->IsSelected());
}

TEST(ConfirmModel, HandRecordFillAndCommands) {
  CSFPtrArray list = MakeRecords({true, true, true});
  list[1]->HandRecordPath = "C:\\Hands\\old.pbn";
  std::vector<std::pair<std::string, bool>> calls;
  bool cancel = false;
  auto select = [&](CScoreFile& r, bool automatic) {
    calls.emplace_back(r.GetFileName(), automatic);
    if (automatic) {
      if (r.GetFileName() != "140101A.txt") return false;
      r.HandRecordPath = "C:\\Hands\\140101A.pbn";
      return true;
    }
    if (cancel) return false;
    r.HandRecordPath = "D:\\Deals\\chosen.dup";
    return true;
  };
  CConfirmModel model(list, ConfirmMode::ConfirmPosting, select, true);
  ASSERT_TRUE(model.Open());
  // The automatic fill ran for the records without a file only.
  EXPECT_EQ(calls.size(), 2u);
  EXPECT_EQ(model.CellText(0, 1), "140101A.pbn");
  EXPECT_EQ(model.CellText(1, 1), "old.pbn");
  EXPECT_EQ(model.CellText(2, 1), "[click here]");
  calls.clear();

  model.SelectOnly({0, 1, 2});
  cancel = true;
  EXPECT_FALSE(model.SelectHandRecordsForSelection());
  EXPECT_EQ(calls.size(), 1u);  // one file question for all rows
  EXPECT_EQ(list[1]->HandRecordPath, "C:\\Hands\\old.pbn");
  EXPECT_EQ(list[2]->HandRecordPath, "");

  cancel = false;
  calls.clear();
  EXPECT_TRUE(model.SelectHandRecordsForSelection());
  EXPECT_EQ(calls.size(), 1u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(model.CellText(i, 1), "chosen.dup");

  model.SelectOnly({1});
  model.ClearHandRecords();
  EXPECT_EQ(model.CellText(1, 1), "[click here]");
  EXPECT_EQ(list[0]->HandRecordPath, "D:\\Deals\\chosen.dup");

  model.SelectOnly({});
  EXPECT_FALSE(model.HandRecordCommandsEnabled());
}

TEST(ConfirmModel, ColumnTexts) {
  CSFPtrArray list;
  auto game = std::make_unique<CScoreFile>();
  game->Path = "C:\\ACBLSCOR\\GAMEFILE\\140105.ACA";
  auto text = std::make_unique<CScoreFile>();
  text->Path = "C:\\ACBLSCOR\\GAMEFILE\\club.txt";
  text->Session = "Wednesday Aft";
  text->Section = " AB";
  text->Event = "Club Pairs";
  text->Limits = "nlm";
  list.push_back(std::move(game));
  list.push_back(std::move(text));
  CConfirmModel model(list, ConfirmMode::ConfirmPosting, nullptr, false);
  ASSERT_TRUE(model.Open());
  EXPECT_EQ(model.CellText(0, 0), "140105.ACA");
  EXPECT_EQ(model.CellText(0, 3), "Afternoon");
  EXPECT_EQ(model.CellText(0, 5), "01/05/14");
  EXPECT_EQ(model.CellText(1, 2), "Club Pairs");
  EXPECT_EQ(model.CellText(1, 3), "Wednesday Aft");
  EXPECT_EQ(model.CellText(1, 6), "nlm");
}

TEST(ConfirmModel, NoRecordsClosesWithCancel) {
  test::TestEnv env;
  CSFPtrArray empty;
  CConfirmModel model(empty, ConfirmMode::ConfirmPosting, nullptr, false);
  int asked = 0;
  env.Ui.OnConfirmPosting = [&](CConfirmModel&) {
    ++asked;
    return ConfirmAnswer::Ok;
  };
  EXPECT_FALSE(RunConfirmDialog(env.Ui, model));
  EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace tx
