#include "scorefile/SetupSerialize.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "TestEnv.h"
#include "platform/Errors.h"
#include "platform/Version.h"
#include "store/Archive.h"
#include "store/Sha256.h"

namespace tx {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using ::testing::Contains;
using ::testing::HasSubstr;

CScoreFile Record(const std::string& name) {
  CScoreFile r;
  r.Hash = CSha256::Digest(name);
  r.Path = "C:\\ACBLSCOR\\GAMEFILE\\" + name + ".txt";
  r.Flags = CScoreFile::LocalFile | CScoreFile::PdfUploaded;
  r.HandRecordPath = "C:\\Hands\\" + name + ".pbn";
  r.Size = 1234;
  r.Modified = 1388953000;
  r.Posted = 1388960000;
  r.WebPageName = "2014/01/" + name + ".htm";
  r.InsertNumber = 1;
  r.Event = "Club Pairs";
  r.Session = "Wednesday Aft";
  r.Section = "A";
  r.DateText = "January 5, 2014";
  r.Limits = "750/300/0";
  return r;
}

CSetup FullSetup() {
  CSetup s;
  s.ScoreFileDirectory = "D:\\Scores";
  s.PostFilesModifiedAfter = 1700000000;
  s.LastHandRecordDirectory = "D:\\Hands";
  s.LastHandRecordFilterIndex = 3;
  s.HtmlLayout = "page.dwl";
  s.PdfLayout = "hands.dwl";
  s.LastPublishTime = 1700001000;
  s.StagingDirectoryName = "Staging7";
  s.WebsiteUrl = "http://club.example/";
  s.IndexTemplateFilename = "indextemplate.htm";
  s.IndexFilename = "index.htm";
  s.OldestToIndex = -86400;  // before 1970: the sign must survive
  s.DaysToIndex = 999999;
  s.WebsiteScoreFileDirectory = "results";
  s.ScoreFileTemplateFilename = "template.htm";
  s.FtpServer = "ftp.club.example";
  s.FtpUser = "scorer";
  s.FtpDirectory = "public_html";
  s.SetupFlags = setupflag::Known;
  s.FtpPasswordScheme = 1;
  s.FtpPassword = {1, 2, 3, 0, 255};
  s.IndexData = {Record("a"), Record("b")};
  return s;
}

void ExpectSameFields(const CSetup& a, const CSetup& b) {
  EXPECT_EQ(a.ScoreFileDirectory, b.ScoreFileDirectory);
  EXPECT_EQ(a.PostFilesModifiedAfter, b.PostFilesModifiedAfter);
  EXPECT_EQ(a.LastHandRecordDirectory, b.LastHandRecordDirectory);
  EXPECT_EQ(a.LastHandRecordFilterIndex, b.LastHandRecordFilterIndex);
  EXPECT_EQ(a.HtmlLayout, b.HtmlLayout);
  EXPECT_EQ(a.PdfLayout, b.PdfLayout);
  EXPECT_EQ(a.LastPublishTime, b.LastPublishTime);
  EXPECT_EQ(a.StagingDirectoryName, b.StagingDirectoryName);
  EXPECT_EQ(a.WebsiteUrl, b.WebsiteUrl);
  EXPECT_EQ(a.IndexTemplateFilename, b.IndexTemplateFilename);
  EXPECT_EQ(a.IndexFilename, b.IndexFilename);
  EXPECT_EQ(a.OldestToIndex, b.OldestToIndex);
  EXPECT_EQ(a.DaysToIndex, b.DaysToIndex);
  EXPECT_EQ(a.WebsiteScoreFileDirectory, b.WebsiteScoreFileDirectory);
  EXPECT_EQ(a.ScoreFileTemplateFilename, b.ScoreFileTemplateFilename);
  EXPECT_EQ(a.FtpServer, b.FtpServer);
  EXPECT_EQ(a.FtpUser, b.FtpUser);
  EXPECT_EQ(a.FtpDirectory, b.FtpDirectory);
  EXPECT_EQ(a.SetupFlags, b.SetupFlags);
  EXPECT_EQ(a.FtpPasswordScheme, b.FtpPasswordScheme);
  EXPECT_EQ(a.FtpPassword, b.FtpPassword);
  ASSERT_EQ(a.IndexData.size(), b.IndexData.size());
  for (size_t i = 0; i < a.IndexData.size(); ++i) {
    EXPECT_EQ(a.IndexData[i].Hash, b.IndexData[i].Hash);
    EXPECT_EQ(a.IndexData[i].WebPageName, b.IndexData[i].WebPageName);
    EXPECT_EQ(a.IndexData[i].HandRecordPath, b.IndexData[i].HandRecordPath);
  }
}

class SetupSerializeTest : public ::testing::Test {
 protected:
  Bytes Store(CSetup& s) {
    CMemoryStream out;
    CArchive ar(out, CArchive::Mode::Store);
    SerializeSetup(ar, s, 10, 10, state_, env_.Svc);
    ar.Close();
    return out.Data();
  }
  void LoadMemory(const Bytes& bytes, CSetup& s, uint32_t fileSchema, uint32_t currentSchema) {
    CMemoryStream in(bytes);
    CArchive ar(in, CArchive::Mode::Load);
    SerializeSetup(ar, s, fileSchema, currentSchema, state_, env_.Svc);
  }
  // Reads a file the way a document does (the schema number first).
  void LoadFile(const fs::path& path, CSetup& s) {
    CFileStream in(path, CFileStream::Mode::Read);
    CArchive ar(in, CArchive::Mode::Load);
    const uint32_t schema = ar.ReadU32();
    SerializeSetup(ar, s, schema, 10, state_, env_.Svc);
  }
  // A hand-built file of an older layout, written with the archive's primitives.
  template <class Fill>
  fs::path Build(const std::string& name, uint32_t schema, Fill fill) {
    CMemoryStream out;
    CArchive ar(out, CArchive::Mode::Store);
    ar.WriteU32(schema);
    fill(ar);
    ar.Close();
    const Bytes& b = out.Data();
    return env_.WriteFile(name, std::string(b.begin(), b.end()));
  }
  static void WriteRecords(CArchive& ar, std::vector<CScoreFile> records, int version) {
    ar.WriteCount(records.size());
    for (CScoreFile& r : records) {
      // Version 0 lacks Flags and HandRecordPath.
      ar.WriteText(r.Path);
      if (version >= 1) {
        ar.WriteU32(r.Flags);
        ar.WriteText(r.HandRecordPath);
      }
      ar.WriteU64(r.Size);
      ar.WriteTime(r.Modified);
      ar.WriteText(r.WebPageName);
      ar.WriteU32(r.InsertNumber);
      ar.WriteTime(r.Posted);
      r.Hash.Serialize(ar);
      for (auto* t : {&r.Event, &r.Session, &r.Section, &r.DateText, &r.Limits}) ar.WriteText(*t);
    }
  }

