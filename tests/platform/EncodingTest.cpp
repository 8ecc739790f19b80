#include "platform/Encoding.h"

#include <gtest/gtest.h>

namespace tx {
namespace {

struct DecodeCase {
  const char* why;
  std::string in;
  std::u16string out;
};

TEST(Encoding, Utf8ToUtf16ReplacesEachIllFormedPart) {
  const DecodeCase cases[] = {
      {"ascii", "abc", u"abc"},
      {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x82\xA1", u"\u00E9\u20AC\U0001F0A1"},
      {"stray continuation byte", "a\x80" "b", u"a\uFFFDb"},
      {"lead byte at the end", "a\xE2", u"a\uFFFD"},
      {"truncated three-byte sequence counts once", "\xE2\x82z", u"\uFFFDz"},
      {"overlong two-byte", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"bytes never used", "\xFE\xFF", u"\uFFFD\uFFFD"},
      {"embedded zero kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::u16string got = Utf8ToUtf16(c.in);
    EXPECT_EQ(got, c.out);
    EXPECT_EQ(Utf16Length(c.in), c.out.size());
    EXPECT_EQ(Utf16ToUtf8(got), SanitizeUtf8(c.in));
  }
}

TEST(Encoding, Utf16ToUtf8PairsAndLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F0A1x"), "\xF0\x9F\x82\xA1x");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD800, u'x'}), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Encoding, LittleEndianUtf16Bytes) {
  EXPECT_EQ(Utf8FromUtf16Le(std::string("a\0\xE9\0\x3C\xD8\xA1\xDC", 8)), "a\xC3\xA9\xF0\x9F\x82\xA1");
  EXPECT_EQ(Utf8FromUtf16Le(std::string("\x00\xD8x\0", 4)), "\xEF\xBF\xBDx");  // lone high surrogate
  EXPECT_EQ(Utf8FromUtf16Le(std::string("b\0\x01", 3)), "b");
}

TEST(Encoding, Windows1252BothWaysForEveryByte) {
  // Every byte maps to a character and back to the same byte.
  for (int b = 0; b < 256; ++b) {
    std::string one(1, char(b));
    std::string utf8 = Utf8FromWindows1252(one);
    bool usedDefault = true;
    EXPECT_EQ(Windows1252FromUtf8(utf8, &usedDefault), one) << b;
    EXPECT_FALSE(usedDefault) << b;
  }
  EXPECT_EQ(Utf8FromWindows1252("\x80\x85\x8A\x99\x9F\xE9"), "€…Š™Ÿé");
  EXPECT_EQ(Utf8FromWindows1252("\x81\x9D"), "\xC2\x81\xC2\x9D");
}

TEST(Encoding, Windows1252ReportsDefaultCharacter) {
  bool usedDefault = false;
  EXPECT_EQ(Windows1252FromUtf8("Caf\xC3\xA9 \xE2\x80\x93 Zoë", &usedDefault), "Caf\xE9 \x96 Zo\xEB");
  EXPECT_FALSE(usedDefault);
  EXPECT_EQ(Windows1252FromUtf8("\xC4\x80\xE2\x99\xA0\xF0\x9F\x82\xA1\x80", &usedDefault), "????");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(Windows1252FromUtf8("x"), "x");  // no flag wanted
}

TEST(Encoding, Latin1OneBytePerCharacter) {
  EXPECT_TRUE(IsLatin1("plain \xC3\xBF \xC2\x80"));
  EXPECT_FALSE(IsLatin1("\xE2\x82\xAC"));  // euro sign is U+20AC
  EXPECT_FALSE(IsLatin1("\xFF"));          // ill-formed
  bool usedDefault = false;
  EXPECT_EQ(Latin1FromUtf8("\xC3\xA9\xC2\x85", &usedDefault), "\xE9\x85");
  EXPECT_FALSE(usedDefault);
  EXPECT_EQ(Latin1FromUtf8("a\xE2\x82\xAC", &usedDefault), "a?");
  EXPECT_TRUE(usedDefault);
  EXPECT_EQ(Utf8FromLatin1("\xE9\x85"), "\xC3\xA9\xC2\x85");
}

}  // namespace
}  // namespace tx
