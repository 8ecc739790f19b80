#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "TestEnv.h"
#include "log/Logfile.h"
#include "platform/Environment.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/LocalTime.h"
#include "platform/Process.h"
#include "platform/Profile.h"

namespace fs = std::filesystem;

namespace tx {
namespace {

class TestException : public CException {
 public:
  TestException(int64_t code, std::string message) : code_(code), message_(std::move(message)) {}
  const char* ClassName() const override { return "CTestException"; }
  int64_t Code() const override { return code_; }
  std::string Message() const override { return message_; }

 private:
  int64_t code_;
  std::string message_;
};

// Lines of a file as stored, each with its CR LF removed; fails the test on a bare LF.
std::vector<std::string> FileLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t lf = bytes.find('\n', pos);
    EXPECT_NE(lf, std::string::npos) << "unterminated last line";
    if (lf == std::string::npos) break;
    EXPECT_TRUE(lf > pos && bytes[lf - 1] == '\r') << "line without CR LF at " << pos;
    lines.push_back(bytes.substr(pos, lf - pos - 1));
    pos = lf + 1;
  }
  return lines;
}

class LogfileTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTimeZone(); }
  void TearDown() override { ResetTimeZone(); }
  test::ScopedEnv tz_{"TZ", std::string("EST5EDT,M3.2.0,M11.1.0")};
  test::TestEnv env_;
};

}  // namespace

TEST_F(LogfileTest, EntryIsTheDateTheTextAndOneLineEnd) {
  const int64_t t = 1736107387;
  struct Row { const char* text; const char* entry; };
  const Row rows[] = {
      {"No app data file found\n", "[Sun Jan  5 15:03:07 2025]No app data file found\n"},
      {"no line end", "[Sun Jan  5 15:03:07 2025]no line end\n"},
      {"a\r\nb\r\n", "[Sun Jan  5 15:03:07 2025]a\nb\n"},
      {"\n", "[Sun Jan  5 15:03:07 2025]\n"},
      {"", "[Sun Jan  5 15:03:07 2025]\n"},
      {"lone\rcr", "[Sun Jan  5 15:03:07 2025]lonecr\n"},
      {"two\n\n", "[Sun Jan  5 15:03:07 2025]two\n\n"},
  };
  for (const Row& r : rows) EXPECT_EQ(CLogfile::FormatEntry(t, r.text), r.entry) << r.text;
}

TEST_F(LogfileTest, FileHoldsCrLfLinesAndOnlyTheFirstIsDated) {
  EXPECT_EQ(env_.Log.GetPath(), env_.Root() / "common" / "Kestrova" / "Tabulonix" / "TabulonixLogfile.txt");
  ASSERT_TRUE(env_.Log.Write("first\r\nsecond\r\n"));
  ASSERT_TRUE(env_.Log.Write("\n"));
  const std::string bytes = env_.LogText();
  EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "]\r\n");
  std::vector<std::string> lines = FileLines(bytes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(test::TestEnv::StripDate(lines[0]), "first");
  EXPECT_NE(lines[0], "first");
  EXPECT_EQ(lines[1], "second");
  EXPECT_EQ(lines[2].size(), 26u);  // just the date
  EXPECT_EQ(test::TestEnv::StripDate(lines[2]), "");
}

TEST_F(LogfileTest, MessageBoxEntries) {
  EXPECT_EQ(CLogfile::MessageBoxEntryText("A\r\nB"), "Message Box=\n|A\n|B\n");
  EXPECT_EQ(CLogfile::MessageBoxEntryText("A\nB"), "Message Box=\n|A\n|B\n");
  EXPECT_EQ(CLogfile::MessageBoxEntryText("One line"), "Message Box=\n|One line\n");
  ASSERT_TRUE(env_.Log.LogMessageBox("The setup is not complete.\r\n\r\nOpen Setup?"));
  EXPECT_EQ(env_.LogLines(), (std::vector<std::string>{"Message Box=", "|The setup is not complete.", "|",
                                                        "|Open Setup?"}));
}

