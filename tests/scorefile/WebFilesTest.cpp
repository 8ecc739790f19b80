#include "scorefile/WebFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestEnv.h"
#include "platform/Errors.h"
#include "scorefile/Dealwright.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/StatusChannel.h"
#include "store/TempFiles.h"

namespace fs = std::filesystem;
using tx::CScoreFile;
using tx::test::ScopedEnv;
using tx::test::TestEnv;
using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

struct StringWriter : tx::IResultsWriter {
  std::string out;
  void WriteText(std::string_view t) override { out += t; }
  void WriteBytes(std::string_view b) override { out += b; }
};

struct WebFiles : ::testing::Test {
  TestEnv env;
  tx::CTempPaths temp;
  tx::CSetup setup;
  CScoreFile record;
  std::unique_ptr<ScopedEnv> converter;
  WebFiles() {
    record.Path = "/scores/140105A.txt";
    record.WebPageName = "2014\\01\\20140105anlma.htm";
  }
  ~WebFiles() override { temp.CleanUp(); }
  // A converter stand-in: records its arguments one a line, writes the HTML, then runs tail.
  fs::path Fake(const std::string& tail) {
    fs::path args = env.Root() / "args.txt";
    std::string script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + args.string() +
                         "'\nwhile [ $# -gt 0 ]; do case \"$1\" in /html) shift; printf '<body>\\nResults\\n</body>\\n' > "
                         "\"$1\";; esac; shift; done\n" + tail + "\n";
    fs::path p = env.WriteFile("bin/dealwright", script);
    fs::permissions(p, fs::perms::owner_all);
    converter = std::make_unique<ScopedEnv>("TABULONIX_DEALWRIGHT", p.string());
    return args;
  }
};

TEST_F(WebFiles, CommandLinesForHandRecordsAndLayouts) {
  struct Case {
    bool hands, layouts;
    const char* line;
  } cases[] = {
      {false, false, "\"/p/dw\" /quiet /sort /dda /acbl \"/s.txt\" /html \"/t/x.htm\""},
      {false, true, "\"/p/dw\" /quiet /sort /layout \"h.lay\" /dda /acbl \"/s.txt\" /html \"/t/x.htm\""},
      {true, false, "\"/p/dw\" \"/h/140105A.pbn\" /quiet /sort /dda /pdf \"/t/TBm0001.pdf\" /dda /acbl \"/s.txt\" /html \"/t/x.htm\""},
      {true, true, "\"/p/dw\" \"/h/140105A.pbn\" /quiet /sort /layout \"p.lay\" /dda /pdf \"/t/TBm0001.pdf\" /layout \"h.lay\" /dda /acbl \"/s.txt\" /html \"/t/x.htm\""},
  };
  for (const Case& c : cases) {
    tx::DealwrightJob job{"/p/dw", c.hands ? "/h/140105A.pbn" : "", c.hands ? "/t/TBm0001.pdf" : "",
                          c.layouts ? "p.lay" : "", c.layouts ? "h.lay" : "", "/s.txt", "/t/x.htm"};
    EXPECT_EQ(tx::DealwrightCommandLine(job), c.line);
  }
}

TEST_F(WebFiles, ConverterRunsWithoutAShellAndMakesTheFiles) {
  fs::path args = Fake("exit 0");
  record.HandRecordPath = "/hands/a b;$(touch x).pbn";
  setup.SetFlag(tx::setupflag::LinkPdfHandRecords, true);
  ASSERT_TRUE(tx::CreateWebFiles(record, env.Svc, setup, temp));
  EXPECT_EQ(fs::path(record.HtmlPath).filename(), "20140105anlma.htm");
  EXPECT_THAT(fs::path(record.HtmlPath).parent_path().filename().string(), ::testing::StartsWith("TBm"));
  EXPECT_THAT(record.PdfPath, ::testing::EndsWith(".pdf"));
  std::string a = TestEnv::ReadFile(args);
  EXPECT_THAT(a, HasSubstr("/hands/a b;$(touch x).pbn\n/quiet\n/sort\n/dda\n/pdf\n"));
  EXPECT_THAT(env.LogLines(), Contains(HasSubstr("CreateProcess=[\"")));
  StringWriter w;
  tx::WriteResults(record, w);
  EXPECT_EQ(w.out, "Results\n");
}