  test::TestEnv env_;
  SetupLoadState state_;
};

TEST_F(SetupSerializeTest, CurrentLayoutRoundTripsByteForByte) {
  CSetup original = FullSetup();
  const Bytes stored = Store(original);
  CSetup back;
  back.LegacyHistoryList = {Record("stale")};
  LoadMemory(stored, back, 10, 10);
  ExpectSameFields(original, back);
  EXPECT_TRUE(back.LegacyHistoryList.empty());
  EXPECT_EQ(state_.ScoreFileRecordVersion, 1);
  EXPECT_EQ(state_.SetupSchema, 10u);
  EXPECT_FALSE(state_.SetupConverted);
  EXPECT_EQ(env_.Ui.BoxCount(), 0u);
  EXPECT_EQ(Store(back), stored);
  const std::string line = "Tabulonix Version " + FormatProductVersion(OwnProductVersion()) +
                           ": Loading setup file memory Schema=10";
  EXPECT_THAT(env_.LogLines(), Contains(line));
}

TEST_F(SetupSerializeTest, EmptyPasswordAndListsAreBareCounts) {
  CSetup s;
  const Bytes stored = Store(s);
  // ... flags, scheme, password length 0 with no bytes, legacy count 0, index count 0.
  const Bytes tail(stored.end() - 14, stored.end());
  EXPECT_EQ(tail, (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A legacy list in memory is never written.
  s.LegacyHistoryList = {Record("x")};
  EXPECT_EQ(Store(s), stored);
}

TEST_F(SetupSerializeTest, UnknownFlagBitsAreDropped) {
  CSetup s;
  s.SetupFlags = 0xFFFFFFFF;
  CSetup back;
  LoadMemory(Store(s), back, 10, 10);
  EXPECT_EQ(back.SetupFlags, setupflag::Known);
}

TEST_F(SetupSerializeTest, Schema7LoadsWithDefaultsForLaterFieldsAndAsksToConvert) {
  const std::string host = BridgeWebsHost();
  const fs::path path = Build("docs/club.tsu", 7, [&](CArchive& ar) {
    ar.WriteText("D:\\Scores");
    ar.WriteU32(1600000000);  // an older 32-bit time
    ar.WriteText("D:\\Hands");
    ar.WriteText("page.dwl");
    ar.WriteText("http://club.example/");
    ar.WriteText("indextemplate.htm");
    ar.WriteText("index.htm");
    ar.WriteU32(90);
    ar.WriteText("results");
    ar.WriteText("template.htm");
    ar.WriteText(host);
    ar.WriteText("scorer");
    ar.WriteText("www");
    ar.WriteU32(0);
    ar.WriteU32(3);
    ar.Write("\x07\x08\x09", 3);
    WriteRecords(ar, {Record("old")}, 0);
    WriteRecords(ar, {Record("idx")}, 0);
  });
  const std::string before = test::TestEnv::ReadFile(path);
  env_.Ui.QueueAnswer(MbAnswer::Ok);
  CSetup s;
  s.LastPublishTime = 42;
  s.StagingDirectoryName = "Staging2";
  LoadFile(path, s);

  const std::string backup = (path.parent_path() / "club-Backup7.tsu").string();
  ASSERT_EQ(env_.Ui.BoxCount(), 1u);
  const auto box = env_.Ui.LastBox();
  EXPECT_EQ(box.Text, "Convert " + path.string() + " to the current format?\r\n\r\nA copy before conversion will be saved as " + backup);
  EXPECT_EQ(box.Icon, MbIcon::Warning);
  EXPECT_EQ(box.Buttons, MbButtons::OkCancel);
  EXPECT_EQ(box.DefaultButton, 1);
  EXPECT_EQ(test::TestEnv::ReadFile(backup), before);
  EXPECT_TRUE(state_.SetupConverted);
  EXPECT_EQ(state_.SetupSchema, 7u);
  EXPECT_EQ(state_.ScoreFileRecordVersion, 0);

  EXPECT_EQ(s.PostFilesModifiedAfter, 1600000000);
  EXPECT_EQ(s.HtmlLayout, "page.dwl");
  EXPECT_EQ(s.PdfLayout, "");
  EXPECT_EQ(s.OldestToIndex, 0);
  EXPECT_EQ(s.LastHandRecordFilterIndex, 0u);
  EXPECT_EQ(s.DaysToIndex, 90u);
  EXPECT_EQ(s.SetupFlags, 0u);
  EXPECT_TRUE(s.PassiveFtp());
  EXPECT_FALSE(s.IsBridgeWebs());  // stored, not worked out from FtpServer
  EXPECT_EQ(s.LastPublishTime, 42);
  EXPECT_EQ(s.StagingDirectoryName, "Staging2");
  EXPECT_EQ(s.FtpPassword, (Bytes{7, 8, 9}));
  ASSERT_EQ(s.LegacyHistoryList.size(), 1u);
  EXPECT_EQ(s.LegacyHistoryList[0].Hash, Record("old").Hash);
  EXPECT_EQ(s.LegacyHistoryList[0].HandRecordPath, "");  // version-0 layout
  ASSERT_EQ(s.IndexData.size(), 1u);
  EXPECT_EQ(s.IndexData[0].WebPageName, "2014/01/idx.htm");
}

TEST_F(SetupSerializeTest, Schema9ReadsFlagsThenVersion1Records) {
  const fs::path path = Build("club.tsu", 9, [&](CArchive& ar) {
    ar.WriteText("D:\\Scores");
    ar.WriteTime(1600000000);
    ar.WriteText("D:\\Hands");
    ar.WriteU32(2);
    ar.WriteText("page.dwl");
    ar.WriteText("hands.dwl");
    ar.WriteText("http://club.example/");
    ar.WriteText("it.htm");
    ar.WriteText("index.htm");
    ar.WriteTime(1500000000);
    ar.WriteU32(30);
    for (const char* t : {"results", "template.htm", "ftp.example", "scorer", "www"}) ar.WriteText(t);
    ar.WriteU32(setupflag::MultiPageIndex | setupflag::ActiveFtp);
    ar.WriteU32(1);
    ar.WriteU32(0);
    WriteRecords(ar, {}, 1);
    WriteRecords(ar, {Record("idx")}, 1);
  });
  env_.Ui.QueueAnswer(MbAnswer::Ok);
  CSetup s;
  LoadFile(path, s);
  EXPECT_EQ(state_.ScoreFileRecordVersion, 1);
  EXPECT_EQ(s.LastHandRecordFilterIndex, 2u);
  EXPECT_EQ(s.PdfLayout, "hands.dwl");
  EXPECT_EQ(s.OldestToIndex, 1500000000);
  EXPECT_TRUE(s.MultiPageIndex());
  EXPECT_FALSE(s.PassiveFtp());
  EXPECT_TRUE(s.FtpPassword.empty());
  ASSERT_EQ(s.IndexData.size(), 1u);
  EXPECT_EQ(s.IndexData[0].HandRecordPath, "C:\\Hands\\idx.pbn");
  EXPECT_TRUE(fs::exists(path.parent_path() / "club-Backup9.tsu"));
}

TEST_F(SetupSerializeTest, Schema4ReadsFtpHistoryAndIndexOnly) {
  const fs::path path = Build("old.tsu", 4, [&](CArchive& ar) {
    ar.WriteCount(1);  // a schema-4 datum: eight texts and two numbers
    CDatum d;
    d.Serialize(ar, 4);
    ar.WriteCount(0);
    ar.WriteText("ftp.example");
    ar.WriteText("scorer");
    ar.WriteText("thrown away");
    ar.WriteText("thrown away too");
    ar.WriteU32(1);
    ar.WriteU32(2);
    ar.Write("\x01\x02", 2);
    WriteRecords(ar, {Record("h1"), Record("h2")}, 0);
    ar.WriteText("x");
    ar.WriteText("y");
    ar.WriteU32(60);
    ar.WriteU32(77);
    WriteRecords(ar, {Record("i1")}, 0);
  });
  env_.Ui.QueueAnswer(MbAnswer::Ok);
  CSetup s;
  LoadFile(path, s);
  EXPECT_EQ(s.FtpServer, "ftp.example");
  EXPECT_EQ(s.FtpUser, "scorer");
  EXPECT_EQ(s.FtpPasswordScheme, 1u);
  EXPECT_EQ(s.FtpPassword, (Bytes{1, 2}));
  EXPECT_EQ(s.DaysToIndex, 60u);
  EXPECT_EQ(s.LegacyHistoryList.size(), 2u);
  EXPECT_EQ(s.IndexData.size(), 1u);
  EXPECT_EQ(s.ScoreFileDirectory, kDefaultScoreFileDirectory);
  EXPECT_TRUE(fs::exists(path.parent_path() / "old-Backup4.tsu"));
}

TEST_F(SetupSerializeTest, Schema0IsReadWithoutQuestionInMachineScheme) {
  CMemoryStream out;
  {
    CArchive ar(out, CArchive::Mode::Store);
    for (int list = 0; list < 2; ++list) {
      ar.WriteCount(2);  // schema-0 data: five texts, a seventh, two numbers
      for (int i = 0; i < 2; ++i) {
        CDatum d;
        d.Text[0] = "t";
        d.Serialize(ar, 0);
      }
    }
    ar.WriteText("ftp.example");
    ar.WriteText("scorer");
    ar.WriteText("unused");
    ar.WriteU32(4);
    ar.Write("pass", 4);
    ar.WriteText("the rest of the file is not read");
    ar.Close();
  }
  state_.MachinePasswordScheme = 1;
  CSetup s;
  LoadMemory(out.Data(), s, 0, 0);
  EXPECT_EQ(env_.Ui.BoxCount(), 0u);
  EXPECT_FALSE(state_.SetupConverted);
  EXPECT_EQ(s.FtpServer, "ftp.example");
  EXPECT_EQ(s.FtpUser, "scorer");
  EXPECT_EQ(s.FtpPasswordScheme, 1u);
  EXPECT_EQ(s.FtpPassword, (Bytes{'p', 'a', 's', 's'}));
  EXPECT_TRUE(s.LegacyHistoryList.empty());
  EXPECT_TRUE(s.IndexData.empty());
}


TEST_F(SetupSerializeTest, DeclinedConversionFailsAndLeavesTheFile) {
  CSetup older = FullSetup();
  const fs::path path = Build("club.tsu", 5, [&](CArchive& ar) {
    for (const char* t : {"D:\\Scores"}) ar.WriteText(t);
    ar.WriteTime(0);
    ar.WriteText("");
    ar.WriteText("url");
    ar.WriteText("it");
    ar.WriteU32(0);
    for (int i = 0; i < 5; ++i) ar.WriteText("");
    ar.WriteU32(0);
    ar.WriteU32(0);
    ar.WriteCount(0);
    ar.WriteCount(0);
  });
  const std::string before = test::TestEnv::ReadFile(path);
  env_.Ui.QueueAnswer(MbAnswer::Cancel);
  CSetup s;
  try {
    LoadFile(path, s);
    FAIL() << "declined conversion read on";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.GetCause(), CArchiveException::BadSchema);
    EXPECT_EQ(e.Path(), path.string());
  }
  EXPECT_FALSE(state_.SetupConverted);
  EXPECT_EQ(test::TestEnv::ReadFile(path), before);
  EXPECT_FALSE(fs::exists(path.parent_path() / "club-Backup5.tsu"));

  // Accepted, the same file reads.
  env_.Ui.QueueAnswer(MbAnswer::Ok);
  LoadFile(path, s);
  EXPECT_EQ(s.WebsiteUrl, "url");
  EXPECT_EQ(state_.ScoreFileRecordVersion, 0);
}

TEST_F(SetupSerializeTest, FailedBackupCopyFailsWithFileErrorForBackupName) {
  const fs::path path = Build("club.tsu", 6, [](CArchive& ar) { ar.WriteText("x"); });
  const fs::path backup = path.parent_path() / "club-Backup6.tsu";
  fs::create_directory(backup);  // a folder cannot be replaced by the copy
  const std::string before = test::TestEnv::ReadFile(path);
  env_.Ui.QueueAnswer(MbAnswer::Ok);
  CSetup s;
  try {
    LoadFile(path, s);
    FAIL() << "read on after a failed backup";
  } catch (const CFileException& e) {
    EXPECT_EQ(e.Path(), backup.string());
    EXPECT_NE(e.OsError(), 0u);
  }
  EXPECT_FALSE(state_.SetupConverted);
  EXPECT_EQ(test::TestEnv::ReadFile(path), before);
}

TEST_F(SetupSerializeTest, BackupNameReplacesOnlyTheLastExtension) {
  EXPECT_EQ(SetupBackupName("/a.b/club.tsu", 9), "/a.b/club-Backup9.tsu");
  EXPECT_EQ(SetupBackupName("/a.b/club", 3), "/a.b/club-Backup3.tsu");
  EXPECT_EQ(SetupBackupName("C:\\x.y\\club.old.tsu", 0), "C:\\x.y\\club.old-Backup0.tsu");
}

// Every cut of a valid file, and damaged lengths, end in an archive error: no crash, no
// storage taken at a length the file cannot supply.
TEST_F(SetupSerializeTest, TruncatedAndDamagedInputFailsCleanly) {
  CSetup full = FullSetup();
  const Bytes stored = Store(full);
  for (size_t cut = 0; cut < stored.size(); ++cut) {
    CSetup s;
    try {
      LoadMemory(Bytes(stored.begin(), stored.begin() + cut), s, 10, 10);
      ADD_FAILURE() << "cut at " << cut << " was read whole";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.GetCause(), CArchiveException::EndOfFile) << cut;
    }
  }

  // A password length of 4 GB in a tiny file.
  CSetup s;
  Bytes damaged = Store(s);
  const size_t lengthAt = damaged.size() - 8;
  for (int i = 0; i < 4; ++i) damaged[lengthAt + i] = 0xFF;
  CSetup back;
  back.FtpPassword = {1};
  EXPECT_THROW(LoadMemory(damaged, back, 10, 10), CArchiveException);
  EXPECT_TRUE(back.FtpPassword.empty());

  // Random bytes: any CException is fine, nothing else.
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    Bytes junk(rng() % 400);
    for (auto& b : junk) b = uint8_t(rng());
    CSetup r;
    try {
      LoadMemory(junk, r, rng() % 11, 0);
    } catch (const CException&) {
    }
  }
}

}  // namespace
}  // namespace tx
