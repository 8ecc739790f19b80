#include "scorefile/ScoreFile.h"

#include <gtest/gtest.h>

#include "ScopedTz.h"
#include "platform/Errors.h"
#include "platform/CivilTime.h"
#include "store/Archive.h"
#include "store/Sha256.h"

namespace tx {
namespace {

using Bytes = std::vector<uint8_t>;

class ScoreFileTest : public ::testing::Test {
 protected:
  test::ScopedTz tz_{test::UsEasternTz};
};

CScoreFile Sample() {
  CScoreFile r;
  r.Hash = CSha256::Digest("contents");
  r.Event = "Club Pairs";
  r.Session = "Wednesday Aft";
  r.Section = "A";
  r.DateText = "January 5, 2014";
  r.Limits = "750/300/0";
  r.Flags = CScoreFile::LocalFile | CScoreFile::DataLoaded | CScoreFile::PdfUploaded;
  r.Path = "C:\\ACBLSCOR\\GAMEFILE\\140105A.txt";
  r.HandRecordPath = "C:\\Hands\\140105A.PBN";
  r.Size = 0x123456789ull;
  r.Modified = 1388953000;
  r.Posted = 1388960000;
  r.WebPageName = "2014\\01\\20140105anlma.htm";
  r.InsertNumber = 2;
  return r;
}

Bytes Store(CScoreFile& r) {
  CMemoryStream out;
  CArchive ar(out, CArchive::Mode::Store);
  r.Serialize(ar);
  ar.Close();
  return out.Data();
}

void ExpectStoredFieldsEqual(const CScoreFile& a, const CScoreFile& b) {
  EXPECT_EQ(a.Hash, b.Hash);
  EXPECT_EQ(a.Event, b.Event);
  EXPECT_EQ(a.Session, b.Session);
  EXPECT_EQ(a.Section, b.Section);
  EXPECT_EQ(a.DateText, b.DateText);
  EXPECT_EQ(a.Limits, b.Limits);
  EXPECT_EQ(a.Path, b.Path);
  EXPECT_EQ(a.HandRecordPath, b.HandRecordPath);
  EXPECT_EQ(a.Size, b.Size);
  EXPECT_EQ(a.Modified, b.Modified);
  EXPECT_EQ(a.Posted, b.Posted);
  EXPECT_EQ(a.WebPageName, b.WebPageName);
  EXPECT_EQ(a.InsertNumber, b.InsertNumber);
}

TEST_F(ScoreFileTest, NewRecordIsLocalAndSelected) {
  CScoreFile r;
  EXPECT_EQ(r.Flags, 5u);
  EXPECT_TRUE(r.IsLocalFile() && r.IsSelected());
  EXPECT_FALSE(r.IsDataLoaded() || r.IsGameFile() || r.IsHandRecordUploaded() || r.IsPdfUploaded() ||
               r.IsAddedByHand());
  EXPECT_EQ(r.Size, 0u);
  EXPECT_EQ(r.Posted, 0);
  EXPECT_EQ(r.GetPostedText(), "");
  // Writers touch only their own bit.
  r.SetAddedByHand(true);
  r.SetSelected(false);
  EXPECT_EQ(r.Flags, CScoreFile::LocalFile | CScoreFile::AddedByHand);
}

TEST_F(ScoreFileTest, CopyFromLeavesWorkingFieldsOfTarget) {
  CScoreFile src = Sample();
  src.Data = {'x', 0};
  src.HtmlPath = "/tmp/src.htm";
  src.SessionDate = 42;
  CScoreFile dst;
  dst.Data = {'y', 'z', 0};
  dst.Flags |= CScoreFile::DataLoaded;
  dst.HtmlPath = "/tmp/dst.htm";
  dst.PdfPath = "/tmp/dst.pdf";
  dst.CopyFrom(src);
  ExpectStoredFieldsEqual(dst, src);
  EXPECT_EQ(dst.SessionDate, 42);
  EXPECT_EQ(dst.Flags, CScoreFile::LocalFile | CScoreFile::PdfUploaded);
  EXPECT_EQ(dst.Data, (Bytes{'y', 'z', 0}));
  EXPECT_EQ(dst.HtmlPath, "/tmp/dst.htm");
  EXPECT_EQ(dst.PdfPath, "/tmp/dst.pdf");
  // Copies made by value follow the same rule.
  CScoreFile byValue(src);
  EXPECT_FALSE(byValue.IsDataLoaded());
  EXPECT_TRUE(byValue.Data.empty());
  EXPECT_TRUE(byValue.HtmlPath.empty());
}

TEST_F(ScoreFileTest, CompareByDateThenSessionIndex) {
  auto make = [](int64_t date, const char* session) {
    CScoreFile r;
    r.SessionDate = date;
    r.Session = session;
    r.Path = "Club.txt";  // no session in the name
    return r;
  };
  struct Case {
    const char* why;
    CScoreFile a, b;
    int sign;
  };
  const Case cases[] = {
      {"earlier date first", make(100, "Mon Late"), make(200, "Mon Morning"), -1},
      {"later date after", make(300, "Mon Morning"), make(200, "Mon Late"), 1},
      {"same date, morning before evening", make(100, "Mon Morning"), make(100, "Mon Evening"), -1},
      {"unknown session before morning", make(100, "Mon"), make(100, "Mon Morning"), -1},
      {"same session", make(100, "Tue Aft"), make(100, "Tue Afternoon"), 0},
      {"dates beyond 32 bits", make(int64_t(1) << 40, ""), make(1, ""), 1},
  };
  for (const auto& c : cases) {
    int got = c.a.Compare(c.b);
    EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.why;
  }
  EXPECT_EQ(make(100, "Mon Late").Compare(make(100, "Mon Morning")), 3);
}

TEST_F(ScoreFileTest, SerializeRoundTripRecomputesSessionDate) {
  CScoreFile src = Sample();
  src.SessionDate = 99;  // not stored
  Bytes bytes = Store(src);
  CMemoryStream in(bytes);
  CArchive ar(in, CArchive::Mode::Load);
  CScoreFile back;
  back.Serialize(ar);
  EXPECT_EQ(ar.BytesLeft(), 0u);
  ExpectStoredFieldsEqual(back, src);
  EXPECT_EQ(back.Flags, CScoreFile::LocalFile | CScoreFile::PdfUploaded);
  EXPECT_EQ(back.SessionDate, test::UsEastern(2014, 1, 5));
}

TEST_F(ScoreFileTest, StoredLayoutAndVersionZero) {
  CScoreFile r;
  r.Path = "a";
  r.Hash.Bytes()[0] = 0xAB;
  Bytes bytes = Store(r);
  Bytes expected;
  auto put = [&](Bytes part) { expected.insert(expected.end(), part.begin(), part.end()); };
  const Bytes empty = {0xFF, 0xFE, 0xFF, 0x00};
  const Bytes time0 = {0x0A, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0};
  put({0xFF, 0xFE, 0xFF, 0x01, 'a', 0});  // Path
  put({5, 0, 0, 0});                      // Flags
  put(empty);                             // HandRecordPath
  put(Bytes(8, 0));                       // Size
  put(time0);                             // Modified
  put(empty);                             // WebPageName
  put({0, 0, 0, 0});                      // InsertNumber
  put(time0);                             // Posted
  put({0xAB});                            // Hash
  put(Bytes(31, 0));
  for (int i = 0; i < 5; ++i) put(empty);  // Event .. Limits
  EXPECT_EQ(bytes, expected);

  // Version 0 has neither Flags nor HandRecordPath; older 8-bit texts and 32-bit times.
  Bytes v0 = {0x04, 'x', '.', 't', 'x'};                    // Path
  v0.insert(v0.end(), {7, 0, 0, 0, 0, 0, 0, 0});            // Size
  v0.insert(v0.end(), {0x10, 0, 0, 0});                     // Modified, no marker
  v0.insert(v0.end(), {0x01, 'p'});                         // WebPageName
  v0.insert(v0.end(), {1, 0, 0, 0});                        // InsertNumber
  v0.insert(v0.end(), {0x20, 0, 0, 0});                     // Posted
  v0.insert(v0.end(), 32, 0x11);                            // Hash
  v0.insert(v0.end(), {0x03, 'E', 'v', 't', 0});            // Event, Session
  v0.insert(v0.end(), {0x01, 'B'});                         // Section
  const char date[] = "Mar 3, 2014";
  v0.push_back(uint8_t(sizeof date - 1));
  v0.insert(v0.end(), date, date + sizeof date - 1);
  v0.push_back(0);  // Limits
  CMemoryStream in(v0);
  CArchive ar(in, CArchive::Mode::Load);
  ar.SetRecordVersion(0);
  CScoreFile back;
  back.HandRecordPath = "stale";
  back.Serialize(ar);
  EXPECT_EQ(ar.BytesLeft(), 0u);
  EXPECT_EQ(back.Flags, 5u);
  EXPECT_EQ(back.HandRecordPath, "");
  EXPECT_EQ(back.Path, "x.tx");
  EXPECT_EQ(back.Size, 7u);
  EXPECT_EQ(back.Modified, 0x10);
  EXPECT_EQ(back.Posted, 0x20);
  EXPECT_EQ(back.Event, "Evt");
  EXPECT_EQ(back.Section, "B");
  EXPECT_EQ(back.SessionDate, test::UsEastern(2014, 3, 3));
}

TEST_F(ScoreFileTest, TruncatedRecordEndsWithEndOfFileKeepingWhatWasRead) {
  CScoreFile src = Sample();
  Bytes bytes = Store(src);
  // Cut inside the digest.
  size_t hashEnd = bytes.size() - 5 * 4 - 2 * (10 + 13 + 1 + 15 + 9);
  Bytes cut(bytes.begin(), bytes.begin() + hashEnd - 4);
  CMemoryStream in(cut);
  CArchive ar(in, CArchive::Mode::Load);
  CScoreFile back;
  try {
    back.Serialize(ar);
    ADD_FAILURE();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.GetCause(), CArchiveException::EndOfFile);
  }
  EXPECT_EQ(back.Path, src.Path);
  EXPECT_EQ(back.WebPageName, src.WebPageName);
  EXPECT_EQ(back.Event, "");
}

TEST_F(ScoreFileTest, NamesDerivedFromPaths) {
  struct Case {
    const char* path;
    const char* fileName;
  };
  const Case names[] = {
      {"C:\\ACBLSCOR\\GAMEFILE\\140105A.txt", "140105A.txt"},
      {"/home/club/scores/140105.aca", "140105.aca"},
      {"mixed/dir\\x.txt", "x.txt"},
      {"plain.txt", "plain.txt"},
      {"dir\\", ""},
  };
  for (const auto& c : names) {
    CScoreFile r;
    r.Path = c.path;
    EXPECT_EQ(r.GetFileName(), c.fileName) << c.path;
  }

  struct Related {
    const char* page;
    const char* handRecord;
    const char* pdf;
    const char* upload;
  };
  const Related related[] = {
      {"2014\\01\\20140105anlma.htm", "C:\\Hands\\140105A.PBN", "2014\\01\\20140105anlma.pdf",
       "2014\\01\\20140105anlma.pbn"},
      {"noext", "hands.dup", "noext.pdf", "noext.dup"},
      {"dir.v2\\page", "C:\\dir.x\\hands", "dir.v2\\page.pdf", "dir.v2\\page"},
      {"a.b.htm", "", "a.b.pdf", "a.b"},
  };
  for (const auto& c : related) {
    CScoreFile r;
    r.WebPageName = c.page;
    r.HandRecordPath = c.handRecord;
    EXPECT_EQ(r.GetRelatedName(".pdf"), c.pdf) << c.page;
    EXPECT_EQ(r.GetHandRecordUploadName(), c.upload) << c.page;
  }
}

TEST_F(ScoreFileTest, PostedStampAndTexts) {
  CScoreFile r;
  int64_t before = CivilNow();
  r.SetPosted("2014\\01\\page.htm", 3);
  std::string name;
  uint32_t insert = 0;
  r.GetWebPageName(name, &insert);
  EXPECT_EQ(name, "2014\\01\\page.htm");
  EXPECT_EQ(insert, 3u);
  EXPECT_GE(r.Posted, before);
  EXPECT_LE(r.Posted, CivilNow());
  EXPECT_EQ(r.GetPostedText(), CivilFormat(r.Posted, "%c"));
  r.Modified = test::UsEastern(2014, 1, 5, 13, 45, 0);
  EXPECT_EQ(r.GetModifiedText(), "Sun Jan  5 13:45:00 2014");
  r.Modified = INT64_MAX;
  EXPECT_THROW(r.GetModifiedText(), CInvalidArgException);
}

TEST_F(ScoreFileTest, ReadWholeFile) {
  test::ScratchDir dir;
  CScoreFile r;
  const uint8_t* data = reinterpret_cast<const uint8_t*>(1);
  uint64_t size = 9;
  EXPECT_EQ(r.ReadWholeFile((dir.Path() / "missing.pbn").string(), data, size), int32_t(0x80070002));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(r.ReadWholeFile("", data, size), 2);
  EXPECT_EQ(r.ReadWholeFile(dir.Path().string(), data, size), int32_t(0x80070005));  // a folder

  std::string content(10000, 'h');
  content[5] = '\0';
  auto path = dir.Path() / "hands.pbn";
  {
    CFileStream f(path, CFileStream::Mode::Write);
    f.Write(content.data(), content.size());
    f.Close();
  }
  ASSERT_EQ(r.ReadWholeFile(path.string(), data, size), 0);
  ASSERT_EQ(size, content.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), content);
  const uint8_t* second;
  ASSERT_EQ(r.ReadWholeFile(path.string(), second, size), 0);
  EXPECT_NE(second, data);  // both buffers live on
  EXPECT_EQ(data[9999], 'h');
  EXPECT_EQ(r.Buffers.size(), 2u);
}

