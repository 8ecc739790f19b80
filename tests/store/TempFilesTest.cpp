#include "store/TempFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/Errors.h"

namespace fs = std::filesystem;
using tx::test::ScopedEnv;
using tx::test::TestEnv;
using ::testing::Contains;

namespace {

struct TempFiles : ::testing::Test {
  TestEnv env;
  tx::CTempPaths paths;
  void FixTick(uint64_t tick) {
    paths.Tick = [tick] { return tick; };
  }
};

TEST_F(TempFiles, SameTickGivesConsecutiveNamesAndWrapsAfterFFFF) {
  fs::path folder = env.Dir("t");
  struct Case {
    uint64_t tick;
    const char* first;
    const char* second;
  } cases[] = {
      {0x51234, "TBw1234.htm", "TBw1235.htm"},  // only the low 16 bits count
      {0xFFFF, "TBwFFFF.htm", "TBw0000.htm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    FixTick(c.tick);
    fs::path a, b;
    ASSERT_TRUE(tx::GetTempFile(env.Svc, paths, folder, "TBw", ".htm", a));
    ASSERT_TRUE(tx::GetTempFile(env.Svc, paths, folder, "TBw", ".htm", b));
    EXPECT_EQ(a, folder / c.first);
    EXPECT_EQ(b, folder / c.second);
    EXPECT_TRUE(fs::is_regular_file(a));
    EXPECT_EQ(fs::file_size(b), 0u);
  }
  EXPECT_EQ(paths.Paths().size(), 4u);
}

TEST_F(TempFiles, DefaultFolderIsTheSystemTemporaryFolder) {
  fs::path tmp = env.Dir("sys");
  ScopedEnv t("TMPDIR", tmp.string());
  FixTick(0xABCD);
  fs::path a;
  ASSERT_TRUE(tx::GetTempFile(env.Svc, paths, {}, "TBm", ".pdf", a));
  EXPECT_EQ(a, tmp / "TBmABCD.pdf");
  fs::path d = tx::GetTempDirectory(env.Svc, paths, "TBm");
  EXPECT_EQ(d, tmp / "TBmABCD");  // a file and a folder may share the digits
  EXPECT_TRUE(fs::is_directory(d));
}

TEST_F(TempFiles, DirectoryThatCannotBeMadeReportsAndAbandons) {
  ScopedEnv t("TMPDIR", (env.Root() / "missing").string());
  EXPECT_THROW(tx::GetTempDirectory(env.Svc, paths, "TBm"), tx::QuietAbort);
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CTabulonixApp::GetTempDirectory: CreateDirectory]"));
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_TRUE(paths.Paths().empty());
}

TEST_F(TempFiles, CleanUpRemovesFilesAndFoldersWithSubfolders) {
  ScopedEnv t("TMPDIR", env.Dir("sys").string());
  fs::path file, dir;
  ASSERT_TRUE(tx::GetTempFile(env.Svc, paths, {}, "TBr", ".htm", file));
  dir = tx::GetTempDirectory(env.Svc, paths, "TBm");
  fs::create_directories(dir / "a_files" / "deep");
  env.WriteFile(fs::relative(dir / "a_files" / "deep" / "x.png", env.Root()).string(), "png");
  env.WriteFile(fs::relative(dir / "a.htm", env.Root()).string(), "<html>");
  fs::path gone;
  ASSERT_TRUE(tx::GetTempFile(env.Svc, paths, {}, "TBw", ".htm", gone));
  fs::remove(gone);  // already gone: skipped
  paths.CleanUp();
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_TRUE(paths.Paths().empty());
  EXPECT_TRUE(fs::exists(env.Dir("sys")));
}

}  // namespace
