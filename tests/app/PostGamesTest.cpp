#include "app/PostGames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "app/PostScoreFile.h"
#include "platform/LocalTime.h"
#include "scorefile/Setup.h"
#include "web/ColScoreFile.h"
#include "web/IndexData.h"
#include "web/StagingFile.h"

using namespace tx;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

struct FakeUploader : IFtpUploader {
  std::vector<std::string>* calls;
  std::string failOn;  // remote name whose upload fails
  explicit FakeUploader(std::vector<std::string>* c, std::string f) : calls(c), failOn(std::move(f)) {}
  bool Login() override { calls->push_back("login"); return true; }
  bool SetCurrentDirectory(const std::string& d) override { calls->push_back("cd " + d); return true; }
  bool UploadFile(const std::string&, const std::string& remote) override {
    calls->push_back("put " + remote);
    return remote != failOn;
  }
  bool RemoveFile(const std::string& remote) override { calls->push_back("del " + remote); return true; }
  void Disconnect() override { calls->push_back("quit"); }
};

struct PostTest : ::testing::Test {
  test::TestEnv env;
  CSetup setup;
  CColScoreFile history;
  CIndexState index;
  CPostingState state;
  std::vector<std::string> calls;
  std::string failOn;
  std::vector<int> answers;  // AskPostAnyway answers, in order; then 0
  int saves = 0;
  std::vector<std::string> files{"140105A.txt", "140106A.txt", "140107A.txt"};
  std::vector<CFormField> form;
  std::string formUrl;
  CFormPostOutcome formOutcome;

  PostTest() {
    setup.WebsiteUrl = "http://club.example";
    setup.WebsiteScoreFileDirectory = "scores";
    setup.ScoreFileTemplateFilename = "template.htm";
    setup.IndexTemplateFilename = "itemplate.htm";
    setup.IndexFilename = "results.htm";
    setup.FtpServer = "127.0.0.1";
    setup.FtpUser = "club";
  }

  CPostContext Context() {
    CPostHooks h;
    h.FindNewScoreFiles = [this](CSFPtrArray& list, PostMode) {
      int day = 5;
      for (const std::string& name : files) {
        auto r = std::make_unique<CScoreFile>();
        r->Path = env.WriteFile("games/" + name, "score " + name).string();
        r->Size = 10;
        r->Modified = Now() - 60 + day;  // the first file is the oldest
        MakeLocalTime(2014, 1, day, 0, 0, 0, r->SessionDate);
        std::array<uint8_t, 32> bytes{};
        bytes[0] = uint8_t(day++);
        r->Hash = CHash256(bytes);
        list.push_back(std::move(r));
      }
      return OperationResult::ResultSucceeded;
    };
    h.ConfirmPosting = [](CSFPtrArray&) { return true; };
    h.AskPostAnyway = [this](CScoreFile&, const std::string&) {
      if (answers.empty()) return 0;
      int a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
    h.Template.Fetch = [](const std::string&, std::string& data) {
      data = "<html>\n<!--tabulonix:insert-->\n</html>\n";
      return 1;
    };
    h.Template.GetTempFile = [this](const std::string& p, const std::string& e, std::string& path) {
      static int n = 0;
      path = (env.Dir("tmp") / (p + std::to_string(++n) + e)).string();
      return uint32_t(0);
    };
    h.Template.Identify = [](CScoreFile& r, std::string& name) {
      name = FormatLocalTime(r.SessionDate, "%Y%m%d") + "anlma";
      return 1;
    };
    h.Template.WriteResults = [](CScoreFile&, CStagingFile& page) { page.WriteLine("results"); };
    h.MakeUploader = [this] { return std::make_unique<FakeUploader>(&calls, failOn); };
    h.SaveData = [this] { ++saves; return true; };
    h.GetFtpPassword = [](std::string& p) { p = "secret"; return true; };
    h.PostForm = [this](const std::string& url, const std::vector<CFormField>& f, const std::string&) {
      formUrl = url;
      form = f;
      return formOutcome;
    };
    return CPostContext{env.Svc, setup, history, index, state, h};
  }
};

}  // namespace

TEST_F(PostTest, SetupChecksComeFirst) {
  struct Row {
    void (*change)(CSetup&);
    const char* text;
  } rows[] = {
      {[](CSetup& s) { s.WebsiteUrl.clear(); }, "Setup required: Website URL"},
      {[](CSetup& s) { s.IndexFilename.clear(); }, "Setup required: Website: Index Filename"},
      {[](CSetup& s) { s.FtpUser.clear(); }, "Setup required: FTP"},
      {[](CSetup& s) { s.SetFlag(setupflag::IsBridgeWebs, true); s.WebsiteUrl.clear(); s.FtpUser.clear(); },
       "Setup required: FTP"},
  };
  for (const Row& row : rows) {
    CSetup saved = setup;
    row.change(setup);
    CPostContext ctx = Context();
    EXPECT_EQ(PostGames(ctx, PostMode::PostNew), OperationResult::ResultNone);
    EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine), row.text);
    EXPECT_EQ(env.Sink.RefreshCount(), 0) << "no busy state";
    setup = saved;
  }
}

