#include "app/Discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "app/Digest.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "store/Sha256.h"
#include "web/ColScoreFile.h"

namespace fs = std::filesystem;
using tx::CScoreFile;
using tx::PostAnyway;
using tx::PostAnywayAnswer;
using tx::test::TestEnv;
using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

struct Discovery : ::testing::Test {
  TestEnv env;
  tx::CSetup setup;
  tx::CColScoreFile history;
  tx::CSFPtrArray list;
  Discovery() { setup.ScoreFileDirectory = env.Dir("scores").string(); }
  fs::path Score(const std::string& name, const std::string& text, int64_t modified) {
    fs::path p = env.WriteFile("scores/" + name, text);
    fs::last_write_time(p, fs::file_time_type::clock::from_sys(
                               std::chrono::sys_seconds(std::chrono::seconds(modified))));
    return p;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (auto& r : list) names.push_back(r->GetFileName());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(Discovery, OnlyFilesNewerThanTheCutOff) {
  setup.PostFilesModifiedAfter = 1400000000;
  Score("old.txt", "EVENT>a\n", 1400000000);
  Score("new.TXT", "EVENT>b\n", 1400000001);
  Score("other.htm", "EVENT>c\n", 1500000000);
  EXPECT_EQ(tx::FindNewScoreFiles(env.Svc, setup, list, tx::PostMode::PostNew, history),
            tx::OperationResult::ResultSucceeded);
  ASSERT_EQ(Names(), std::vector<std::string>{"new.TXT"});
  EXPECT_FALSE(list[0]->File);
  EXPECT_TRUE(list[0]->IsDataLoaded());
  EXPECT_EQ(list[0]->Event, "b");
}

TEST_F(Discovery, HistoryDropsPostedFilesButRepostListsThemUnchecked) {
  Score("a.txt", "EVENT>a\n", 1500000000);
  Score("b.txt", "EVENT>b\n", 1500000000);
  CScoreFile posted;
  posted.Hash = tx::CSha256::Digest("EVENT>a");
  history.Add(posted);
  tx::FindNewScoreFiles(env.Svc, setup, list, tx::PostMode::PostNew, history);
  EXPECT_EQ(Names(), std::vector<std::string>{"b.txt"});
  list.clear();
  tx::FindNewScoreFiles(env.Svc, setup, list, tx::PostMode::Repost, history);
  ASSERT_EQ(list.size(), 2u);
  for (auto& r : list) EXPECT_FALSE(r->IsSelected());
}

TEST_F(Discovery, BridgeWebsFindsGameFilesInAnyCase) {
  setup.SetFlag(tx::setupflag::IsBridgeWebs, true);
  Score("140105.ACA", std::string("\0\1", 2), 1500000000);
  Score("140106.acm", "x", 1500000000);
  Score("140107.txt", "x", 1500000000);
  tx::FindNewScoreFiles(env.Svc, setup, list, tx::PostMode::PostNew, history);
  EXPECT_EQ(Names(), (std::vector<std::string>{"140105.ACA", "140106.acm"}));
  for (auto& r : list) EXPECT_TRUE(r->IsGameFile());
}

TEST_F(Discovery, MissingDirectorySetting) {
  setup.ScoreFileDirectory.clear();
  EXPECT_EQ(tx::FindNewScoreFiles(env.Svc, setup, list, tx::PostMode::PostNew, history),
            tx::OperationResult::ResultNone);
  EXPECT_EQ(env.Sink.LastText(tx::StatusCode::StatusLine), "Setup required: Computer: Score File Directory");
}

TEST_F(Discovery, FilesChosenByTheUserAreKeptEvenWhenUnreadable) {
  fs::path a = Score("a.txt", "EVENT>a\n", 1);
  tx::FileDialogRequest seen;
  env.Ui.OnAskOpenFiles = [&](const tx::FileDialogRequest& r) {
    seen = r;
    return tx::FileDialogResult{true, {a.string(), (env.Root() / "gone.txt").string()}, 1};
  };
  EXPECT_EQ(tx::OpenScoreFilesForPosting(env.Svc, setup, list), tx::OperationResult::ResultSucceeded);
  EXPECT_EQ(seen.Title, "Open Score Files For Posting");
  EXPECT_EQ(seen.Filter, "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
  EXPECT_TRUE(seen.MultiSelect);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->Event, "a");
  EXPECT_TRUE(list[0]->IsSelected());
  env.Ui.OnAskOpenFiles = nullptr;
  EXPECT_EQ(tx::OpenScoreFilesForPosting(env.Svc, setup, list), tx::OperationResult::ResultCanceled);
}

TEST_F(Discovery, FourHourRuleAndAnswers) {
  CScoreFile r;
  r.Path = "/scores/a.txt";
  const int64_t now = 1500000000;
  r.Modified = now - tx::FourHours;
  bool ask = true;
  int asked = 0;
  env.Ui.OnAskPostAnyway = [&](const std::string& m) {
    ++asked;
    EXPECT_THAT(m, HasSubstr("A score file is more than four hours old.\r\n\r\n/scores/a.txt: Last modified: "));
    EXPECT_THAT(m, HasSubstr("\r\n\r\nPost this file anyway?"));
    return PostAnywayAnswer::No;
  };
  EXPECT_EQ(tx::AskPostAnyway(env.Svc, r, "", ask, now), PostAnyway::Post);  // 4 h 0 s: not old
  EXPECT_EQ(asked, 0);
  r.Modified = now - tx::FourHours - 1;
  EXPECT_EQ(tx::AskPostAnyway(env.Svc, r, "", ask, now), PostAnyway::Skip);
  EXPECT_EQ(asked, 1);
  EXPECT_THAT(env.LogLines(), Contains("Press=[No]"));
}

TEST_F(Discovery, YesToAllStopsTheQuestionsForTheRun) {
  CScoreFile r;
  bool ask = true;
  struct {
    PostAnywayAnswer answer;
    PostAnyway result;
    const char* logged;
  } cases[] = {{PostAnywayAnswer::Yes, PostAnyway::Post, "Press=[Yes]"},
               {PostAnywayAnswer::Cancel, PostAnyway::Cancel, "Press=[Cancel]"},
               {PostAnywayAnswer(99), PostAnyway::Skip, "Press=[99]"},
               {PostAnywayAnswer::YesToAll, PostAnyway::Post, "Press=[Yes to All]"}};
  for (auto& c : cases) {
    env.Ui.OnAskPostAnyway = [&](const std::string&) { return c.answer; };
    EXPECT_EQ(tx::AskPostAnyway(env.Svc, r, "Posted before.", ask, 1), c.result);
    EXPECT_THAT(env.LogLines(), Contains(c.logged));
  }
  EXPECT_FALSE(ask);
  env.Ui.OnAskPostAnyway = [](const std::string&) -> PostAnywayAnswer { ADD_FAILURE(); return PostAnywayAnswer::No; };
  EXPECT_EQ(tx::AskPostAnyway(env.Svc, r, "Posted before.", ask, 1), PostAnyway::Post);
}

TEST_F(Discovery, DigestLines) {
  fs::path t = Score("a.txt", "EVENT>a\r\n", 1);
  fs::path g = Score("140105.aca", "EVENT>a\r\n", 1);
  CScoreFile posted;
  posted.Hash = tx::CSha256::Digest("EVENT>a");
  posted.WebPageName = "2014\\01\\x.htm";
  posted.Posted = 1;
  history.Add(posted);
  bool ok = true;
  auto lines = tx::Digest(env.Svc, {t.string(), g.string(), (env.Root() / "none.txt").string()}, history, &ok);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_THAT(lines[0], ::testing::StartsWith(tx::CSha256::Digest("EVENT>a").ToHex() + "  " + t.string() + "  posted "));
  EXPECT_THAT(lines[0], HasSubstr("as 2014\\01\\x.htm"));
  EXPECT_EQ(lines[1], tx::CSha256::Digest("EVENT>a\r\n").ToHex() + "  " + g.string());
  EXPECT_THAT(lines[2], HasSubstr("none.txt: "));
  EXPECT_FALSE(ok);
}

}  // namespace
