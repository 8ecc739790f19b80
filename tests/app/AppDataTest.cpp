#include "app/AppData.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TestEnv.h"
#include "app/MirrorFile.h"
#include "app/SetupDocument.h"
#include "platform/Errors.h"
#include "store/Archive.h"
#include "store/Sha256.h"

namespace tx {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;

CScoreFile Posted(const std::string& name) {
  CScoreFile r;
  r.Hash = CSha256::Digest(name);
  r.Path = "C:\\ACBLSCOR\\GAMEFILE\\" + name + ".txt";
  r.HandRecordPath = "C:\\Hands\\" + name + ".pbn";
  r.WebPageName = name + ".htm";
  r.Posted = 1700000000;
  return r;
}

// Temporary files a failed save left in a folder.
std::vector<std::string> Leftovers(const fs::path& folder) {
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().find(".tmp") != std::string::npos) names.push_back(e.path().filename().string());
  return names;
}

class AppDataTest : public ::testing::Test {
 protected:
  ~AppDataTest() override { CMirrorFile::InjectFault(std::nullopt); }
  fs::path DataFile() {
    uint32_t error = 0;
    return GetAppDataPath(false, error);
  }
  fs::path ProgramFolder() { return env_.Root() / "common" / "Kestrova" / "Tabulonix"; }

  test::TestEnv env_;
  AppData data_;
};

TEST_F(AppDataTest, FirstRunLogsMissingFileAndFirstSaveWritesEmptyHistory) {
  data_.History.Add(Posted("left over"));
  LoadAppData(env_.Svc, data_);
  EXPECT_THAT(env_.LogLines(), Contains("No app data file found"));
  EXPECT_EQ(data_.History.GetCount(), 0u);
  EXPECT_EQ(env_.Ui.BoxCount(), 0u);

  fs::remove_all(env_.Root() / "common" / "Kestrova");
  ASSERT_TRUE(SaveData(env_.Svc, data_));
  const fs::path file = ProgramFolder() / "ProgramData.bin";
  EXPECT_EQ(DataFile(), file);
  EXPECT_EQ(test::TestEnv::ReadFile(file), std::string("\x01\0\0\0\0\0", 6));
}

TEST_F(AppDataTest, HistoryRoundTripsAndVersion0IsWrittenBackAsVersion1) {
  for (const char* n : {"a", "b", "c"}) data_.History.Add(Posted(n));
  ASSERT_TRUE(SaveData(env_.Svc, data_));
  AppData loaded;
  LoadAppData(env_.Svc, loaded);
  ASSERT_EQ(loaded.History.GetCount(), 3u);
  EXPECT_EQ(loaded.History.GetAt(2).HandRecordPath, "C:\\Hands\\c.pbn");
  EXPECT_NE(loaded.History.Lookup(Posted("b")), nullptr);

  // A version-0 file: no Flags and HandRecordPath in its records.
  CMemoryStream out;
  {
    CArchive ar(out, CArchive::Mode::Store);
    ar.WriteU32(0);
    ar.WriteCount(1);
    CScoreFile r = Posted("old");
    ar.WriteText(r.Path);
    ar.WriteU64(10);
    ar.WriteTime(5);
    ar.WriteText(r.WebPageName);
    ar.WriteU32(0);
    ar.WriteTime(6);
    r.Hash.Serialize(ar);
    for (int i = 0; i < 5; ++i) ar.WriteText("");
    ar.Close();
  }
  env_.WriteFile("common/Kestrova/Tabulonix/ProgramData.bin", std::string(out.Data().begin(), out.Data().end()));
  LoadAppData(env_.Svc, loaded);
  EXPECT_EQ(loaded.SetupState.ScoreFileRecordVersion, 0);
  ASSERT_EQ(loaded.History.GetCount(), 1u);
  EXPECT_EQ(loaded.History.GetAt(0).Path, Posted("old").Path);
  ASSERT_TRUE(SaveData(env_.Svc, loaded));
  EXPECT_EQ(test::TestEnv::ReadFile(DataFile()).substr(0, 4), std::string("\x01\0\0\0", 4));
  LoadAppData(env_.Svc, data_);
  EXPECT_EQ(data_.History.GetAt(0).Hash, Posted("old").Hash);
}

