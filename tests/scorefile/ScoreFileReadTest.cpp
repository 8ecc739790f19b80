#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/CivilTime.h"
#include "platform/Errors.h"
#include "platform/LocalTime.h"
#include "scorefile/FtpConnection.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/ScoreFileStreams.h"
#include "store/Sha256.h"

namespace fs = std::filesystem;
using tx::CScoreFile;
using tx::test::ScopedEnv;
using tx::test::TestEnv;
using ::testing::Contains;

namespace {

struct ScoreFileRead : ::testing::Test {
  TestEnv env;
  ScopedEnv tz{"TZ", "UTC"};
  ScoreFileRead() {
    tx::ResetTimeZone();
    tx::CivilResetTimeZone();
  }
  // Parses text as a local text score file named name.
  std::unique_ptr<CScoreFile> Read(const std::string& text, const std::string& name = "Club.txt",
                                   bool game = false) {
    fs::path p = env.WriteFile("scores/" + name, text);
    auto r = std::make_unique<CScoreFile>();
    EXPECT_EQ(r->Open(env.Svc, p.string(), nullptr, false, game), 1);
    EXPECT_EQ(r->Parse(env.Svc, true), 1);
    return r;
  }
};

TEST_F(ScoreFileRead, HeaderLinesFillTheIdentification) {
  struct Case {
    const char* note;
    const char* text;
    const char* event;
    const char* session;
    const char* section;
    const char* date;
    const char* limits;
  } cases[] = {
      {"session header, section after two blanks",
       "Club Pairs Wednesday Aft Session January 5, 2014\nSection  A  North-South\n", "Club Pairs",
       "Wednesday Aft", "A", "January 5, 2014", ""},
      {"section run ends at another character", "Club Pairs Wednesday Aft Session January 5, 2014\n Section A1\n",
       "Club Pairs", "Wednesday Aft", "A", "January 5, 2014", ""},
      {"run of one letter", "X Friday Eve Session May 2, 2014\nSection BBC\n", "X", "Friday Eve", "BB",
       "May 2, 2014", ""},
      {"lower-case section", "Club Pairs Wednesday Aft Session January 5, 2014\nSection a\n", "Club Pairs",
       "Wednesday Aft", "", "January 5, 2014", ""},
      {"no blank after Section", "Club Pairs Wednesday Aft Session January 5, 2014\nSection:A\n",
       "Club Pairs", "Wednesday Aft", "", "January 5, 2014", ""},
      {"section line must follow the header", "Club Pairs Wednesday Aft Session January 5, 2014\n\nSection A\n",
       "Club Pairs", "Wednesday Aft", "", "January 5, 2014", ""},
      {"cut to 13 characters, stored uncut", "Open Wednesday Mor Session Jan 8, 2014\nSection C\n", "Open",
       "Wednesday Morn", "C", "Jan 8, 2014", ""},
      {"five keys on one line with &gt;",
       "EVENT&gt;Open Pairs|SESSION&gt;Monday Evening|SECTION&gt;B|DATE&gt;Mar 3, 2014|MP LIMITS&gt;nlm  \n"
       "EVENT>Other\n",
       "Open Pairs", "Monday Evening", "B", "Mar 3, 2014", "nlm"},
      {"after a key a session header is a plain line",
       "MP LIMITS>750/300/0\nClub Pairs Wednesday Aft Session January 5, 2014\nEVENT> Spaced \n", " Spaced", "",
       "", "", "750/300/0"},
      {"an empty value counts and is found again", "EVENT>|SESSION>Tue\nEVENT>Late Game\n", "Late Game", "Tue",
       "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    auto r = Read(c.text);
    EXPECT_EQ(r->Event, c.event);
    EXPECT_EQ(r->Session, c.session);
    EXPECT_EQ(r->Section, c.section);
    EXPECT_EQ(r->DateText, c.date);
    EXPECT_EQ(r->Limits, c.limits);
  }
}

TEST_F(ScoreFileRead, SessionDateFromTheHeader) {
  auto r = Read("Club Pairs Wednesday Aft Session January 5, 2014\nSection  A\n");
  EXPECT_EQ(r->SessionDate, tx::MakeLocalTime(2014, 1, 5, 0, 0, 0));
  EXPECT_EQ(Read("EVENT>x\nDATE>5 January 2014\n")->SessionDate, 0);
}

TEST_F(ScoreFileRead, TextDigestCoversOnlyTheCharactersOfTheLines) {
  const tx::CHash256 base = Read("Line one\nLine two\n")->Hash;
  for (const char* same : {"Line one\r\nLine two\r\n", "Line one\nLine two", "\n\nLine one\r\n\r\n\nLine two\n\n",
                           "Line one\rLine two\r"}) {
    SCOPED_TRACE(same);
    EXPECT_EQ(Read(same)->Hash, base);
  }
  EXPECT_EQ(base, tx::CSha256::Digest("Line oneLine two"));
  EXPECT_NE(Read("Line one\nLine two!\n")->Hash, base);
}

TEST_F(ScoreFileRead, DigestConvertsEachLineToWindows1252) {
  // U+00E9 is one byte in the code page; U+20AC (euro) is 0x80; U+4E2D is not representable;
  // an ill-formed byte decodes to U+FFFD, which the code page cannot hold either.
  EXPECT_EQ(Read("caf\xc3\xa9 \xe2\x82\xac\n")->Hash, tx::CSha256::Digest("caf\xe9 \x80"));
  EXPECT_EQ(Read("a\xe4\xb8\xad" "b\n")->Hash, tx::CSha256::Digest("a?b"));
  auto broken = Read("a\xff\xfe" "b\nEVENT>\xc3\n");
  EXPECT_EQ(broken->Hash, Read("a\xff\xfe" "b\r\nEVENT>\xc3")->Hash);
  EXPECT_EQ(broken->Event, "\xef\xbf\xbd");
}

TEST_F(ScoreFileRead, GameFileDigestIsTheBytes) {
  std::string bytes("\x01\x00\r\n\xff", 5);
  auto r = Read(bytes, "140105.ACA", true);
  EXPECT_TRUE(r->IsGameFile());
  EXPECT_EQ(r->Size, 5u);
  EXPECT_EQ(r->Hash, tx::CSha256::Digest(bytes));
  EXPECT_TRUE(r->Event.empty());
  // Text mode reads CR LF as LF into Data.
  auto t = Read("a\r\nb\r\n", "t.txt");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(t->Data.data())), "a\nb\n");
}

