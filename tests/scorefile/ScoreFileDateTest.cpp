#include <gtest/gtest.h>

#include "ScopedTz.h"
#include "platform/Errors.h"
#include "platform/CivilTime.h"
#include "scorefile/ScoreFile.h"

namespace tx {
namespace {

class ScoreFileDate : public ::testing::Test {
 protected:
  static int64_t Midnight(int y, int m, int d) { return test::UsEastern(y, m, d); }
  test::ScopedTz tz_{test::UsEasternTz};
};

TEST_F(ScoreFileDate, ParseDate) {
  struct Case {
    const char* text;
    int y, m, d;  // y 0: no date
  };
  const Case cases[] = {
      {"January 5, 2014", 2014, 1, 5},
      {"jan 5, 2014", 2014, 1, 5},
      {"SEPTEMBER 30, 2013", 2013, 9, 30},
      {"Dec 31, 3000", 3000, 12, 31},
      {"Jul 4,  1970", 1970, 7, 4},     // blanks before the year are skipped
      {"March 9, 2014", 2014, 3, 9},    // daylight saving starts that day
      {"5 January 2014", 0, 0, 0},      // month first
      {"Feb 30, 2014", 0, 0, 0},        // no such day
      {"Apr 31, 2014", 0, 0, 0},
      {"Jan 32, 2014", 0, 0, 0},
      {"Jan 0, 2014", 0, 0, 0},
      {"Jan 1, 1969", 0, 0, 0},
      {"Jan 1, 3001", 0, 0, 0},
      {"Mar 3,2014", 0, 0, 0},          // the two skipped characters are ",2"
      {"January 5", 0, 0, 0},
      {"January 5,", 0, 0, 0},          // fewer than two characters after the day
      {"January", 0, 0, 0},
      {"Ja", 0, 0, 0},
      {"", 0, 0, 0},
  };
  for (const auto& c : cases) {
    CScoreFile r;
    r.DateText = c.text;
    r.SessionDate = 77;
    bool got = r.ParseDate();
    EXPECT_EQ(got, c.y != 0) << c.text;
    EXPECT_EQ(r.SessionDate, c.y ? Midnight(c.y, c.m, c.d) : 77) << c.text;
  }
}

TEST_F(ScoreFileDate, DateFromFileNameWithPinnedYear) {
  struct Case {
    const char* path;
    int year;     // current year of the run
    int y, m, d;  // y 0: no date
    int session;
  };
  const Case cases[] = {
      {"140105.ACA", 2014, 2014, 1, 5, 1},
      {"C:\\ACBLSCOR\\GAMEFILE\\140105E.txt", 2014, 2014, 1, 5, 2},
      {"/scores/140105m.txt", 2014, 2014, 1, 5, 0},
      {"140105L.TXT", 2014, 2014, 1, 5, 3},
      {"140105.acm", 2014, 2014, 1, 5, 0},
      {"140105.acl", 2014, 2014, 1, 5, 3},
      {"140105x.txt", 2014, 2014, 1, 5, -1},
      {"140105.txt", 2014, 2014, 1, 5, -1},
      {"140105", 2014, 2014, 1, 5, -1},
      {"991231.txt", 2014, 1999, 12, 31, -1},
      {"141231A.txt", 2014, 2014, 12, 31, 1},
      {"150105A.txt", 2014, 0, 0, 0, -1},  // 1915
      {"150105A.txt", 2015, 2015, 1, 5, 1},
      {"000101A.txt", 2099, 2000, 1, 1, 1},
      {"140230A.txt", 2014, 0, 0, 0, -1},  // no such day
      {"141305A.txt", 2014, 0, 0, 0, -1},
      {"140100A.txt", 2014, 0, 0, 0, -1},
      {"1401051.txt", 2014, 0, 0, 0, -1},
      {"14010A.txt", 2014, 0, 0, 0, -1},
      {"Club.txt", 2014, 0, 0, 0, -1},
      {"140105A.txt\\", 2014, 0, 0, 0, -1},  // no file name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " in " + std::to_string(c.year));
    CScoreFile r;
    r.Path = c.path;
    int64_t date = 1;
    int session = 9;
    r.DateFromFileName(&date, &session, c.year);
    EXPECT_EQ(date, c.y ? Midnight(c.y, c.m, c.d) : 0);
    EXPECT_EQ(session, c.session);
    // Either output may be left out.
    int64_t dateOnly = 1;
    r.DateFromFileName(&dateOnly, nullptr, c.year);
    EXPECT_EQ(dateOnly, date);
  }
}

TEST_F(ScoreFileDate, SessionIndexFromSessionTextThenFileName) {
  struct Case {
    const char* session;
    const char* path;
    int index;
  };
  const Case cases[] = {
      {"Wednesday Aft", "Club.txt", 1},
      {"Wednesday afternoon", "Club.txt", 1},
      {"Wednesday A", "Club.txt", 1},
      {"Monday Morn", "140105E.txt", 0},  // the text wins over the name
      {"Friday Eve", "Club.txt", 2},
      {"Sat late", "Club.txt", 3},
      {"Wednesday", "140105E.txt", 2},                  // no session word: the name
      {"Wednesday Evening Session", "140105M.txt", 0},  // longer than the name: no match
      {"Wednesday Xyz", "Club.txt", -1},
      {"", "140105.aca", 1},
      {"Tuesday ", "140105l.txt", 3},
      {"", "Club.txt", -1},
  };
  for (const auto& c : cases) {
    CScoreFile r;
    r.Session = c.session;
    r.Path = c.path;
    EXPECT_EQ(r.GetSessionIndex(), c.index) << c.session << " / " << c.path;
  }
}

TEST_F(ScoreFileDate, SectionCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"A", "A"}, {"AB 2", "AB"}, {"  C", "C"}, {"\tBB", "BB"}, {"1", ""}, {"", ""}, {"A1", "A"},
  };
  for (const auto& [section, code] : cases) {
    CScoreFile r;
    r.Section = section;
    EXPECT_EQ(r.GetSectionCode(), code) << section;
  }
}

TEST_F(ScoreFileDate, EffectiveDateAndDescription) {
  CScoreFile r;
  r.Path = "C:\\GAMEFILE\\991231A.txt";
  r.Modified = Midnight(2014, 2, 3) + 3600;
  r.Session = "Wednesday Aft";
  r.SessionDate = Midnight(2014, 1, 5);  // a Sunday
  EXPECT_EQ(r.GetEffectiveDate(), r.SessionDate);
  EXPECT_EQ(r.GetSessionDescription(), "Sunday Afternoon");

  r.SessionDate = 0;
  EXPECT_EQ(r.GetEffectiveDate(), Midnight(1999, 12, 31));
  EXPECT_EQ(r.GetSessionDescription(), "Friday Afternoon");

  r.Path = "Club.txt";
  r.Session = "Monday";
  EXPECT_EQ(r.GetEffectiveDate(), r.Modified);
  EXPECT_EQ(r.GetSessionDescription(), "Monday");  // session unknown: weekday alone

  r.Modified = INT64_MAX;
  EXPECT_THROW(r.GetSessionDescription(), CInvalidArgException);
}

}  // namespace
}  // namespace tx