TEST_F(LogfileTest, ExceptionEntriesShowTheCodeByItsRange) {
  struct Row { int64_t code; const char* message; const char* text; };
  const Row rows[] = {
      {0, "No code", "Exception(CTestException)=[No code]\n"},
      {2, "Missing", "Exception(CTestException,2)=[Missing]\n"},
      {65535, "Top", "Exception(CTestException,65535)=[Top]\n"},
      {65536, "Above", "Exception(CTestException,0x00010000)=[Above]\n"},
      {-1, "Negative", "Exception(CTestException,0xFFFFFFFF)=[Negative]\n"},
      {0x80004005, "Hresult", "Exception(CTestException,0x80004005)=[Hresult]\n"},
      {1, "  padded \r\n", "Exception(CTestException,1)=[padded]\n"},
      {1, "", "Exception(CTestException,1)=[(Error message was not found for this exception)]\n"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(CLogfile::ExceptionEntryText(TestException(r.code, r.message)), r.text) << r.code;
  const std::string longText = CLogfile::ExceptionEntryText(TestException(3, std::string(3000, 'x')));
  EXPECT_EQ(longText, "Exception(CTestException,3)=[" + std::string(1024, 'x') + "]\n");
}

TEST_F(LogfileTest, ExceptionIsPrecededByTheLastStatus) {
  env_.Status.SendStatus("  Uploading page  ", StatusCode::StatusLine);
  ASSERT_TRUE(env_.Log.LogException(CFileException(2, "/nowhere/x.txt")));
  const std::vector<std::string> lines = env_.LogLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "LastStatus=[Uploading page]");
  EXPECT_EQ(lines[1], "Exception(CFileException,2)=[/nowhere/x.txt");
  EXPECT_EQ(lines[2], "The system cannot find the file specified.]");
}

TEST_F(LogfileTest, NoMainWindowMeansNoLastStatusLine) {
  env_.Status.SetSink(nullptr);
  EXPECT_TRUE(env_.Log.LogLastStatus());
  CLogfile bare(env_.Dir("bare"));  // no source attached at all
  EXPECT_TRUE(bare.LogLastStatus());
  EXPECT_TRUE(bare.LogException(TestException(0, "x")));
  EXPECT_EQ(env_.LogText(), "");
  EXPECT_EQ(test::TestEnv::StripDate(FileLines(test::TestEnv::ReadFile(bare.GetPath())).at(0)),
            "Exception(CTestException)=[x]");
}

TEST_F(LogfileTest, MessagesByNumberAndPrintf) {
  EXPECT_TRUE(env_.Log.LogMessageId(129));
  env_.Log.SetStringLoader([](uint32_t id) -> std::optional<std::string> {
    if (id == 130) return "Tabulonix started";
    return std::nullopt;
  });
  EXPECT_TRUE(env_.Log.LogMessageId(130));
  EXPECT_TRUE(env_.Log.LogMessageId(131));
  EXPECT_TRUE(env_.Log.Printf("Posting complete (%d of %d)\n", 2, 3));
  EXPECT_TRUE(env_.Log.Printf("Setup FTP: FTP User [%s]->[%s]\n", std::string("old"), "new"));
  EXPECT_TRUE(env_.Log.Printf("Bad %d\n", "text"));  // a format fault never throws
  const std::vector<std::string> lines = env_.LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Message=[nID=129 (unloadable)]");
  EXPECT_EQ(lines[1], "Message=[Tabulonix started]");
  EXPECT_EQ(lines[2], "Message=[nID=131 (unloadable)]");
  EXPECT_EQ(lines[3], "Posting complete (2 of 3)");
  EXPECT_EQ(lines[4], "Setup FTP: FTP User [old]->[new]");
  EXPECT_EQ(lines[5].rfind("Bad %d (format error: ", 0), 0u) << lines[5];
}

TEST_F(LogfileTest, ViewerSeesEntriesAndFailedWritesReportFalse) {
  std::vector<std::string> seen;
  CLogfile nowhere{fs::path()};
  nowhere.SetViewer([&](const std::string& e) { seen.push_back(e); });
  EXPECT_FALSE(nowhere.Write("kept in the viewer\n"));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(test::TestEnv::StripDate(seen[0]), "kept in the viewer\n");
  std::string bytes;
  EXPECT_NE(nowhere.ReadContent(bytes), 0u);

  CLogfile missingFolder(env_.Root() / "no" / "such");
  EXPECT_FALSE(missingFolder.Write("x"));
  EXPECT_EQ(missingFolder.ReadContent(bytes), 3u);
  EXPECT_EQ(env_.Log.ReadContent(bytes), 2u);  // nothing written yet
}

TEST_F(LogfileTest, MaxLogSizeComesFromTheProfile) {
  EXPECT_EQ(env_.Log.MaxLogSizeKb(), 2048u);
  env_.Profile.WriteInt("Settings", "MaxLogSize", 0);
  EXPECT_EQ(env_.Log.MaxLogSizeKb(), 1u);
  env_.Profile.WriteInt("Settings", "MaxLogSize", 5);
  EXPECT_EQ(env_.Log.MaxLogSizeKb(), 5u);
  EXPECT_EQ(CLogfile(env_.Dir("x")).MaxLogSizeKb(), 2048u);
}

TEST_F(LogfileTest, TrimKeepsTheNewestWholeLinesUnderTheLimit) {
  const fs::path file = env_.Log.GetPath();
  auto lines = [](int count, size_t length) {
    std::string s;
    for (int i = 0; i < count; ++i) {
      std::string line = std::to_string(i) + ":";
      line.resize(length - 2, 'x');
      s += line + "\r\n";
    }
    return s;
  };
  struct Row { const char* comment; std::string content; uint32_t kb; std::string expect; };
  const std::string fifty = lines(50, 100);
  const std::string just = std::string(1022, 'y') + "\r\n";  // 1024 bytes, one line
  const Row rows[] = {
      {"5000 bytes of 100-byte lines keep the last 10", fifty, 1, fifty.substr(4000)},
      {"just under the limit is untouched", lines(10, 100) + std::string(21, 'z') + "\r\n", 1,
       lines(10, 100) + std::string(21, 'z') + "\r\n"},
      {"exactly at the limit is cut", lines(10, 100) + std::string(22, 'z') + "\r\n", 1,
       lines(10, 100).substr(100) + std::string(22, 'z') + "\r\n"},
      {"a newest line as long as the limit drops everything", lines(3, 100) + just, 1, ""},
      {"MaxLogSize 0 counts as 1 KB", fifty, 0, fifty.substr(4000)},
      {"no line feed at all is left alone", std::string(3000, 'n'), 1, std::string(3000, 'n')},
  };
  for (const Row& r : rows) {
    ASSERT_EQ(WriteFileAtomically(file, r.content), 0u);
    env_.Profile.WriteInt("Settings", "MaxLogSize", r.kb);
    env_.Log.TrimToMaxSize();
    EXPECT_EQ(test::TestEnv::ReadFile(file), r.expect) << r.comment;
  }
  fs::remove(file);
  env_.Log.TrimToMaxSize();
  EXPECT_FALSE(fs::exists(file));  // trimming never creates the file
}

TEST_F(LogfileTest, ThreadsNeverInterleaveEntries) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) env_.Log.Printf("thread %d entry %d\nsecond line %d.%d\n", t, i, t, i);
    });
  for (auto& th : threads) th.join();
  const std::vector<std::string> lines = FileLines(env_.LogText());
  ASSERT_EQ(lines.size(), 1600u);
  for (size_t i = 0; i < lines.size(); i += 2) {
    int t = -1, n = -1, t2 = -2, n2 = -2;
    ASSERT_EQ(std::sscanf(test::TestEnv::StripDate(lines[i]).c_str(), "thread %d entry %d", &t, &n), 2) << lines[i];
    ASSERT_EQ(std::sscanf(lines[i + 1].c_str(), "second line %d.%d", &t2, &n2), 2) << lines[i + 1];
    EXPECT_EQ(t, t2);
    EXPECT_EQ(n, n2);
  }
}

