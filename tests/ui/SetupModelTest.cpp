#include "ui/SetupModel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"

using namespace tx;
using ::testing::ElementsAre;

namespace {
struct SetupModelTest : ::testing::Test {
  test::TestEnv env;
  CSetup setup;
  int saves = 0;
  bool indexCleared = false;
  CSetupApplyHooks hooks;
  SetupModelTest() {
    setup.PostFilesModifiedAfter = 1000;
    setup.WebsiteUrl = "http://Club.example";
    setup.SetFlag(setupflag::ActiveFtp, true);
    hooks.SaveData = [this] { return ++saves, true; };
    hooks.ClearIndexCreated = [this] { indexCleared = true; };
    hooks.Encrypt = [](const std::string& text, std::vector<uint8_t>& block, uint32_t&) {
      block.assign(text.begin(), text.end());
      block.push_back(0xEE);
      return true;
    };
    hooks.MachinePasswordScheme = 7;
  }
};
}  // namespace

TEST_F(SetupModelTest, NothingTouchedNothingSaved) {
  CSetupModel model(setup, 5000);
  EXPECT_EQ(model.Apply(env.Svc, setup, hooks), 0);
  EXPECT_EQ(saves, 0);
  EXPECT_TRUE(env.LogLines().empty());
}

TEST_F(SetupModelTest, EachChangeLoggedAndSavedOnce) {
  CSetupModel model(setup, 5000);
  std::string error;
  ASSERT_TRUE(model.SetByName("PassiveFtp", "1", error));
  ASSERT_TRUE(model.SetByName("WebsiteUrl", "http://club.EXAMPLE", error));  // case only
  ASSERT_TRUE(model.SetByName("FtpServer", "WWW.BRIDGEWEBS.COM", error));
  EXPECT_EQ(model.Apply(env.Svc, setup, hooks), 3);
  EXPECT_THAT(env.LogLines(), ElementsAre("Setup FTP: FTP Server []->[WWW.BRIDGEWEBS.COM]",
                                          "Setup FTP: (BridgeWebs?) [0]->[1]", "Setup FTP: Passive FTP [0]->[1]",
                                          "Setup: Changes saved"));
  EXPECT_EQ(setup.WebsiteUrl, "http://Club.example");
  EXPECT_FALSE(indexCleared);
  EXPECT_TRUE(setup.PassiveFtp());
  EXPECT_EQ(saves, 1);
}

TEST_F(SetupModelTest, PasswordProtectedAndClearedBoxCountsAsChange) {
  setup.FtpPassword = {1, 2, 3};
  CSetupModel model(setup, 5000);
  EXPECT_EQ(model.Password, "************");
  model.Password.clear();
  EXPECT_EQ(model.Apply(env.Svc, setup, hooks), 1);
  EXPECT_EQ(setup.FtpPassword, std::vector<uint8_t>{0xEE});
  EXPECT_EQ(setup.FtpPasswordScheme, 7u);
}

TEST_F(SetupModelTest, BadValuesRejectedByName) {
  CSetupModel model(setup, 5000);
  std::string error;
  for (auto [name, value] : {std::pair{"DaysToIndex", "1000000"}, {"DaysToIndex", "x"}, {"PassiveFtp", "yes"},
                              {"OldestToIndex", "2014-13-01"}, {"NoSuchField", "1"}, {"FtpPassword", "x"}})
    EXPECT_FALSE(model.SetByName(name, value, error)) << name << "=" << value;
  ASSERT_TRUE(model.SetByName("PostFilesModifiedAfter", "2014-01-05 08:00:00", error));
  EXPECT_EQ(CSetupModel::GetByName(model.Values, "PostFilesModifiedAfter"), "2014-01-05 08:00:00");
}

TEST_F(SetupModelTest, NewSetupStoresTheOpeningMoment) {
  setup.PostFilesModifiedAfter = 0;
  CSetupModel model(setup, 5000);
  EXPECT_EQ(model.Apply(env.Svc, setup, hooks), 1);
  EXPECT_EQ(setup.PostFilesModifiedAfter, 5000);
}