TEST_F(ScoreFileRead, OpenTakesSizeAndTimeAndReportsFailures) {
  fs::path p = env.WriteFile("scores/s.txt", "12345");
  fs::last_write_time(p, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1400000000))));
  CScoreFile r;
  ASSERT_EQ(r.Open(env.Svc, p.string(), nullptr, false, false), 1);
  EXPECT_EQ(r.Size, 5u);
  EXPECT_EQ(r.Modified, 1400000000);
  EXPECT_TRUE(r.IsLocalFile());
  EXPECT_EQ(r.Path, p.string());

  CScoreFile missing;
  EXPECT_EQ(missing.Open(env.Svc, (env.Root() / "none.txt").string(), nullptr, true, false), 0);
  EXPECT_EQ(env.Ui.BoxCount(), 0u);  // quiet
  EXPECT_EQ(missing.Open(env.Svc, (env.Root() / "none.txt").string(), nullptr, false, false), 0);
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CScoreFile::Open: CStdioFile::Open]"));
  EXPECT_TRUE(missing.Path.empty());
  EXPECT_EQ(missing.Parse(env.Svc, true), 0);
}

struct FakeFtp : tx::CFtpConnection {
  std::string opened;
  bool binary = true;
  bool fail = false;
  std::unique_ptr<tx::CScoreFileStream> OpenFile(const std::string& path, bool bin) override {
    if (fail) throw tx::CInternetException(12003, "550 No such file");
    opened = path;
    binary = bin;
    return std::make_unique<tx::CMemoryFileStream>("EVENT>Remote\n");
  }
};

TEST_F(ScoreFileRead, RemoteFilesGoThroughTheConnection) {
  FakeFtp ftp;
  CScoreFile r;
  ASSERT_EQ(r.Open(env.Svc, "scores\\2014\\01\\page.htm", &ftp, true, false), 1);
  EXPECT_EQ(ftp.opened, "scores/2014/01/page.htm");
  EXPECT_FALSE(ftp.binary);
  EXPECT_FALSE(r.IsLocalFile());
  EXPECT_EQ(r.Path, "scores\\2014\\01\\page.htm");
  EXPECT_EQ(r.Size, 0u);
  EXPECT_EQ(r.Parse(env.Svc, true), 1);
  EXPECT_EQ(r.Event, "Remote");

  ftp.fail = true;
  CScoreFile bad;
  EXPECT_EQ(bad.Open(env.Svc, "x.htm", &ftp, false, false), 0);
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CScoreFile::Open: CFtpConnection::OpenFile]"));
}

struct FailingStream : tx::CScoreFileStream {
  size_t Read(void*, size_t) override { throw tx::CFileException(30, "disk"); }
};

TEST_F(ScoreFileRead, ReadErrorIsReportedOnceAsParseLoop) {
  CScoreFile r;
  r.File = std::make_unique<FailingStream>();
  EXPECT_EQ(r.Parse(env.Svc, true), 0);
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CScoreFile::Parse: parse loop]"));
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
}

}  // namespace
