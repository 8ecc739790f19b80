#include "web/TemplateFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/LocalTime.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "web/ColScoreFile.h"
#include "web/StagingFile.h"

using namespace tx;
using ::testing::HasSubstr;

TEST(TemplateMarker, LineRule) {
  struct Row {
    const char* line;
    bool marker;
    const char* why;
  } rows[] = {
      {"<!--tabulonix:insert-->", true, "bare marker"},
      {"  <!--tabulonix:insert-->\t", true, "blanks before, tab after"},
      {"<!--tabulonix:insert--> \xC2\xA0", true, "no-break space after"},
      {"<!--tabulonix:insert--> <p>", false, "tag after"},
      {"x<!--tabulonix:insert-->", false, "text before"},
      {"<!--TABULONIX:INSERT-->", false, "capital letters"},
      {"<!--tabulonix:insertend-->", false, "end marker"},
  };
  for (const Row& row : rows) EXPECT_EQ(IsInsertMarkerLine(row.line), row.marker) << row.why;
}

namespace {

struct TemplateTest : ::testing::Test {
  test::TestEnv env;
  CSetup setup;
  CColScoreFile history;
  std::vector<CScoreFile*> posted;
  std::string served;
  int tempCount = 0;
  std::vector<std::string> asked;
  int askAnswer = 0;
  int identifyAnswer = 1;

  CTemplateContext Context() {
    CTemplateHooks hooks;
    hooks.Fetch = [this](const std::string&, std::string& data) {
      data = served;
      return 1;
    };
    hooks.GetTempFile = [this](const std::string& prefix, const std::string& ext, std::string& path) {
      path = (env.Dir("tmp") / (prefix + std::to_string(++tempCount) + ext)).string();
      return uint32_t(0);
    };
    hooks.AskPostAnyway = [this](CScoreFile&, const std::string& message) {
      asked.push_back(message);
      return askAnswer;
    };
    hooks.Identify = [this](CScoreFile& record, std::string& name) {
      if (identifyAnswer == 0) record.SetSelected(false);
      if (identifyAnswer == 1) name = "20140105anlma";
      return identifyAnswer;
    };
    hooks.WriteResults = [](CScoreFile&, CStagingFile& page) { page.Write("RESULTS\n"); };
    return CTemplateContext{env.Svc, setup, history, posted, hooks};
  }

  CScoreFile Record() {
    CScoreFile r;
    r.Path = "/scores/140105A.txt";
    r.Size = 10;
    r.Modified = Now();
    MakeLocalTime(2014, 1, 5, 0, 0, 0, r.SessionDate);
    return r;
  }

  // Runs both passes; returns the merge result and the staging file's bytes.
  OperationResult Post(CTemplateFile& t, CScoreFile& record, std::string* page = nullptr) {
    OperationResult r = t.Parse(false, &record);
    if (r != OperationResult::ResultSucceeded) return r;
    r = t.Parse(true, &record);
    if (page) *page = test::TestEnv::ReadFile(t.StagingPath);
    return r;
  }
};

}  // namespace

TEST_F(TemplateTest, MergeWritesResultsAfterMarkerWithCrLfAndLatin1) {
  served = "<html>\ncaf\xC3\xA9\r<!--tabulonix:insertend-->\n  <!--tabulonix:insert-->\n</html>";
  CTemplateFile t(Context());
  ASSERT_EQ(t.Load("http://x/scores/template.HTM"), 1);
  CScoreFile record = Record();
  std::string page;
  ASSERT_EQ(Post(t, record, &page), OperationResult::ResultSucceeded);
  EXPECT_EQ(page,
            "<html>\r\ncaf\xE9\r\n<!--tabulonix:insertend-->\r\n  <!--tabulonix:insert-->\r\nRESULTS\r\n"
            "<!--tabulonix:insertend-->\r\n</html>\r\n");
  EXPECT_EQ(t.OutputName, "20140105anlma.htm");
  EXPECT_THAT(t.StagingPath, ::testing::EndsWith(".HTM"));
  EXPECT_EQ(record.WebPageName, "20140105anlma.htm");
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0], &record);
}

