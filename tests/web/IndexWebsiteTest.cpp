#include "web/IndexWebsite.h"

#include <deque>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>

#include "IndexTestSupport.h"
#include "platform/Errors.h"

using namespace tx;
using namespace tx::test;
using ::testing::ElementsAre;

namespace {

// A website held in memory: folder ("" for the start, "/" separated) -> names in listing
// order; a trailing "/" marks a subfolder.
using Tree = std::map<std::string, std::vector<std::string>>;

struct FakeSite : IIndexSite {
  std::map<std::string, std::vector<std::string>> Tree;
  std::vector<std::string> OwnCalls;
  std::vector<std::string>& Calls;
  bool LoginOk = true;
  explicit FakeSite(std::vector<std::string>* calls = nullptr) : Calls(calls ? *calls : OwnCalls) {}

  bool Login() override {
    Calls.push_back("login");
    return LoginOk;
  }
  bool SetCurrentDirectory(const std::string& d) override {
    Calls.push_back("cd " + d);
    return true;
  }
  bool WalkTree(const WalkCallback& cb) override {
    std::deque<std::string> queue{""};
    while (!queue.empty()) {
      std::string dir = queue.front();
      queue.pop_front();
      for (const std::string& n : Tree[dir]) {
        if (n.back() == '/') {
          std::string sub = n.substr(0, n.size() - 1);
          queue.push_back(dir.empty() ? sub : dir + "/" + sub);
        } else if (!cb(n, dir)) {
          return false;
        }
      }
    }
    return true;
  }
  CFtpConnection* Connection() override { return nullptr; }
  void Disconnect() override { Calls.push_back("disconnect"); }
};

struct SiteFixture : IndexFixture {
  std::vector<std::string> SiteCalls;
  std::map<std::string, std::string> Sections;  // remote page path -> its Section; others unreadable
  std::vector<std::string> Read;
  ReadIndexPageFn ReadPage = [this](CScoreFile& page, const std::string& path, CFtpConnection*) {
    Read.push_back(path);
    auto it = Sections.find(path);
    if (it == Sections.end()) return false;
    page.Flags &= ~CScoreFile::LocalFile;
    page.Section = it->second;
    page.Event = "Pairs";
    return true;
  };
  std::vector<std::string> Identified;

  explicit SiteFixture(std::map<std::string, std::vector<std::string>> tree) {
    Setup.ScoreFileTemplateFilename = "templates/results.htm";
    Ctx.Hooks.MakeSite = [this, tree] {
      auto s = std::make_unique<FakeSite>(&SiteCalls);
      s->Tree = tree;
      return std::unique_ptr<IIndexSite>(std::move(s));
    };
    Ctx.Hooks.Identify = [this](CScoreFile& page) {
      Identified.push_back(page.Path);
      return 1;
    };
    CScoreFile& old = Setup.IndexData.emplace_back();
    old.Path = "previous.htm";
  }
};

}  // namespace

TEST(IndexWebsite, PagesPdfsAndHandRecordsAcrossFolders) {
  SiteFixture f(Tree{{"",
                  {"results.htm", "20140105anlma.htm", "20140105anlma.pdf", "20140105anlma.pbn", "notes.txt",
                   "2014/", "hands/"}},
                 {"2014", {"01/", "20140112anla.HTML", "20140112ANLA.PDF", "20140112ANLA.pbn"}},
                 {"2014/01", {"20140119anla.pdf", "20140119anla.htm", "broken.htm"}},
                 {"hands", {"20140119anla.Dup", "20140112anla.lin"}}});
  f.Sections = {{"20140105anlma.htm", "A"}, {"2014/20140112anla.HTML", "A"}, {"2014/01/20140119anla.htm", "B"}};
  ASSERT_TRUE(IndexWebsite(f.Ctx, f.ReadPage));

  // The template is passed over; the unreadable page is left out.
  EXPECT_THAT(f.Read, ElementsAre("20140105anlma.htm", "2014/20140112anla.HTML", "2014/01/20140119anla.htm",
                                  "2014/01/broken.htm"));
  ASSERT_EQ(f.Setup.IndexData.size(), 3u);
  const CScoreFile& a = f.Setup.IndexData[0];
  EXPECT_EQ(a.Path, "20140105anlma.htm");
  EXPECT_TRUE(a.IsPdfUploaded());
  EXPECT_TRUE(a.IsHandRecordUploaded());
  EXPECT_EQ(a.HandRecordPath, "20140105anlma.pbn");

  // A PDF in other letter case is linked; a hand record file whose base differs in case is
  // not, but one of the same name in another folder is.
  const CScoreFile& b = f.Setup.IndexData[1];
  EXPECT_EQ(b.Path, "2014/20140112anla.HTML");
  EXPECT_EQ(b.WebPageName, "2014\\20140112anla.HTML");
  EXPECT_TRUE(b.IsPdfUploaded());
  EXPECT_TRUE(b.IsHandRecordUploaded());
  EXPECT_EQ(b.HandRecordPath, "20140112anla.lin");

  // A PDF listed before its page is not linked.
  const CScoreFile& c = f.Setup.IndexData[2];
  EXPECT_EQ(c.Path, "2014/01/20140119anla.htm");
  EXPECT_EQ(c.WebPageName, "2014\\01\\20140119anla.htm");
  EXPECT_EQ(c.InsertNumber, 0u);
  EXPECT_FALSE(c.IsPdfUploaded());
  EXPECT_EQ(c.HandRecordPath, "20140119anla.Dup");
  EXPECT_GT(c.Posted, 0);

  EXPECT_THAT(f.SiteCalls, ElementsAre("login", "cd results", "disconnect", "disconnect"));
  EXPECT_EQ(f.Saves, 1);
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Index Website complete: 3 file(s)");
  EXPECT_THAT(f.Env.LogLines(), testing::Contains("Index Website complete: 3 file(s)"));
  EXPECT_THAT(f.Env.Sink.TextsFor(StatusCode::StatusLine),
              testing::Contains("(Use File\u2192Cancel to cancel) Indexing 2014/01/20140119anla.htm"));
  EXPECT_EQ(f.Env.Status.BusyCount(), 0);
}

