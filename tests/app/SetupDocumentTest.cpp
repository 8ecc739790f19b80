#include "app/SetupDocument.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEnv.h"
#include "app/AppData.h"
#include "app/MirrorFile.h"
#include "platform/Errors.h"
#include "platform/Profile.h"
#include "store/Archive.h"

namespace tx {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;

class SetupDocumentTest : public ::testing::Test {
 protected:
  ~SetupDocumentTest() override { CMirrorFile::InjectFault(std::nullopt); }
  fs::path DataFile() {
    uint32_t error = 0;
    return GetAppDataPath(false, error);
  }
  // A schema-9 document with a website address.
  fs::path WriteSchema9(const std::string& name) {
    CMemoryStream out;
    CArchive ar(out, CArchive::Mode::Store);
    ar.WriteU32(9);
    ar.WriteText("D:\\Scores");
    ar.WriteTime(0);
    ar.WriteText("");
    ar.WriteU32(0);
    ar.WriteText("");
    ar.WriteText("");
    ar.WriteText("http://club.example/");
    for (int i = 0; i < 2; ++i) ar.WriteText("");
    ar.WriteTime(0);
    ar.WriteU32(0);
    for (int i = 0; i < 5; ++i) ar.WriteText("");
    ar.WriteU32(0);
    ar.WriteU32(0);
    ar.WriteU32(0);
    ar.WriteCount(0);
    ar.WriteCount(0);
    ar.Close();
    return env_.WriteFile(name, std::string(out.Data().begin(), out.Data().end()));
  }

  test::TestEnv env_;
  AppData data_;
  CSetupDocument doc_{env_.Svc, data_};
};

TEST_F(SetupDocumentTest, FirstSaveAsksForNameAndWritesCurrentLayout) {
  EXPECT_EQ(data_.Document, &doc_);
  fs::create_directories(env_.Home() / "Documents");
  data_.Setup.FtpUser = "scorer";
  const fs::path target = env_.Dir("club") / "mine.tsu";
  env_.Ui.QueueSaveFileAnswer(target.string());
  ASSERT_TRUE(SaveData(env_.Svc, data_));

  const auto questions = env_.Ui.SaveFileQuestions();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].ProposedName, "Untitled.tsu");
  EXPECT_EQ(questions[0].InitialFolder, (env_.Home() / "Documents").string());
  EXPECT_EQ(questions[0].Filter, "Tabulonix Setup Data (*.tsu)|*.tsu||");
  EXPECT_EQ(questions[0].DefaultExtension, "tsu");
  EXPECT_THAT(env_.LogLines(), Contains("Saved setup [" + target.string() + "]"));
  EXPECT_EQ(env_.Profile.GetString("Setup", "Directory"), target.parent_path().string());
  EXPECT_EQ(test::TestEnv::ReadFile(target).substr(0, 4), std::string("\x0A\0\0\0", 4));
  EXPECT_EQ(doc_.GetPath(), target);
  EXPECT_EQ(doc_.GetTitle(), "mine.tsu");
  EXPECT_FALSE(doc_.IsModified());
  EXPECT_TRUE(fs::exists(DataFile()));

  // Next time: no question, and the last folder is proposed for a new document.
  ASSERT_TRUE(SaveData(env_.Svc, data_));
  EXPECT_EQ(env_.Ui.SaveFileQuestions().size(), 1u);
  ASSERT_TRUE(doc_.New());
  env_.Ui.QueueSaveFileAnswer(std::nullopt);
  EXPECT_FALSE(doc_.SaveAs());
  EXPECT_EQ(env_.Ui.SaveFileQuestions().back().InitialFolder, target.parent_path().string());

  // Reopened, the values come back.
  ASSERT_TRUE(doc_.Open(target));
  EXPECT_EQ(data_.Setup.FtpUser, "scorer");
}

TEST_F(SetupDocumentTest, CancelledSaveAsTouchesNothing) {
  data_.History.Add(CScoreFile());
  EXPECT_FALSE(SaveData(env_.Svc, data_));
  EXPECT_FALSE(fs::exists(DataFile()));
  EXPECT_TRUE(doc_.IsModified());
  EXPECT_FALSE(env_.Profile.HasValue("Setup", "Directory"));
  EXPECT_EQ(env_.Ui.BoxCount(), 0u);
}

TEST_F(SetupDocumentTest, FailedSaveAsRemovesOnlyWhatItMade) {
  const fs::path fresh = env_.Dir("d") / "fresh.tsu";
  const fs::path existing = env_.WriteFile("d/existing.tsu", "keep me");
  CMirrorFile::InjectFault(CMirrorFile::Fault{10, err::DiskFull});
  for (const fs::path& p : {fresh, existing}) {
    env_.Ui.QueueSaveFileAnswer(p.string());
    EXPECT_FALSE(doc_.SaveAs());
  }
  EXPECT_FALSE(fs::exists(fresh));
  EXPECT_EQ(test::TestEnv::ReadFile(existing), "keep me");
  EXPECT_EQ(doc_.GetTitle(), "Untitled");
  EXPECT_EQ(env_.Ui.BoxCount(), 2u);
  EXPECT_THAT(env_.LogLines(), Contains("Operation=[CTabulonixDoc::OnSaveDocument]"));
}

