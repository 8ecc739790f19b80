#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"

namespace fs = std::filesystem;

namespace tx {

using test::ScopedEnv;
using test::TempDir;

TEST(Folders, FollowTheXdgVariables) {
  TempDir tmp;
  const std::string root = tmp.Path().string();
  struct Row {
    const char* comment;
    std::optional<std::string> home, dataHome, configHome, common, tmpdir;
    std::string expectCommon, expectUser, expectConfig, expectTemp;
  };
  const Row rows[] = {
      {"only HOME", root + "/h", {}, {}, {}, {},
       root + "/h/.local/share", root + "/h/.local/share", root + "/h/.config", "/tmp"},
      {"XDG set", root + "/h", root + "/d", root + "/c", {}, root + "/t",
       root + "/d", root + "/d", root + "/c", root + "/t"},
      {"common data overrides", root + "/h", root + "/d", {}, root + "/shared", {},
       root + "/shared", root + "/d", root + "/h/.config", "/tmp"},
      {"relative and empty values are ignored", root + "/h", std::string("rel/data"), std::string(""),
       std::string("rel"), std::string("tmp2"),
       root + "/h/.local/share", root + "/h/.local/share", root + "/h/.config", "/tmp"},
  };
  for (const Row& r : rows) {
    ScopedEnv a("HOME", r.home), b("XDG_DATA_HOME", r.dataHome), c("XDG_CONFIG_HOME", r.configHome),
        d("TABULONIX_COMMON_DATA", r.common), e("TMPDIR", r.tmpdir);
    EXPECT_EQ(GetCommonAppDataFolder(false), fs::path(r.expectCommon)) << r.comment;
    EXPECT_EQ(GetUserAppDataFolder(false), fs::path(r.expectUser)) << r.comment;
    EXPECT_EQ(GetConfigFolder(false), fs::path(r.expectConfig)) << r.comment;
    EXPECT_EQ(GetTempFolder(), fs::path(r.expectTemp)) << r.comment;
  }
}

TEST(Folders, ProgramSubfolderIsCreatedOnRequest) {
  TempDir tmp;
  ScopedEnv common("TABULONIX_COMMON_DATA", (tmp.Path() / "common").string());
  uint32_t error = 99;
  fs::path p = GetCommonProgramFolder(false, &error);
  EXPECT_EQ(p, tmp.Path() / "common" / "Kestrova" / "Tabulonix");
  EXPECT_FALSE(fs::exists(p));
  p = GetCommonProgramFolder(true, &error);
  EXPECT_EQ(error, 0u);
  EXPECT_TRUE(fs::is_directory(p));
}

TEST(Folders, FailuresGiveAnEmptyPathAndACode) {
  TempDir tmp;
  // A file where a folder should be.
  fs::path blocker = tmp.Path() / "file";
  ASSERT_EQ(WriteFileAtomically(blocker, "x"), 0u);
  ScopedEnv data("XDG_DATA_HOME", (blocker / "data").string());
  uint32_t error = 0;
  EXPECT_TRUE(GetUserProgramFolder(true, &error).empty());
  EXPECT_EQ(error, 3u);
  EXPECT_TRUE(GetProgramSubfolder({}, true, &error).empty());
  EXPECT_EQ(error, 3u);
}

}  // namespace tx