TEST_F(PostTest, SecondOfThreeFailsInSubdirectories) {
  setup.SetFlag(setupflag::UploadToSubdirectories, true);
  failOn = "2014\\01\\20140106anlma.htm";
  CPostContext ctx = Context();
  EXPECT_EQ(PostGames(ctx, PostMode::PostNew), OperationResult::ResultNone);
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine),
            "Post Games: 2 out of 3 score files succeeded (1 failed). Indexing failed.");
  std::vector<std::string> lines = env.LogLines();
  EXPECT_THAT(lines, Contains("Posting complete (1 of 3)"));
  EXPECT_THAT(lines, Contains("Posting complete (2 of 3)"));
  EXPECT_EQ(history.GetCount(), 2u);
  EXPECT_EQ(saves, 2);
  ASSERT_EQ(setup.IndexData.size(), 2u);
  EXPECT_EQ(setup.IndexData[0].Path, "2014\\01\\20140107anlma.htm");  // newest first
  EXPECT_THAT(calls, Contains("put 2014\\01\\20140105anlma.htm"));
  EXPECT_TRUE(index.IsMonthChanged(2014, 1));
  EXPECT_TRUE(state.PostedScoreFiles.empty());
  EXPECT_EQ(env.Status.BusyCount(), 0);
}

TEST_F(PostTest, CancelAnsweredStopsTheRunWithoutSummary) {
  answers = {0, 2};
  CPostContext ctx = Context();
  OperationResult r = PostGames(ctx, PostMode::PostNew);
  EXPECT_EQ(r, OperationResult::ResultCanceled);
  ReportPostGamesResult(env.Svc, r);
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine), "Canceled");
  EXPECT_EQ(history.GetCount(), 1u);
  for (const std::string& line : env.LogLines()) EXPECT_THAT(line, ::testing::Not(HasSubstr("Post Games")));
}

TEST_F(PostTest, SummaryTexts) {
  EXPECT_EQ(PostGamesSummary(1, 1, 0), "Post Games succeeded: 1 score file");
  EXPECT_EQ(PostGamesSummary(3, 3, 3), "Post Games succeeded: 3 score files. Indexing succeeded.");
  EXPECT_EQ(PostGamesSummary(2, 0, 1), "Post Games: No score files succeeded (2 failed). Indexing not attempted.");
}

TEST_F(PostTest, RepostRemovesEarlierPdfAndRenamedPage) {
  files = {"140105A.txt"};
  CScoreFile earlier;
  earlier.Path = "20140105anlma.htm";
  earlier.SetPosted("old\\20140105anlma.htm", 0);
  earlier.SetPdfUploaded(true);
  setup.IndexData.push_back(earlier);
  setup.SetFlag(setupflag::LinkPdfHandRecords, true);
  CPostContext ctx = Context();
  PostGames(ctx, PostMode::PostNew);
  EXPECT_THAT(calls, ElementsAre("login", "cd scores", "put 20140105anlma.htm", "del old\\20140105anlma.htm",
                                 "del old\\20140105anlma.pdf", "quit"));
  ASSERT_EQ(setup.IndexData.size(), 1u);
  EXPECT_FALSE(setup.IndexData[0].IsPdfUploaded());
}

TEST_F(PostTest, UploadPageSendsCompanionFolder) {
  std::string html = env.WriteFile("dw/out.html", "<body>").string();
  env.WriteFile("dw/out_files/a.png", "png");
  env.Dir("dw/out_files/sub");
  FakeUploader up(&calls, "");
  EXPECT_EQ(UploadPage(up, "/tmp/page.htm", html, "2014\\01\\p.htm"), 1);
  EXPECT_THAT(calls, ElementsAre("put 2014\\01\\p.htm", "put 2014\\01\\p_files\\a.png"));
  calls.clear();
  EXPECT_EQ(UploadPage(up, "/tmp/page.htm", env.Root().string() + "/dw/out.pdf", "p.htm"), 1);
  EXPECT_THAT(calls, ElementsAre("put p.htm"));
}

TEST_F(PostTest, BridgeWebsFormWithoutWirelessDatabase) {
  setup.SetFlag(setupflag::IsBridgeWebs, true);
  setup.FtpServer = "bw.example";
  setup.FtpDirectory = "dir";
  files = {"140105.acm"};
  CPostContext ctx = Context();
  PostGames(ctx, PostMode::PostNew);
  EXPECT_EQ(formUrl, "http://bw.example/dir/cgi-bin/upload/exchange.cgi");
  std::vector<std::string> names;
  for (const CFormField& f : form) names.push_back(f.Name);
  EXPECT_THAT(names, ElementsAre("club", "type", "password", "acblname", "acbldata"));
  EXPECT_EQ(form[4].Value, "score 140105.acm");
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine), "Post Games succeeded: 1 score file");
  EXPECT_TRUE(calls.empty()) << "no FTP in BridgeWebs mode";

  formOutcome.ErrorText = "HTTP Error 302";
  history.RemoveAll();
  PostGames(ctx, PostMode::PostNew);
  EXPECT_EQ(env.Ui.LastBox().Text, "HTTP Error 302");
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine), "Post Games: No score files succeeded (1 failed)");
  EXPECT_EQ(history.GetCount(), 0u);
}