// Run only as the child of ProcessesNeverTearEntries.
TEST(LogfileChild, DISABLED_WriteEntries) {
  const std::string folder = GetEnvironmentText("TX_LOG_CHILD_FOLDER");
  const std::string id = GetEnvironmentText("TX_LOG_CHILD_ID");
  ASSERT_FALSE(folder.empty());
  CLogfile log{fs::path(folder)};
  const std::string padding(150, id.empty() ? '?' : id[0]);
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(log.Printf("writer %s entry %d %s\n", id, i, padding));
}

TEST_F(LogfileTest, ProcessesNeverTearEntries) {
  const fs::path self = GetOwnExecutablePath();
  ASSERT_FALSE(self.empty());
  const fs::path folder = env_.Dir("shared");
  CProcess children[2];
  for (int c = 0; c < 2; ++c) {
    ProcessOptions o;
    o.StdOutFile = env_.Root() / ("child" + std::to_string(c) + ".out");
    o.StdErrFile = o.StdOutFile;
    o.ExtraEnvironment = {{"TX_LOG_CHILD_FOLDER", folder.string()}, {"TX_LOG_CHILD_ID", c ? "B" : "A"}};
    ASSERT_EQ(StartProcess({self.string(), "--gtest_also_run_disabled_tests",
                            "--gtest_filter=LogfileChild.DISABLED_WriteEntries"},
                           o, children[c]),
              0u);
  }
  for (int c = 0; c < 2; ++c) {
    WaitResult w = children[c].Wait(120000);
    ASSERT_TRUE(w.Finished);
    EXPECT_EQ(w.ExitCode, 0u) << test::TestEnv::ReadFile(env_.Root() / ("child" + std::to_string(c) + ".out"));
  }
  const std::vector<std::string> lines = FileLines(test::TestEnv::ReadFile(folder / CLogfile::FileName));
  std::map<std::string, int> next;
  for (const std::string& line : lines) {
    char id[8] = {};
    int n = -1;
    ASSERT_EQ(std::sscanf(test::TestEnv::StripDate(line).c_str(), "writer %7s entry %d", id, &n), 2) << line;
    EXPECT_EQ(n, next[id]++) << line;
    EXPECT_EQ(line.substr(line.size() - 150), std::string(150, id[0])) << line;
  }
  EXPECT_EQ(next["A"], 1000);
  EXPECT_EQ(next["B"], 1000);
}

}  // namespace tx