TEST_F(AppDataTest, SaveFailingHalfWayLeavesOldFilesWhole) {
  for (const char* n : {"a", "b"}) data_.History.Add(Posted(n));
  ASSERT_TRUE(SaveData(env_.Svc, data_));
  CSetupDocument doc(env_.Svc, data_);
  const fs::path tsu = env_.Dir("docs") / "club.tsu";
  ASSERT_TRUE(doc.SaveAs(tsu));
  const std::string oldBin = test::TestEnv::ReadFile(DataFile());
  const std::string oldTsu = test::TestEnv::ReadFile(tsu);

  data_.History.Add(Posted("c"));
  data_.Setup.FtpUser = "changed";
  // First the document's write fails, then (document gone) the history's.
  CMirrorFile::InjectFault(CMirrorFile::Fault{20, err::DiskFull});
  EXPECT_FALSE(SaveData(env_.Svc, data_));
  EXPECT_TRUE(doc.IsModified());
  EXPECT_EQ(test::TestEnv::ReadFile(tsu), oldTsu);
  EXPECT_EQ(test::TestEnv::ReadFile(DataFile()), oldBin);
  EXPECT_THAT(Leftovers(tsu.parent_path()), ::testing::IsEmpty());

  data_.Document = nullptr;
  env_.Ui.Clear();
  EXPECT_FALSE(SaveData(env_.Svc, data_));
  EXPECT_EQ(test::TestEnv::ReadFile(DataFile()), oldBin);
  EXPECT_THAT(Leftovers(ProgramFolder()), ::testing::IsEmpty());
  EXPECT_THAT(env_.LogLines(), Contains("Operation=[CTabulonixApp::SaveData: CArchive::Serialize]"));
  EXPECT_EQ(env_.Ui.BoxCount(), 1u);

  CMirrorFile::InjectFault(std::nullopt);
  EXPECT_TRUE(SaveData(env_.Svc, data_));
  AppData loaded;
  LoadAppData(env_.Svc, loaded);
  EXPECT_EQ(loaded.History.GetCount(), 3u);
}

TEST_F(AppDataTest, FileInPlaceOfFolderFailsGetAppDataPathAndSave) {
  // Another common folder, so that the logfile keeps its own.
  test::ScopedEnv common("TABULONIX_COMMON_DATA", (env_.Root() / "other").string());
  env_.WriteFile("other/Kestrova", "not a folder");
  uint32_t error = 0;
  EXPECT_TRUE(GetAppDataPath(true, error).empty());
  EXPECT_EQ(error, err::AlreadyExists);
  EXPECT_FALSE(SaveData(env_.Svc, data_));
  EXPECT_THAT(env_.LogLines(), Contains("Operation=[CTabulonixApp::SaveData: GetAppDataPath]"));
  EXPECT_EQ(env_.Ui.LastBox().Icon, MbIcon::Error);

  LoadAppData(env_.Svc, data_);
  EXPECT_THAT(env_.LogLines(), Contains("No app data file found"));
}

