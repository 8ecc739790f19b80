#include "shell/TabulonixApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "TestEnv.h"
#include "app/SetupDocument.h"
#include "platform/Errors.h"
#include "scorefile/Setup.h"
#include "status/StatusChannel.h"
#include "ui/SetupModel.h"

using namespace tx;
using ::testing::HasSubstr;

namespace {

// A converter stand-in that only answers the version question.
std::string FakeDealwright(test::TestEnv& env, const std::string& version) {
  auto path = env.WriteFile("bin/dealwright-" + version, "#!/bin/sh\necho \"Dealwright " + version + "\"\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path.string();
}

}  // namespace

TEST(TabulonixApp, DealwrightCheckNeedsVersion521) {
  test::TestEnv env;
  struct Case {
    std::string version;  // empty: no converter at all
    bool starts;
    std::string shown;
  };
  for (const Case& c : {Case{"5.20.9.9", false, "5.20.9.9"}, Case{"5.21.0.0", true, ""},
                        Case{"5.22.3.0", true, ""}, Case{"", false, "0.0"}}) {
    test::ScopedEnv dw("TABULONIX_DEALWRIGHT",
                       c.version.empty() ? (env.Root() / "missing").string() : FakeDealwright(env, c.version));
    env.Ui.Clear();
    CTabulonixApp app(env.Svc);
    EXPECT_EQ(app.CheckDealwright(), c.starts) << c.version;
    if (c.starts) {
      EXPECT_EQ(env.Ui.BoxCount(), 0u);
    } else {
      ASSERT_EQ(env.Ui.BoxCount(), 1u);
      const std::string text = env.Ui.LastBox().Text;
      EXPECT_THAT(text, HasSubstr("Dealwright update required.\r\n\r\nYour version: " + c.shown + "\r\n"));
      EXPECT_THAT(text, HasSubstr("Minimum version required: 5.21\r\n"));
      EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::Error);
    }
  }
}

TEST(TabulonixApp, CommandUpdateRulesFollowTheBusyStateAndTheSetup) {
  test::TestEnv env;
  CTabulonixApp app(env.Svc);
  ASSERT_TRUE(app.InitData(std::nullopt));
  EXPECT_TRUE(app.IsCommandEnabled(CommandId::PostGames));
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::Cancel));
  EXPECT_TRUE(app.IsCommandEnabled(CommandId::CreateIndex));
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::PublishIndex));  // no index made yet
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::EraseHistory));  // empty history
  app.Index().IndexCreated = true;
  EXPECT_TRUE(app.IsCommandEnabled(CommandId::PublishIndex));
  app.History().Add(CScoreFile{});
  EXPECT_TRUE(app.IsCommandEnabled(CommandId::EraseHistory));
  app.Setup().SetFlag(setupflag::IsBridgeWebs, true);
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::CreateIndex));
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::IndexWebsite));
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::PublishIndex));

  env.Status.SetBusy(true);
  for (CommandId id : {CommandId::PostGames, CommandId::Post, CommandId::Repost, CommandId::Setup, CommandId::New,
                       CommandId::Open, CommandId::SaveAs, CommandId::EraseHistory})
    EXPECT_FALSE(app.IsCommandEnabled(id)) << int(id);
  EXPECT_TRUE(app.IsCommandEnabled(CommandId::Cancel));
  EXPECT_TRUE(app.OnCancel());
  EXPECT_FALSE(app.IsCommandEnabled(CommandId::Cancel));  // not again while canceling
  EXPECT_THAT(env.LogLines(), testing::Contains("User Canceled"));
  env.Status.SetBusy(false);
  EXPECT_FALSE(app.OnCancel());
}

TEST(TabulonixApp, PostGamesLabelWhileShiftIsHeld) {
  EXPECT_EQ(CTabulonixApp::PostGamesLabel(false), "Post Games (F4)");
  EXPECT_EQ(CTabulonixApp::PostGamesLabel(true), "Repost (F4)");
  EXPECT_EQ(CTabulonixApp::PostGamesLabel(true, "Post"), "Repost ");
}

TEST(TabulonixApp, SetupFileThatDoesNotExistYetIsWrittenByTheFirstSave) {
  test::TestEnv env;
  const auto path = env.Root() / "new club.tsu";
  {
    CTabulonixApp app(env.Svc);
    ASSERT_TRUE(app.InitData(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(app.Document().GetTitle(), "new club.tsu");
    CSetupModel model(app.Setup(), 0);
    std::string error;
    ASSERT_TRUE(model.SetByName("FtpUser", "club", error)) << error;
    bool saved = false;
    EXPECT_EQ(app.ApplySetup(model, &saved), 1);
    EXPECT_TRUE(saved);
    EXPECT_EQ(env.Ui.SaveFileQuestions().size(), 0u);  // no Save As question
  }
  ASSERT_TRUE(std::filesystem::exists(path));
  CTabulonixApp again(env.Svc);
  ASSERT_TRUE(again.InitData(path));
  EXPECT_EQ(again.Setup().FtpUser, "club");
}

TEST(TabulonixApp, UntitledSetupChangesAreNotSavedWhenSaveAsIsCanceled) {
  test::TestEnv env;
  CTabulonixApp app(env.Svc);
  ASSERT_TRUE(app.InitData(std::nullopt));
  CSetupModel model(app.Setup(), 0);
  std::string error;
  ASSERT_TRUE(model.SetByName("FtpUser", "club", error));
  bool saved = true;
  app.ApplySetup(model, &saved);
  EXPECT_FALSE(saved);
  EXPECT_EQ(env.Ui.SaveFileQuestions().size(), 1u);
  EXPECT_THAT(env.Sink.TextsFor(StatusCode::StatusLine), testing::Contains("Setup: Changes NOT saved"));
}

TEST(TabulonixApp, ExitDeletesTemporaryFilesOnce) {
  test::TestEnv env;
  auto temp = env.WriteFile("tmp/TBw1234.htm", "page");
  {
    CTabulonixApp app(env.Svc);
    app.TempPaths().Add(temp);
    app.ExitInstance();
    EXPECT_FALSE(std::filesystem::exists(temp));
    app.TempPaths().Add(env.WriteFile("tmp/TBw5678.htm", "kept"));
  }  // the destructor does not run the exit step again
  EXPECT_TRUE(std::filesystem::exists(env.Root() / "tmp/TBw5678.htm"));
}
