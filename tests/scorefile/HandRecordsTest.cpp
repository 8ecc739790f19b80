#include "scorefile/HandRecords.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "scorefile/WirelessDialog.h"

namespace fs = std::filesystem;
using tx::CScoreFile;
using tx::test::TestEnv;
using ::testing::StartsWith;

namespace {

struct HandRecords : ::testing::Test {
  TestEnv env;
  tx::CSetup setup;
  CScoreFile record;
  HandRecords() {
    record.Path = (env.Root() / "140105.aca").string();
    record.Section = "A";
    setup.LastHandRecordDirectory = env.Dir("hands").string();
  }
};

TEST_F(HandRecords, FilterHasSixEntriesOrFiveForBridgeWebs) {
  EXPECT_EQ(tx::HandRecordFilter(false),
            "PBN Files (*.pbn)|*.pbn|DOS Duplimate Files (*.dup)|*.dup|Windows Duplimate Files (*.dlm)|*.dlm|"
            "BRI Files (*.bri)|*.bri|BB Online Files (*.lin)|*.lin|All Files (*.*)|*.*||");
  EXPECT_EQ(tx::HandRecordFilter(true).find(".lin"), std::string::npos);
  EXPECT_EQ(tx::HandRecordFilterCount(false), 6);
  EXPECT_EQ(tx::HandRecordFilterCount(true), 5);
}

TEST_F(HandRecords, AutomaticSearchInTableOrder) {
  env.WriteFile("hands/140105A.lin", "x");
  EXPECT_TRUE(tx::SelectHandRecords(record, env.Svc, setup, true));
  EXPECT_EQ(fs::path(record.HandRecordPath).filename(), "140105A.lin");
  record.HandRecordPath.clear();
  setup.SetFlag(tx::setupflag::IsBridgeWebs, true);
  EXPECT_FALSE(tx::SelectHandRecords(record, env.Svc, setup, true));  // never "lin" here
  env.WriteFile("hands/140105A.dlm", "x");
  env.WriteFile("hands/140105A.bri", "x");
  EXPECT_TRUE(tx::SelectHandRecords(record, env.Svc, setup, true));
  EXPECT_EQ(fs::path(record.HandRecordPath).filename(), "140105A.dlm");
}

TEST_F(HandRecords, InteractiveChoiceUpdatesTheSetup) {
  tx::FileDialogRequest seen;
  fs::path chosen = env.WriteFile("other/h.pbn", "x");
  env.Ui.OnAskOpenFiles = [&](const tx::FileDialogRequest& r) {
    seen = r;
    return tx::FileDialogResult{true, {chosen.string()}, 2};
  };
  struct {
    uint32_t stored;
    bool bridgeWebs;
    int shown;
    const char* ext;
  } cases[] = {{0, false, 1, "pbn"}, {6, false, 6, ""}, {6, true, 0, ""}, {2, true, 2, "dup"}};
  for (auto& c : cases) {
    setup.LastHandRecordFilterIndex = c.stored;
    setup.SetFlag(tx::setupflag::IsBridgeWebs, c.bridgeWebs);
    record.HandRecordPath.clear();
    ASSERT_TRUE(tx::SelectHandRecords(record, env.Svc, setup, false));
    EXPECT_EQ(seen.FilterIndex, c.shown) << c.stored;
    EXPECT_EQ(seen.DefaultExtension, c.ext) << c.stored;
  }
  EXPECT_EQ(seen.Title, "Select Hand Records - 140105A - Section A");
  EXPECT_EQ(record.HandRecordPath, chosen.string());
  EXPECT_EQ(setup.LastHandRecordDirectory, chosen.parent_path().string());
  EXPECT_EQ(setup.LastHandRecordFilterIndex, 2u);

  env.Ui.OnAskOpenFiles = nullptr;  // Cancel
  setup.LastHandRecordFilterIndex = 4;
  EXPECT_FALSE(tx::SelectHandRecords(record, env.Svc, setup, false));
  EXPECT_EQ(record.HandRecordPath, chosen.string());
  EXPECT_EQ(setup.LastHandRecordFilterIndex, 4u);
}

TEST_F(HandRecords, WirelessDatabaseDialog) {
  setup.SetFlag(tx::setupflag::AlertNoBws, true);
  int saves = 0;
  fs::path other = env.WriteFile("elsewhere.bws", "db");
  int shown = 0;
  env.Ui.OnWirelessDatabase = [&](tx::CWirelessDialogModel& m) {
    ++shown;
    EXPECT_TRUE(m.IsWarning());
    EXPECT_THAT(m.Message, StartsWith("Unable to open wireless scoring system database: "));
    EXPECT_EQ(fs::path(m.Path).filename(), "140105A.bws");
    m.TryAgain(other.string());
    return tx::WirelessAnswer::TryAgain;
  };
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  std::string path;
  EXPECT_EQ(tx::ReadWirelessDatabase(record, env.Svc, setup, [&] { ++saves; }, data, size, path), 0);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(path, other.string());

  tx::CWirelessDialogModel m(setup, [&] { ++saves; });
  m.ClickDoNotShow();
  m.ClickDoNotShow();
  EXPECT_FALSE(setup.AlertNoBws());
  EXPECT_EQ(saves, 2);
  fs::remove(other);
  EXPECT_EQ(tx::ReadWirelessDatabase(record, env.Svc, setup, {}, data, size, path), int32_t(0x80070002u));
  EXPECT_EQ(shown, 1);  // no alert any more
}

}  // namespace
