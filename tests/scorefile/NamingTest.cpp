#include "scorefile/Naming.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/CivilTime.h"
#include "platform/LocalTime.h"
#include "scorefile/IdentifyValues.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"

using tx::CScoreFile;
using tx::IdentifyAnswer;
using tx::IdentifyResult;
using tx::test::ScopedEnv;
using tx::test::TestEnv;

namespace {

struct Naming : ::testing::Test {
  TestEnv env;
  ScopedEnv tz{"TZ", "UTC"};
  Naming() {
    tx::ResetTimeZone();
    tx::CivilResetTimeZone();
  }
  static CScoreFile Complete() {
    CScoreFile r;
    r.Path = "C:\\ACBLSCOR\\club.txt";
    r.Event = "Club Pairs";
    r.Session = "Sunday Aft";
    r.Section = "A";
    r.Limits = "nlm";
    r.SessionDate = tx::MakeLocalTime(2014, 1, 5, 0, 0, 0);
    return r;
  }
};

TEST_F(Naming, LimitCodes) {
  struct {
    const char* limits;
    const char* code;
  } cases[] = {{"nlm", "nlm"}, {"NLM", "nlm"}, {"750/300/0", "750"}, {"None", "n"}, {"none", "n"},
               {"0-5", "0"},   {"-5", ""},      {" 750", ""},         {"nonex", "nonex"}};
  for (auto& c : cases) EXPECT_EQ(tx::LimitCode(c.limits), c.code) << c.limits;
}

TEST_F(Naming, PageAndSessionBaseNames) {
  CScoreFile r = Complete();
  EXPECT_EQ(tx::PageBaseName(r), "20140105anlma");
  r.Section = "";
  EXPECT_EQ(tx::PageBaseName(r), "20140105anlm");
  EXPECT_EQ(r.GetSessionBaseName(), "140105A");
  r.Session = "Sunday";
  r.Path = "Club.txt";
  EXPECT_EQ(r.GetSessionBaseName(), "140105U");

  struct {
    const char* path;
    const char* base;
    const char* bws;
  } undated[] = {
      {"C:\\ACBLSCOR\\GAMEFILE\\140105.ACA", "140105A", "C:\\ACBLSCOR\\GAMEFILE\\140105A.bws"},
      {"/scores/Club.txt", "Club", "/scores/Club.bws"},
      {"/scores/my.game.txt", "my.game", "/scores/my.game"},
      {"game.acl", "gameL", "gameL.bws"},
  };
  for (auto& c : undated) {
    CScoreFile u;
    u.Path = c.path;
    EXPECT_EQ(u.GetSessionBaseName(), c.base) << c.path;
    EXPECT_EQ(u.GetBwsPath(), c.bws) << c.path;
  }
}

TEST_F(Naming, CompleteFileNeedsNoQuestion) {
  CScoreFile r = Complete();
  std::string page;
  EXPECT_EQ(tx::Identify(r, env.Svc, true, &page), IdentifyResult::Identified);
  EXPECT_EQ(page, "20140105anlma");
}

TEST_F(Naming, NamingNeedsLimitAndSessionButPlainIdentifyDoesNot) {
  for (auto edit : {+[](CScoreFile& r) { r.Limits = "-5"; }, +[](CScoreFile& r) { r.Session = "Wednesday"; }}) {
    CScoreFile r = Complete();
    edit(r);
    std::string page;
    EXPECT_EQ(tx::Identify(r, env.Svc, false, nullptr), IdentifyResult::Identified);
    EXPECT_EQ(tx::Identify(r, env.Svc, false, &page), IdentifyResult::NotIdentified);
  }
  CScoreFile blank = Complete();
  blank.Event = "   ";
  EXPECT_EQ(tx::Identify(blank, env.Svc, false, nullptr), IdentifyResult::NotIdentified);
}

TEST_F(Naming, DialogValuesAreTakenAndAskedAgainUntilComplete) {
  CScoreFile r;
  r.Path = "/scores/club.txt";
  r.Section = "b";
  r.Data = {'x', 0};
  r.Flags |= CScoreFile::DataLoaded;
  int asked = 0;
  env.Ui.OnIdentifyScoreFile = [&](tx::CIdentifyValues& v) {
    ++asked;
    if (asked == 1) {
      EXPECT_EQ(v.FileName, "/scores/club.txt");
      EXPECT_EQ(v.SessionIndex, -1);
      EXPECT_EQ(v.SessionDate, 0);
      EXPECT_EQ(v.Section, "b");
      EXPECT_EQ(v.Contents, &r.Data);
      v.Event = "Open Pairs";
      v.SessionDate = tx::MakeLocalTime(2014, 1, 8, 0, 0, 0);  // a Wednesday
      v.SessionIndex = 0;
      v.Limit = " 300";  // passes the dialog's check but gives no limit code
      v.Section = "c";
    } else {
      v.Limit = "300";
    }
    return IdentifyAnswer::Ok;
  };
  std::string page;
  EXPECT_EQ(tx::Identify(r, env.Svc, true, &page), IdentifyResult::Identified);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(r.Session, "Wednesday Mor");
  EXPECT_EQ(r.GetSessionIndex(), 0);
  EXPECT_EQ(r.Section, "C");
  EXPECT_EQ(page, "20140108m300c");
  EXPECT_TRUE(r.DateText.empty());
}

TEST_F(Naming, SkipAndCancel) {
  CScoreFile r;
  EXPECT_EQ(tx::Identify(r, env.Svc, true, nullptr), IdentifyResult::NotIdentified);  // default Skip
  EXPECT_FALSE(r.IsSelected());
  env.Ui.OnIdentifyScoreFile = [](tx::CIdentifyValues&) { return IdentifyAnswer::Cancel; };
  CScoreFile c;
  EXPECT_EQ(tx::Identify(c, env.Svc, true, nullptr), IdentifyResult::Canceled);
  EXPECT_TRUE(c.IsSelected());
}

TEST_F(Naming, WebPageNameRules) {
  tx::CSetup setup;
  setup.ScoreFileTemplateFilename = "templates/results.HTM";
  CScoreFile r = Complete();
  std::string page;
  EXPECT_EQ(tx::MakeWebPageName(r, env.Svc, setup, nullptr, page), IdentifyResult::Identified);
  EXPECT_EQ(page, "20140105anlma.htm");
  setup.SetFlag(tx::setupflag::UploadToSubdirectories, true);
  EXPECT_EQ(tx::MakeWebPageName(r, env.Svc, setup, nullptr, page), IdentifyResult::Identified);
  EXPECT_EQ(page, "2014\\01\\20140105anlma.htm");

  CScoreFile previous = Complete();
  previous.WebPageName = "2013\\12\\oldpage.html";
  EXPECT_EQ(tx::MakeWebPageName(r, env.Svc, setup, &previous, page), IdentifyResult::Identified);
  EXPECT_EQ(page, "2014\\01\\oldpage.html");
  previous.InsertNumber = 1;  // not insert 0: named afresh
  EXPECT_EQ(tx::MakeWebPageName(r, env.Svc, setup, &previous, page), IdentifyResult::Identified);
  EXPECT_EQ(page, "2014\\01\\20140105anlma.htm");

  setup.ScoreFileTemplateFilename = "noext";
  setup.SetFlag(tx::setupflag::UploadToSubdirectories, false);
  EXPECT_EQ(tx::MakeWebPageName(r, env.Svc, setup, nullptr, page), IdentifyResult::Identified);
  EXPECT_EQ(page, "20140105anlma");
}

}  // namespace
