#include <gtest/gtest.h>

#include "platform/Version.h"

namespace tx {

TEST(ProductVersion, TextShowsBuildAndRevisionOnlyWhenLowWordIsSet) {
  struct Row { unsigned a, b, c, d; const char* text; };
  const Row rows[] = {
      {5, 21, 0, 0, "5.21"},
      {5, 21, 3, 0, "5.21.3"},
      {5, 21, 0, 7, "5.21.0.7"},
      {5, 20, 9, 9, "5.20.9.9"},
      {0, 0, 0, 0, "0.0"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(FormatProductVersion(ProductVersion::Make(r.a, r.b, r.c, r.d)), r.text) << r.text;
}

TEST(ProductVersion, ParsesVersionTexts) {
  ProductVersion v;
  ASSERT_TRUE(ParseProductVersion("dealwright 5.21.3.0", v));
  EXPECT_EQ(v.High, 0x00050015u);
  EXPECT_EQ(v.Low, 0x00030000u);
  EXPECT_FALSE(ParseProductVersion("no digits", v));
}

}  // namespace tx
