#include <gtest/gtest.h>

#include <clocale>

#include "TestEnv.h"
#include "platform/LocalTime.h"

namespace tx {

class LocalTimeTest : public ::testing::Test {
 protected:
  // A POSIX rule needs no zone database: US Eastern with its daylight saving rules.
  void SetUp() override { ResetTimeZone(); }
  void TearDown() override { ResetTimeZone(); }
  test::ScopedEnv tz_{"TZ", std::string("EST5EDT,M3.2.0,M11.1.0")};
};

TEST_F(LocalTimeTest, FormatsInTheCLocale) {
  const int64_t t = 1736107387;  // 2025-01-05 20:03:07 UTC
  EXPECT_EQ(FormatLocalTime(t, "%c"), "Sun Jan  5 15:03:07 2025");
  EXPECT_EQ(FormatLocalTime(t, "%x"), "01/05/25");
  EXPECT_EQ(FormatLocalTime(t, "%Y%m%d"), "20250105");
  EXPECT_EQ(FormatUtcTime(t, "%Y-%m-%d %H:%M:%S"), "2025-01-05 20:03:07");
  EXPECT_EQ(FormatLocalTime(t, ""), "");
}

TEST_F(LocalTimeTest, MakeAndBreakRoundTrip) {
  int64_t t = MakeLocalTime(2025, 7, 4, 19, 30, 0);  // summer time, UTC-4
  EXPECT_EQ(t, 1751671800);
  LocalTimeParts p = BreakLocalTime(t);
  ASSERT_TRUE(p.Valid);
  EXPECT_EQ(p.Year, 2025);
  EXPECT_EQ(p.Month, 7);
  EXPECT_EQ(p.Day, 4);
  EXPECT_EQ(p.Hour, 19);
  EXPECT_EQ(p.Minute, 30);
  EXPECT_EQ(p.DayOfWeek, 5);
  EXPECT_EQ(p.DayOfYear, 185);
  EXPECT_TRUE(p.Dst);
  EXPECT_EQ(MakeLocalTime(2024, 2, 29, 0, 0, 0), 1709182800);  // leap day
}

TEST_F(LocalTimeTest, InvalidFieldsGiveMinusOne) {
  struct Row { int y, m, d, h, mi, s; };
  const Row rows[] = {{2025, 4, 31, 0, 0, 0}, {2025, 2, 29, 0, 0, 0}, {2025, 13, 1, 0, 0, 0},
                      {2025, 0, 1, 0, 0, 0},  {2025, 1, 0, 0, 0, 0},  {2025, 1, 1, 24, 0, 0},
                      {2025, 1, 1, 0, 60, 0}, {2025, 1, 1, 0, 0, 60}, {1900, 2, 29, 0, 0, 0}};
  for (const Row& r : rows) {
    int64_t out = 5;
    EXPECT_FALSE(MakeLocalTime(r.y, r.m, r.d, r.h, r.mi, r.s, out)) << r.y << "-" << r.m << "-" << r.d;
    EXPECT_EQ(out, -1);
    EXPECT_EQ(MakeLocalTime(r.y, r.m, r.d, r.h, r.mi, r.s), -1);
  }
}

TEST(LocalTime, NowIsTheClock) {
  EXPECT_GT(Now(), 1700000000);
}

}  // namespace tx
