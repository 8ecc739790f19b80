#include <gtest/gtest.h>

#include "CommandLine.h"
#include "Failure.h"
#include "TestSupport.h"

namespace dwtest {

TEST(CommandLine, ReadsThePostersArgumentsInTheirOrder) {
  const dw::CommandLine cl = dw::ParseCommandLine(
      {"/tmp/hr/140105A.pbn", "/quiet", "/sort", "/layout", "/lay/pdf.pbn", "/dda", "/pdf", "/tmp/TBm1.pdf", "/layout",
       "/lay/html.pbn", "/dda", "/acbl", "/scores/140105A.txt", "/html", "/tmp/TBm2/20140105anlma.htm"});
  EXPECT_TRUE(cl.Quiet);
  EXPECT_TRUE(cl.Sort);
  ASSERT_TRUE(cl.HandRecords);
  EXPECT_EQ(*cl.HandRecords, "/tmp/hr/140105A.pbn");  // a path with slashes is not a switch
  ASSERT_TRUE(cl.Pdf && cl.Html && cl.ScoreFile);
  EXPECT_EQ(cl.Pdf->File, "/tmp/TBm1.pdf");
  EXPECT_EQ(cl.Pdf->Layout, "/lay/pdf.pbn");
  EXPECT_TRUE(cl.Pdf->DoubleDummy);
  EXPECT_EQ(*cl.ScoreFile, "/scores/140105A.txt");
  EXPECT_EQ(cl.Html->File, "/tmp/TBm2/20140105anlma.htm");
  EXPECT_EQ(cl.Html->Layout, "/lay/html.pbn");
}

TEST(CommandLine, ALayoutBelongsOnlyToTheOutputAfterIt) {
  const dw::CommandLine cl = dw::ParseCommandLine(
      {"h.pbn", "/QUIET", "/layout", "p.pbn", "/dda", "/pdf", "o.pdf", "/acbl", "s.txt", "/html", "o.htm"});
  EXPECT_TRUE(cl.Quiet);  // switches are not case-sensitive
  EXPECT_EQ(cl.Pdf->Layout, "p.pbn");
  EXPECT_FALSE(cl.Html->Layout);
  EXPECT_FALSE(cl.Html->DoubleDummy);
}

TEST(CommandLine, BadArgumentsFailWithTheUsageCodeAndSayWhy) {
  struct Row {
    std::vector<std::string> Args;
    const char* Says;
  };
  const Row rows[] = {
      {{"/bogus"}, "\"/bogus\" is not known"},
      {{"--frobnicate"}, "is not known"},
      {{"/acbl"}, "/acbl needs a file name"},
      {{"/acbl", "s.txt"}, "needs /html"},
      {{"/pdf", "x.pdf"}, "/pdf needs a hand record file"},
      {{}, "Nothing to do"},
      {{"/quiet", "/sort"}, "Nothing to do"},
      {{"a.pbn", "b.pbn", "/pdf", "x.pdf"}, "Only one hand record file"},
      {{"/acbl", "s.txt", "/html", "a.htm", "/html", "b.htm"}, "/html is given twice"},
      {{"h.pbn", "/pdf", "same.x", "/acbl", "s.txt", "/html", "same.x"}, "same file"},
      {{"/acbl", "", "/html", "a.htm"}, "empty"},
  };
  for (const Row& r : rows) {
    const RunResult res = RunInProcess(r.Args);
    EXPECT_EQ(res.Code, 1) << r.Says;
    EXPECT_TRUE(Contains(res.Err, r.Says)) << r.Says << ": " << res.Err;
    EXPECT_TRUE(res.Out.empty()) << r.Says;
  }
}

TEST(CommandLine, VersionAndHelp) {
  for (const char* sw : {"/version", "--version", "/VERSION"}) {
    const RunResult r = RunInProcess({sw});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "Dealwright 5.22.0.0\n");
  }
  for (const char* sw : {"/help", "/?", "--help"}) {
    const RunResult r = RunInProcess({sw});
    EXPECT_EQ(r.Code, 0);
    EXPECT_TRUE(Contains(r.Out, "/acbl SCOREFILE")) << sw;
    EXPECT_TRUE(Contains(r.Out, "Exit codes")) << sw;
  }
}

}  // namespace dwtest
