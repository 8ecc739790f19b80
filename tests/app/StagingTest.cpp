#include "app/Staging.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEnv.h"
#include "app/AppData.h"
#include "platform/Errors.h"

namespace tx {
namespace {

namespace fs = std::filesystem;

class StagingTest : public ::testing::Test {
 protected:
  fs::path Base() { return env_.Home() / ".local" / "share" / "Kestrova" / "Tabulonix"; }
  fs::path DataFile() {
    uint32_t error = 0;
    return GetAppDataPath(false, error);
  }
  test::TestEnv env_;
  AppData data_;
};

TEST_F(StagingTest, FirstFreeNameIsChosenAndSavedOnce) {
  fs::create_directories(Base() / "Staging1");
  fs::create_directories(Base() / "Staging2");
  const fs::path path = GetStagingDirectory(env_.Svc, data_);
  EXPECT_EQ(path, Base() / "Staging3");
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_EQ(data_.Setup.StagingDirectoryName, "Staging3");
  ASSERT_TRUE(fs::exists(DataFile()));

  fs::remove(DataFile());
  EXPECT_EQ(GetStagingDirectory(env_.Svc, data_), path);
  EXPECT_FALSE(fs::exists(DataFile()));  // not saved again
  EXPECT_EQ(env_.Ui.BoxCount(), 0u);
}

TEST_F(StagingTest, StoredNameIsRemadeWhenMissing) {
  data_.Setup.StagingDirectoryName = "Staging9";
  EXPECT_EQ(GetStagingDirectory(env_.Svc, data_), Base() / "Staging9");
  EXPECT_TRUE(fs::is_directory(Base() / "Staging9"));
}

TEST_F(StagingTest, FileInPlaceOfFolderAborts) {
  struct Case {
    const char* Name;
    fs::path File;
    std::string Stored;
  };
  const std::vector<Case> cases = {
      {"staging name", Base() / "Staging4", "Staging4"},
      {"program folder", Base(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove_all(env_.Home() / ".local" / "share" / "Kestrova");
    fs::create_directories(c.File.parent_path());
    env_.WriteFile(fs::relative(c.File, env_.Root()).string(), "file");
    data_.Setup.StagingDirectoryName = c.Stored;
    env_.Ui.Clear();
    EXPECT_THROW(GetStagingDirectory(env_.Svc, data_), QuietAbort);
    ASSERT_EQ(env_.Ui.BoxCount(), 1u);
    EXPECT_EQ(env_.Ui.LastBox().Text, "Cannot access staging directory (error code 0x000000B7).");
    EXPECT_EQ(env_.Ui.LastBox().Icon, MbIcon::Error);
  }
}

TEST_F(StagingTest, AllNamesTakenAborts) {
  for (int n = 1; n <= 255; ++n) fs::create_directories(Base() / ("Staging" + std::to_string(n)));
  EXPECT_THROW(GetStagingDirectory(env_.Svc, data_), QuietAbort);
  EXPECT_EQ(data_.Setup.StagingDirectoryName, "");
}

}  // namespace
}  // namespace tx
