#include "web/PublishIndex.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IndexTestSupport.h"
#include "web/CreateIndexPage.h"

using namespace tx;
using namespace tx::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A local multi-page index of a main page, three month pages and the by-month page.
void MakeIndex(IndexFixture& f) {
  f.Template = "<!--tabulonix:index-->\n";
  f.Setup.SetFlag(setupflag::MultiPageIndex, true);
  f.Add("A", "Friday Eve", "A", "December 20, 2013", Local(2013, 12, 20), "a.htm");
  f.Add("B", "Friday Eve", "A", "November 15, 2013", Local(2013, 11, 15), "b.htm");
  f.Add("C", "Friday Eve", "A", "October 18, 2013", Local(2013, 10, 18), "c.htm");
  ASSERT_EQ(CreateIndexPage(f.Ctx), 1);
  ASSERT_EQ(f.Index.IndexPages.size(), 5u);
}

struct Uploads {
  std::vector<std::string> Names;
  int FailAt = 0;  // 1-based upload that fails; 0 none
  IndexUploadFn Fn() {
    return [this](const std::string& local, const std::string& remote) {
      Names.push_back(remote);
      EXPECT_EQ(std::filesystem::path(local).filename().string(), remote);
      return int(Names.size()) != FailAt;
    };
  }
};

}  // namespace

TEST(PublishIndex, ChangedMonthsOnlyThenAllPages) {
  IndexFixture f;
  MakeIndex(f);
  CScoreFile posted;
  posted.SessionDate = Local(2013, 11, 15);
  f.Index.MarkMonthChanged(posted);
  f.NowValue = Local(2014, 1, 11, 9);
  Uploads up;
  EXPECT_NE(PublishIndex(f.Ctx, up.Fn(), false), 0);
  EXPECT_THAT(up.Names, ElementsAre("index.htm", "index201311.htm", "indexByMonth.htm"));
  EXPECT_TRUE(f.Index.ChangedMonths.empty());
  EXPECT_EQ(f.Setup.LastPublishTime, f.NowValue);
  EXPECT_EQ(f.Saves, 1);
  EXPECT_THAT(f.Navigated, ElementsAre((f.Staging / "index.htm").string(), "http://club.example/index.htm"));
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Publish Index complete");
  EXPECT_THAT(f.Env.LogLines(), testing::Contains("Publish Index complete"));

  Uploads all;
  EXPECT_TRUE(PublishIndexCommand(f.Ctx, all.Fn()));
  EXPECT_THAT(all.Names, ElementsAre("index.htm", "index201312.htm", "index201311.htm", "index201310.htm",
                                     "indexByMonth.htm"));
  EXPECT_EQ(f.Env.Status.BusyCount(), 0);
}

TEST(PublishIndex, FailedUploadKeepsChangedMonthsAndPublishTime) {
  IndexFixture f;
  MakeIndex(f);
  CScoreFile posted;
  posted.SessionDate = Local(2013, 12, 20);
  f.Index.MarkMonthChanged(posted);
  f.Setup.LastPublishTime = 1234;
  Uploads up;
  up.FailAt = 2;
  EXPECT_EQ(PublishIndex(f.Ctx, up.Fn(), false), 0);
  EXPECT_THAT(up.Names, ElementsAre("index.htm", "index201312.htm"));
  EXPECT_TRUE(f.Index.IsMonthChanged(2013, 12));
  EXPECT_EQ(f.Setup.LastPublishTime, 1234);
  EXPECT_EQ(f.Saves, 0);
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Publish Index failed");
  EXPECT_TRUE(f.Index.IndexCreated);
}

TEST(PublishIndex, NothingToPublish) {
  {
    // Before any Create Index.
    IndexFixture f;
    Uploads up;
    EXPECT_EQ(PublishIndex(f.Ctx, up.Fn(), true), 0);
    EXPECT_TRUE(up.Names.empty());
    EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Publish Index failed");
  }
  {
    IndexFixture f;
    MakeIndex(f);
    f.Setup.IndexFilename.clear();
    Uploads up;
    EXPECT_EQ(PublishIndex(f.Ctx, up.Fn(), true), 0);
    EXPECT_TRUE(up.Names.empty());
    EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Setup required: Website: Index Filename");
    for (const std::string& line : f.Env.LogLines()) EXPECT_THAT(line, testing::Not(HasSubstr("Publish Index")));
  }
}

TEST(PublishIndex, CreateIndexCommandShowsTheLocalPage) {
  IndexFixture f;
  f.Template = "<!--tabulonix:index-->\n";
  EXPECT_TRUE(CreateIndexCommand(f.Ctx));
  EXPECT_THAT(f.Navigated, ElementsAre((f.Staging / "index.htm").string()));
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Create Index complete");
  f.Template = "no marker\n";
  EXPECT_FALSE(CreateIndexCommand(f.Ctx));
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Create Index failed");
}