TEST_F(TemplateTest, MarkerCountIsCheckedByTheMergePass) {
  struct Row {
    std::string data;
    int found;
  } rows[] = {{"<p>\n</p>\n", 0}, {"<!--tabulonix:insert-->\n<!--tabulonix:insert-->\n", 2}};
  for (const Row& row : rows) {
    served = row.data;
    posted.clear();
    CTemplateFile t(Context());
    t.Load("http://x/t.htm");
    CScoreFile record = Record();
    ASSERT_EQ(t.Parse(false, &record), OperationResult::ResultSucceeded);
    EXPECT_EQ(t.FoundInserts, row.found);
    EXPECT_EQ(t.Parse(true, &record), OperationResult::ResultFailed);
    EXPECT_EQ(env.Ui.LastBox().Text,
              "Template http://x/t.htm:\r\nExpected 1 insert locations, found " + std::to_string(row.found));
  }
}

TEST_F(TemplateTest, CharacterAboveLatin1FailsTheMerge) {
  served = "\xEF\xBB\xBF<html>\n<!--tabulonix:insert-->\n";
  CTemplateFile t(Context());
  t.Load("http://x/t");
  CScoreFile record = Record();
  EXPECT_EQ(Post(t, record), OperationResult::ResultFailed);
  EXPECT_THAT(t.StagingPath, ::testing::EndsWith(".htm"));
  EXPECT_THAT(env.LogText(), HasSubstr("Operation=[CTemplateFile::Parse: read/write loop]"));
  EXPECT_TRUE(posted.empty());
}

TEST_F(TemplateTest, RepostReusesPageOfFirstInsertInSubdirectories) {
  served = "<!--tabulonix:insert-->\n";
  setup.SetFlag(setupflag::UploadToSubdirectories, true);
  CScoreFile earlier = Record();
  earlier.SetPosted("2013\\12\\oldname.htm", 0);
  history.Add(earlier);
  CTemplateFile t(Context());
  t.Load("http://x/t.htm");
  CScoreFile record = Record();
  ASSERT_EQ(Post(t, record), OperationResult::ResultSucceeded);
  EXPECT_EQ(t.OutputName, "2014\\01\\oldname.htm");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_THAT(asked[0], HasSubstr("Web page: 2013\\12\\oldname.htm\r\nInsert: 1\r\n"));
}

TEST_F(TemplateTest, AnswersOfTheQuestionsDecideTheResult) {
  served = "<!--tabulonix:insert-->\n";
  struct Row {
    int ask, identify;
    OperationResult expected;
  } rows[] = {{1, 1, OperationResult::ResultFailed},
              {2, 1, OperationResult::ResultCanceled},
              {0, 0, OperationResult::ResultFailed},
              {0, 2, OperationResult::ResultCanceled}};
  for (const Row& row : rows) {
    askAnswer = row.ask;
    identifyAnswer = row.identify;
    CTemplateFile t(Context());
    t.Load("http://x/t.htm");
    CScoreFile record = Record();
    EXPECT_EQ(t.Parse(false, &record), row.expected) << row.ask << "/" << row.identify;
  }
}

TEST_F(TemplateTest, CancelPendingFailsTheMerge) {
  served = "<!--tabulonix:insert-->\n";
  CTemplateFile t(Context());
  t.Load("http://x/t.htm");
  CScoreFile record = Record();
  ASSERT_EQ(t.Parse(false, &record), OperationResult::ResultSucceeded);
  env.Status.SetBusy(true);
  env.Status.RequestCancel();
  EXPECT_EQ(t.Parse(true, &record), OperationResult::ResultFailed);
  env.Status.SetBusy(false);
}