// Records the order in which files are closed.
class LoggingStream : public CScoreFileStream {
 public:
  LoggingStream(std::vector<int>& log, int id) : log_(log), id_(id) {}
  size_t Read(void*, size_t) override { return 0; }
  void Close() override { log_.push_back(id_); }

 private:
  std::vector<int>& log_;
  int id_;
};

TEST_F(ScoreFileTest, CloseAndOwningArray) {
  std::vector<int> closed;
  {
    CSFPtrArray list;
    for (int i = 0; i < 3; ++i) {
      list.push_back(std::make_unique<CScoreFile>());
      list.back()->File = std::make_unique<LoggingStream>(closed, i);
      if (i == 1) list.push_back(nullptr);
    }
    CScoreFile& r = *list[0];
    r.Data = {'a', 0};
    r.Flags |= CScoreFile::DataLoaded;
    r.Close(false);
    EXPECT_EQ(closed, std::vector<int>{0});
    EXPECT_TRUE(r.IsDataLoaded());
    EXPECT_EQ(r.Data.size(), 2u);
    r.Close(true);
    EXPECT_FALSE(r.IsDataLoaded());
    EXPECT_TRUE(r.Data.empty());
  }
  EXPECT_EQ(closed, (std::vector<int>{0, 1, 2}));
}

}  // namespace
}  // namespace tx