// Damaged files: reported once, the records read before the damage kept, never a crash.
TEST_F(AppDataTest, DamagedHistoryIsReportedAndKeepsCompleteRecords) {
  for (const char* n : {"a", "b", "c"}) data_.History.Add(Posted(n));
  ASSERT_TRUE(SaveData(env_.Svc, data_));
  const std::string whole = test::TestEnv::ReadFile(DataFile());

  struct Case {
    const char* Name;
    std::string Bytes;
    size_t Kept;
  };
  std::string hugeCount = std::string("\x01\0\0\0\xFF\xFF\xFF\xFF\xFF\x7F", 10) + "xyz";
  std::string newerVersion = whole;
  newerVersion[0] = 2;
  const std::vector<Case> cases = {
      {"cut in the third record", whole.substr(0, whole.size() - 3), 2},
      {"cut in the count", whole.substr(0, 5), 0},
      {"huge count", hugeCount, 0},
      {"newer record version", newerVersion, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    env_.WriteFile("common/Kestrova/Tabulonix/ProgramData.bin", c.Bytes);
    env_.Ui.Clear();
    AppData loaded;
    LoadAppData(env_.Svc, loaded);
    EXPECT_EQ(loaded.History.GetCount(), c.Kept);
    for (size_t i = 0; i < loaded.History.GetCount(); ++i) EXPECT_FALSE(loaded.History.GetAt(i).Hash.IsZero());
    EXPECT_EQ(env_.Ui.BoxCount(), 1u);
    EXPECT_THAT(env_.LogLines(), Contains("Operation=[CTabulonixApp::LoadAppData: CArchive::Serialize]"));
    // The damaged file is kept aside before a save replaces it.
    EXPECT_EQ(test::TestEnv::ReadFile(ProgramFolder() / "ProgramData-Damaged.bin"), c.Bytes);
  }

  std::mt19937 rng(11);
  for (int round = 0; round < 40; ++round) {
    std::string junk(rng() % 300, '\0');
    for (char& ch : junk) ch = char(rng());
    env_.WriteFile("common/Kestrova/Tabulonix/ProgramData.bin", junk);
    AppData loaded;
    LoadAppData(env_.Svc, loaded);
  }
}

TEST_F(AppDataTest, UnreadableFileIsReportedAsOpenFailure) {
  fs::create_directories(ProgramFolder() / "ProgramData.bin");  // a folder cannot be opened to read
  LoadAppData(env_.Svc, data_);
  EXPECT_THAT(env_.LogLines(), Contains("Operation=[CTabulonixApp::LoadAppData: CFile::Open]"));
  EXPECT_EQ(env_.Ui.BoxCount(), 1u);
}

TEST_F(AppDataTest, LegacyHistoryMergeSkipsKnownDigests) {
  data_.History.Add(Posted("a"));
  data_.Setup.LegacyHistoryList = {Posted("a"), Posted("b"), Posted("b")};
  MergeLegacyHistory(data_.Setup, data_.History);
  EXPECT_EQ(data_.History.GetCount(), 2u);
  EXPECT_TRUE(data_.Setup.LegacyHistoryList.empty());
}

TEST_F(AppDataTest, ImportOfPreviousSetup) {
  // Nothing to import: no question.
  ImportPreviousSetup(env_.Svc, data_);
  EXPECT_EQ(env_.Ui.BoxCount(), 0u);

  CMemoryStream out;
  {
    CArchive ar(out, CArchive::Mode::Store);
    ar.WriteCount(0);
    ar.WriteCount(0);
    ar.WriteText("ftp.old.example");
    ar.WriteText("olduser");
    ar.WriteText("");
    ar.WriteU32(2);
    ar.Write("pw", 2);
    ar.Close();
  }
  const fs::path old = env_.WriteFile("common/Tabulonix/Setup.bin", std::string(out.Data().begin(), out.Data().end()));
  EXPECT_EQ(GetDataPath(), old);
  const std::string before = test::TestEnv::ReadFile(old);

  env_.Ui.QueueAnswer(MbAnswer::No);
  ImportPreviousSetup(env_.Svc, data_);
  EXPECT_EQ(env_.Ui.LastBox().Text, "Import setup data from previous version?");
  EXPECT_EQ(env_.Ui.LastBox().Icon, MbIcon::Question);
  EXPECT_EQ(data_.Setup.FtpServer, "");

  CSetupDocument doc(env_.Svc, data_);
  const fs::path tsu = env_.Dir("docs") / "imported.tsu";
  env_.Ui.QueueAnswer(MbAnswer::Yes);
  env_.Ui.QueueSaveFileAnswer(tsu.string());
  data_.SetupState.MachinePasswordScheme = 1;
  ImportPreviousSetup(env_.Svc, data_);
  EXPECT_THAT(env_.LogLines(), Contains("Importing " + old.string()));
  EXPECT_EQ(data_.Setup.FtpServer, "ftp.old.example");
  EXPECT_EQ(data_.Setup.FtpUser, "olduser");
  EXPECT_EQ(data_.Setup.FtpPasswordScheme, 1u);
  EXPECT_TRUE(fs::exists(tsu));
  EXPECT_TRUE(fs::exists(DataFile()));
  EXPECT_EQ(test::TestEnv::ReadFile(old), before);  // never written or deleted
}

}  // namespace
}  // namespace tx