TEST_F(WebFiles, NoPdfWithoutHandRecords) {
  Fake("exit 0");
  setup.SetFlag(tx::setupflag::LinkPdfHandRecords, true);
  ASSERT_TRUE(tx::CreateWebFiles(record, env.Svc, setup, temp));
  EXPECT_TRUE(record.PdfPath.empty());
}

TEST_F(WebFiles, FailuresLeaveThePathsEmpty) {
  Fake("exit 3");
  EXPECT_FALSE(tx::CreateWebFiles(record, env.Svc, setup, temp));
  EXPECT_THAT(env.LogLines(), Contains("Dealwright exit code=[3]"));
  EXPECT_TRUE(record.HtmlPath.empty());

  fs::path notExecutable = env.WriteFile("bin/plain", "not a program");
  ScopedEnv bad("TABULONIX_DEALWRIGHT", notExecutable.string());
  EXPECT_FALSE(tx::CreateWebFiles(record, env.Svc, setup, temp));
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CScoreFile::CreateWebFiles: CreateProcess]"));

  ScopedEnv none("TABULONIX_DEALWRIGHT", std::nullopt);
  ScopedEnv path("PATH", env.Dir("empty").string());
  env.Ui.Clear();
  EXPECT_FALSE(tx::CreateWebFiles(record, env.Svc, setup, temp));
  EXPECT_EQ(env.Ui.LastBox().Text, "Cannot create HTML file: Dealwright is not installed.");
}

TEST_F(WebFiles, CancelLeavesTheConverterRunning) {
  fs::path done = env.Root() / "done";
  Fake("sleep 1; touch '" + done.string() + "'");
  env.Status.SetBusy(true);
  env.Sink.SetPumpHook([&] { env.Status.RequestCancel(); });
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(tx::CreateWebFiles(record, env.Svc, setup, temp));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  EXPECT_FALSE(fs::exists(done));
  for (int i = 0; i < 100 && !fs::exists(done); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(fs::exists(done));  // it went on and finished by itself
  env.Status.SetBusy(false);
}

TEST_F(WebFiles, VersionFromTheConverter) {
  fs::path p = env.WriteFile("bin/dw", "#!/bin/sh\n[ \"$1\" = /version ] && echo 'Dealwright 5.22.0.0'\n");
  fs::permissions(p, fs::perms::owner_all);
  tx::ProductVersion v;
  ASSERT_TRUE(tx::GetDealwrightVersion(p.string(), v));
  EXPECT_EQ(v.Major(), 5u);
  EXPECT_EQ(v.Minor(), 22u);
  EXPECT_FALSE(tx::GetDealwrightVersion((env.Root() / "nothing").string(), v));
}

TEST_F(WebFiles, ResultsBodyIsCutFromTheHtml) {
  std::string longLine(300, 'x');
  std::string html = "<html>\r\n<BODY class=a>lost\r\nkept 1\r\n" + std::string(255, 'y') + "</body>tail\n" +
                     "never\n";
  record.HtmlPath = env.WriteFile("r.htm", html).string();
  StringWriter w;
  tx::WriteResults(record, w);
  EXPECT_EQ(w.out, "kept 1\n" + std::string(255, 'y'));

  record.HtmlPath = env.WriteFile("r2.htm", "<body>\n" + longLine + "\n</body>\n").string();
  w.out.clear();
  tx::WriteResults(record, w);
  EXPECT_EQ(w.out, longLine + "\n");

  record.HtmlPath = (env.Root() / "missing.htm").string();
  EXPECT_THROW(tx::WriteResults(record, w), tx::CFileException);
}

TEST_F(WebFiles, PlainTextWhenThereIsNoConversion) {
  StringWriter w;
  EXPECT_THROW(tx::WriteResults(record, w), tx::CInvalidArgException);
  std::string text = "Score\r\nlast";
  record.Data.assign(text.begin(), text.end());
  record.Data.push_back(0);
  record.Flags |= CScoreFile::DataLoaded;
  tx::WriteResults(record, w);
  EXPECT_EQ(w.out, "<pre>\nScore\r\nlast\n</pre>\n");
}

}  // namespace