TEST_F(SetupDocumentTest, ConvertedDocumentIsRewrittenAtOnce) {
  const fs::path path = WriteSchema9("docs/club.tsu");
  const std::string before = test::TestEnv::ReadFile(path);
  env_.Ui.QueueAnswer(MbAnswer::Ok);
  ASSERT_TRUE(doc_.Open(path));
  EXPECT_EQ(data_.Setup.WebsiteUrl, "http://club.example/");
  EXPECT_EQ(test::TestEnv::ReadFile(path.parent_path() / "club-Backup9.tsu"), before);
  EXPECT_EQ(test::TestEnv::ReadFile(path).substr(0, 4), std::string("\x0A\0\0\0", 4));
  EXPECT_TRUE(fs::exists(DataFile()));
  EXPECT_EQ(doc_.GetTitle(), "club.tsu");
  EXPECT_FALSE(doc_.IsModified());
}

TEST_F(SetupDocumentTest, DeclinedConversionLeavesFileAndNewDocument) {
  const fs::path path = WriteSchema9("docs/club.tsu");
  const std::string before = test::TestEnv::ReadFile(path);
  env_.Ui.QueueAnswer(MbAnswer::Cancel);
  EXPECT_FALSE(doc_.Open(path));
  EXPECT_EQ(env_.Ui.LastBox().Text, "Unexpected file format.");
  EXPECT_EQ(test::TestEnv::ReadFile(path), before);
  EXPECT_FALSE(fs::exists(path.parent_path() / "club-Backup9.tsu"));
  EXPECT_EQ(doc_.GetTitle(), "Untitled");
  EXPECT_TRUE(doc_.GetPath().empty());
  EXPECT_EQ(data_.Setup.WebsiteUrl, "");
}

// Unreadable documents fail with the format message and leave the default setup.
TEST_F(SetupDocumentTest, BadDocumentsFailWithFormatMessage) {
  CMemoryStream good;
  {
    CArchive ar(good, CArchive::Mode::Store);
    ar.WriteU32(10);
    CSetup s;
    s.WebsiteUrl = "http://club.example/";
    SerializeSetup(ar, s, 10, 10, data_.SetupState, env_.Svc);
    ar.Close();
  }
  const std::string whole(good.Data().begin(), good.Data().end());
  std::string schema11 = whole;
  schema11[0] = 11;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"schema 11", schema11},
      {"empty", ""},
      {"cut", whole.substr(0, whole.size() - 1)},
      {"garbage", std::string("\x0A\0\0\0\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 15)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    data_.Setup.FtpUser = "before";
    env_.Ui.Clear();
    const fs::path p = env_.WriteFile("bad/" + name + ".tsu", bytes);
    EXPECT_FALSE(doc_.Open(p));
    EXPECT_EQ(env_.Ui.LastBox().Text, "Unexpected file format.");
    EXPECT_EQ(data_.Setup.FtpUser, "");
    EXPECT_EQ(data_.Setup.WebsiteUrl, "");
    EXPECT_EQ(doc_.GetTitle(), "Untitled");
    EXPECT_EQ(test::TestEnv::ReadFile(p), bytes);
  }
  // A missing file gives the file error, not the format message.
  env_.Ui.Clear();
  EXPECT_FALSE(doc_.Open(env_.Root() / "missing.tsu"));
  EXPECT_NE(env_.Ui.LastBox().Text, "Unexpected file format.");
}

TEST_F(SetupDocumentTest, NewAsksToSaveModifiedDocumentAndResets) {
  data_.Setup.FtpUser = "someone";
  data_.Setup.LastPublishTime = 99;
  doc_.SetModified(true);
  env_.Ui.QueueAnswer(MbAnswer::Cancel);
  EXPECT_FALSE(doc_.New());
  EXPECT_EQ(env_.Ui.LastBox().Text, "Save changes to Untitled?");
  EXPECT_EQ(data_.Setup.FtpUser, "someone");

  env_.Ui.QueueAnswer(MbAnswer::No);
  ASSERT_TRUE(doc_.New());
  EXPECT_EQ(data_.Setup.FtpUser, "");
  EXPECT_EQ(data_.Setup.ScoreFileDirectory, kDefaultScoreFileDirectory);
  EXPECT_EQ(data_.Setup.LastPublishTime, 99);
  EXPECT_FALSE(doc_.IsModified());
}

TEST_F(SetupDocumentTest, RecentFilesKeepFourNewestFirst) {
  std::vector<fs::path> paths;
  for (int i = 1; i <= 5; ++i) {
    paths.push_back(env_.Dir("r") / ("s" + std::to_string(i) + ".tsu"));
    ASSERT_TRUE(doc_.SaveAs(paths.back()));
  }
  ASSERT_TRUE(doc_.Open(paths[2]));
  EXPECT_THAT(doc_.RecentFiles(), ElementsAre(paths[2].string(), paths[4].string(), paths[3].string(),
                                              paths[1].string()));
}

TEST(SetupDocumentName, ProposedFileName) {
  EXPECT_EQ(CSetupDocument::ProposedFileName("Untitled"), "Untitled.tsu");
  EXPECT_EQ(CSetupDocument::ProposedFileName("club.tsu"), "club.tsu");
  EXPECT_EQ(CSetupDocument::ProposedFileName("a:b/c"), "a.tsu");
}

}  // namespace
}  // namespace tx
