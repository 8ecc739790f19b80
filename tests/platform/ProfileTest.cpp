#include <gtest/gtest.h>

#include <thread>

#include "TestEnv.h"
#include "platform/FileUtil.h"
#include "platform/Profile.h"

namespace fs = std::filesystem;

namespace tx {

TEST(Profile, DefaultPathIsBelowTheConfigFolder) {
  test::TestEnv env;
  EXPECT_EQ(CProfile::DefaultPath(), env.Home() / ".config" / "Kestrova" / "Tabulonix.ini");
}

TEST(Profile, AnyTextRoundTripsThroughTheFile) {
  test::TempDir tmp;
  const fs::path file = tmp.Path() / "sub" / "p.ini";
  const std::string values[] = {
      "",  "plain", "  leading and trailing  ", "a=b=c", "line1\nline2\r\nline3", "back\\slash\\n",
      "[not a section]", "; not a comment", "tab\there", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
      std::string("nul\0byte", 8), "\\x41 stays", "trailing backslash\\",
  };
  {
    CProfile p(file);
    int i = 0;
    for (const std::string& v : values) ASSERT_EQ(p.WriteString("Odd [Section] =", "v" + std::to_string(i++), v), 0u);
    ASSERT_EQ(p.WriteString("S", " name = with [odd] #chars ", "x"), 0u);
  }
  CProfile q(file);  // a fresh instance reads the file
  int i = 0;
  for (const std::string& v : values) EXPECT_EQ(q.GetString("Odd [Section] =", "v" + std::to_string(i++)), v) << i;
  EXPECT_EQ(q.GetString("S", " name = with [odd] #chars "), "x");
}

TEST(Profile, NamesIgnoreCaseAndNumbersParse) {
  test::TempDir tmp;
  CProfile p(tmp.Path() / "p.ini");
  ASSERT_EQ(p.WriteInt("Settings", "MaxLogSize", 4096), 0u);
  EXPECT_EQ(p.GetInt("settings", "maxlogsize", 1), 4096u);
  ASSERT_EQ(p.WriteString("SETTINGS", "MAXLOGSIZE", "0x10"), 0u);
  EXPECT_EQ(p.GetInt("Settings", "MaxLogSize", 1), 16u);
  EXPECT_EQ(p.GetSectionNames(), std::vector<std::string>{"Settings"});
  EXPECT_EQ(p.GetValueNames("Settings"), std::vector<std::string>{"MaxLogSize"});
  ASSERT_EQ(p.WriteString("Settings", "Bad", "12abc"), 0u);
  EXPECT_EQ(p.GetInt("Settings", "Bad", 7), 7u);
  EXPECT_EQ(p.GetInt("Settings", "Missing", 2048), 2048u);
  ASSERT_EQ(p.WriteString("Settings", "Neg", "-1"), 0u);
  EXPECT_EQ(p.GetInt("Settings", "Neg", 0), 0xFFFFFFFFu);
  EXPECT_EQ(p.GetString("Nope", "Nothing", "dflt"), "dflt");
  EXPECT_FALSE(p.GetStringIf("Settings", "Missing"));
}

TEST(Profile, DeleteValueAndSection) {
  test::TempDir tmp;
  CProfile p(tmp.Path() / "p.ini");
  EXPECT_EQ(p.DeleteValue("A", "x"), 0u);  // nothing there: not an error, no file made
  EXPECT_FALSE(fs::exists(p.GetPath()));
  p.WriteString("A", "x", "1");
  p.WriteString("A", "y", "2");
  p.WriteString("B", "z", "3");
  EXPECT_EQ(p.DeleteValue("a", "X"), 0u);
  EXPECT_FALSE(p.HasValue("A", "x"));
  EXPECT_TRUE(p.HasValue("A", "y"));
  EXPECT_EQ(p.DeleteSection("b"), 0u);
  EXPECT_EQ(p.GetSectionNames(), std::vector<std::string>{"A"});
}

TEST(Profile, ChangesReplaceTheFileAndKeepOtherWritersValues) {
  test::TempDir tmp;
  const fs::path file = tmp.Path() / "p.ini";
  CProfile a(file), b(file);  // as two running copies of the program
  ASSERT_EQ(a.WriteString("S", "fromA", "1"), 0u);
  // A second link keeps the old file: a safe replacement leaves it untouched.
  fs::create_hard_link(file, tmp.Path() / "old");
  const std::string before = test::TestEnv::ReadFile(file);
  ASSERT_EQ(b.WriteString("S", "fromB", "2"), 0u);
  EXPECT_EQ(test::TestEnv::ReadFile(tmp.Path() / "old"), before);
  fs::remove(tmp.Path() / "old");
  EXPECT_EQ(a.GetString("S", "fromB"), "2");  // a sees b's change
  ASSERT_EQ(a.WriteString("S", "fromA", "3"), 0u);
  EXPECT_EQ(b.GetString("S", "fromB"), "2");
  EXPECT_EQ(b.GetString("S", "fromA"), "3");
  // Nothing but the profile is left in the folder.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(tmp.Path())) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"p.ini"});
}

TEST(Profile, ConcurrentWritersLoseNothing) {
  test::TempDir tmp;
  const fs::path file = tmp.Path() / "p.ini";
  CProfile shared(file), other(file);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      CProfile& p = t % 2 ? shared : other;
      for (int i = 0; i < 25; ++i) p.WriteInt("S", "t" + std::to_string(t) + "_" + std::to_string(i), uint32_t(i));
    });
  for (auto& th : threads) th.join();
  CProfile check(file);
  EXPECT_EQ(check.GetValueNames("S").size(), 100u);
}

TEST(Profile, FailedWriteReportsAndChangesNothing) {
  test::TempDir tmp;
  ASSERT_EQ(WriteFileAtomically(tmp.Path() / "file", "x"), 0u);
  CProfile p(tmp.Path() / "file" / "p.ini");  // the folder is a file
  EXPECT_EQ(p.WriteString("S", "v", "1"), 3u);
  EXPECT_FALSE(p.HasValue("S", "v"));
  CProfile none{fs::path()};
  EXPECT_NE(none.WriteString("S", "v", "1"), 0u);
}

}  // namespace tx