TEST(IndexWebsite, SkipLeavesThePageOutAndCancelAsksToAbandon) {
  SiteFixture f(Tree{{"", {"a.htm", "b.htm"}}});
  f.Sections = {{"a.htm", "A"}, {"b.htm", ""}};
  std::deque<int> answers{2, 0, 1};  // b: Cancel, then (No to abandon) Skip; a: identified
  f.Ctx.Hooks.Identify = [&](CScoreFile& page) {
    if (page.Path == "a.htm") return 1;
    int a = answers.front();
    answers.pop_front();
    if (a == 0) page.SetSelected(false);
    return a;
  };
  f.Env.Ui.QueueAnswer(MbAnswer::No);
  ASSERT_TRUE(IndexWebsite(f.Ctx, f.ReadPage));
  ASSERT_EQ(f.Setup.IndexData.size(), 1u);
  EXPECT_EQ(f.Setup.IndexData[0].Path, "a.htm");
  ASSERT_EQ(f.Env.Ui.BoxCount(), 1u);
  CRecordingUi::Box box = f.Env.Ui.LastBox();
  EXPECT_EQ(box.Text, "Are you sure you want to abandon the entire indexing operation?");
  EXPECT_EQ(box.Icon, MbIcon::Question);
  EXPECT_EQ(box.Buttons, MbButtons::YesNo);
  EXPECT_EQ(box.DefaultButton, 1);
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Index Website complete: 1 file(s)");
}

TEST(IndexWebsite, FailuresLeaveIndexDataAlone) {
  {
    // Abandon answered Yes.
    SiteFixture f(Tree{{"", {"a.htm"}}});
    f.Sections = {{"a.htm", "A"}};
    f.Ctx.Hooks.Identify = [](CScoreFile&) { return 2; };
    f.Env.Ui.QueueAnswer(MbAnswer::Yes);
    EXPECT_FALSE(IndexWebsite(f.Ctx, f.ReadPage));
    EXPECT_THAT(f.Setup.IndexData.front().Path, "previous.htm");
    EXPECT_EQ(f.Saves, 0);
  }
  {
    // Cancel pressed while the walk runs.
    SiteFixture f(Tree{{"", {"a.htm", "b.htm", "c.htm"}}});
    f.Sections = {{"a.htm", "A"}, {"b.htm", "A"}, {"c.htm", "A"}};
    f.ReadPage = [&f, inner = f.ReadPage](CScoreFile& page, const std::string& path, CFtpConnection* c) {
      f.Env.Status.RequestCancel();
      return inner(page, path, c);
    };
    EXPECT_FALSE(IndexWebsite(f.Ctx, f.ReadPage));
    EXPECT_THAT(f.Read, ElementsAre("a.htm"));
    ASSERT_EQ(f.Setup.IndexData.size(), 1u);
    EXPECT_EQ(f.Setup.IndexData.front().Path, "previous.htm");
    EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Canceled");
    EXPECT_EQ(f.Env.Status.BusyCount(), 0);
  }
  {
    SiteFixture f(Tree{{"", {"a.htm"}}});
    f.Ctx.Hooks.MakeSite = [] {
      auto s = std::make_unique<FakeSite>();
      s->LoginOk = false;
      return std::unique_ptr<IIndexSite>(std::move(s));
    };
    EXPECT_FALSE(IndexWebsite(f.Ctx, f.ReadPage));
    EXPECT_EQ(f.Setup.IndexData.size(), 1u);
  }
  {
    // An error raised for one file is shown and the walk goes on.
    SiteFixture f(Tree{{"", {"a.htm", "b.htm"}}});
    f.Sections = {{"b.htm", "A"}};
    f.ReadPage = [&f, inner = f.ReadPage](CScoreFile& page, const std::string& path, CFtpConnection* c) -> bool {
      if (path == "a.htm") throw CFileException(5, path);
      return inner(page, path, c);
    };
    EXPECT_TRUE(IndexWebsite(f.Ctx, f.ReadPage));
    EXPECT_EQ(f.Env.Ui.BoxCount(), 1u);
    ASSERT_EQ(f.Setup.IndexData.size(), 1u);
    EXPECT_EQ(f.Setup.IndexData[0].Path, "b.htm");
  }
  {
    // An empty score file directory empties the index.
    SiteFixture f(Tree{{"", {}}});
    EXPECT_TRUE(IndexWebsite(f.Ctx, f.ReadPage));
    EXPECT_TRUE(f.Setup.IndexData.empty());
    EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Index Website complete: 0 file(s)");
  }
}
