#include "web/IndexData.h"

#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/LocalTime.h"
#include "scorefile/Setup.h"

using namespace tx;

namespace {
struct ScopedTz {
  test::ScopedEnv tz{"TZ", std::string("UTC")};
  ScopedTz() { ResetTimeZone(); }
  ~ScopedTz() { ResetTimeZone(); }
};
int64_t Local(int y, int m, int d, int h = 0) { return MakeLocalTime(y, m, d, h, 0, 0); }
}  // namespace

TEST(IndexData, MonthKeyAndChangedMonths) {
  ScopedTz tz;
  CScoreFile r;
  r.SessionDate = Local(2014, 1, 5);
  EXPECT_EQ(MonthKey(r.SessionDate), 0x107DEu);
  CIndexState state;
  state.MarkMonthChanged(r);
  EXPECT_TRUE(state.IsMonthChanged(2014, 1));
  EXPECT_FALSE(state.IsMonthChanged(2014, 2));
}

TEST(IndexData, PageNames) {
  struct Row {
    const char* index;
    const char* month;
    const char* byMonth;
    const char* pattern;
  } rows[] = {{"results.htm", "results201401.htm", "resultsByMonth.htm", "results*.htm"},
              {"results", "results201401", "resultsByMonth", "results*"},
              {"a.b/results", "a.b/results201401", "a.b/resultsByMonth", "a.b/results*"}};
  for (const Row& row : rows) {
    EXPECT_EQ(MakeMonthPageName(row.index, 2014, 1), row.month);
    EXPECT_EQ(MakeIndexPageName(row.index, "ByMonth"), row.byMonth);
    EXPECT_EQ(MakeIndexPageName(row.index, "*"), row.pattern);
  }
}

TEST(IndexData, FilterTakesTheLaterCutOff) {
  ScopedTz tz;
  CSetup setup;
  setup.DaysToIndex = 30;
  setup.OldestToIndex = Local(2013, 6, 1);
  int64_t now = Local(2014, 1, 15, 10);
  int64_t cut = IndexCutOff(setup, now);
  EXPECT_EQ(cut, Local(2013, 12, 16, 10));
  CScoreFile e;
  e.SessionDate = Local(2013, 12, 17);
  EXPECT_TRUE(IsIndexed(e, cut));
  e.SessionDate = Local(2013, 12, 16);
  EXPECT_FALSE(IsIndexed(e, cut));
  setup.OldestToIndex = Local(2014, 1, 1);
  EXPECT_EQ(IndexCutOff(setup, now), Local(2014, 1, 1));
  e.SessionDate = 0;
  EXPECT_FALSE(IsIndexed(e, 0));
}

TEST(IndexData, RegisterOverwritesEntryOfSameFileName) {
  std::vector<CScoreFile> index;
  CScoreFile first, second;
  first.Event = "Pairs";
  second.Event = "Swiss";
  std::vector<CScoreFile*> posted{&first};
  RegisterIndexEntry(index, {}, "2014\\01\\a.htm");
  EXPECT_TRUE(index.empty());
  RegisterIndexEntry(index, posted, "2014\\01\\a.htm");
  posted = {&second};
  RegisterIndexEntry(index, posted, "2015\\02\\A.HTM");
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(index[0].Event, "Swiss");
  EXPECT_EQ(index[0].Path, "2015\\02\\A.HTM");
  EXPECT_EQ(FindIndexEntry(index, "x/a.htm"), &index[0]);
}
