#include <gtest/gtest.h>

#include "TestEnv.h"
#include "platform/FileUtil.h"
#include "platform/Process.h"

namespace fs = std::filesystem;

namespace tx {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsByTheWindowsRules) {
  struct Row { const char* comment; const char* line; Args args; };
  const Row rows[] = {
      {"plain", R"(prog a b)", {"prog", "a", "b"}},
      {"blanks and tabs", "  prog \t a  \t b  ", {"prog", "a", "b"}},
      {"quoted program with blanks", R"("C:\Program Files\DW\dw.exe" /quiet)", {R"(C:\Program Files\DW\dw.exe)", "/quiet"}},
      {"program takes backslashes literally", R"(C:\dir\"x y"\p.exe a)", {R"(C:\dir\x y\p.exe)", "a"}},
      {"quoted argument", R"(p "a b" c)", {"p", "a b", "c"}},
      {"quote in the middle", R"(p a"b c"d)", {"p", "ab cd"}},
      {"empty quoted argument", R"(p "" x)", {"p", "", "x"}},
      {"backslashes not before a quote", R"(p a\\b c\d)", {"p", R"(a\\b)", R"(c\d)"}},
      {"escaped quote", R"(p a\"b)", {"p", R"(a"b)"}},
      {"2n backslashes then quote", R"(p "a\\" b)", {"p", R"(a\)", "b"}},
      {"2n+1 backslashes then quote", R"(p "a\\\" b")", {"p", R"(a\" b)"}},
      {"trailing backslash in quotes", R"(p "C:\out dir\\")", {"p", R"(C:\out dir\)"}},
      {"doubled quote inside quotes", R"(p "say ""hi""")", {"p", R"(say "hi")"}},
      {"doubled quote outside quotes", R"(p a""b)", {"p", "ab"}},
      {"unterminated quote", R"(p "a b)", {"p", "a b"}},
      {"dealwright style", R"("/opt/dw/dealwright" "/tmp/x y.pbn" /dda /pdf "/tmp/o.pdf")",
       {"/opt/dw/dealwright", "/tmp/x y.pbn", "/dda", "/pdf", "/tmp/o.pdf"}},
      {"empty", "", {}},
      {"only blanks", "   ", {}},
  };
  for (const Row& r : rows) EXPECT_EQ(SplitWindowsCommandLine(r.line), r.args) << r.comment;
}

TEST(CommandLine, QuotingRoundTrips) {
  const Args args = {"", "plain", "a b", R"(a"b)", R"(tail\)", R"(tail\\)", R"(x\"y)", "\t", R"(C:\a b\)"};
  std::string line = "prog";
  for (const std::string& a : args) line += " " + QuoteWindowsArgument(a);
  Args expect = {"prog"};
  expect.insert(expect.end(), args.begin(), args.end());
  EXPECT_EQ(SplitWindowsCommandLine(line), expect) << line;
}

TEST(Process, ProgramsThatCannotStartGiveCodes) {
  test::TempDir tmp;
  CProcess p;
  EXPECT_EQ(StartProcess({"tx-no-such-program-here"}, ProcessOptions{}, p), 2u);
  EXPECT_EQ(StartProcess({(tmp.Path() / "missing").string()}, ProcessOptions{}, p), 2u);
  EXPECT_EQ(StartProcess({tmp.Path().string()}, ProcessOptions{}, p), 5u);  // a folder
  const fs::path plain = tmp.Path() / "plain";
  ASSERT_EQ(WriteFileAtomically(plain, "echo hi\n"), 0u);
  EXPECT_EQ(StartProcess({plain.string()}, ProcessOptions{}, p), 5u);  // not executable
  fs::permissions(plain, fs::perms::owner_all);
  EXPECT_EQ(StartProcess({plain.string()}, ProcessOptions{}, p), 193u);  // no interpreter line: not run by a shell
  EXPECT_EQ(StartProcess({"sh", "-c", "true"}, tmp.Path() / "nowhere", p), 267u);
  EXPECT_EQ(StartProcess({}, ProcessOptions{}, p), 87u);
  EXPECT_EQ(StartCommandLine("   ", ProcessOptions{}, p), 87u);
  EXPECT_FALSE(p.IsStarted());
}

TEST(Process, ExitCodesWaitingAndRedirection) {
  test::TempDir tmp;
  CProcess p;
  ProcessOptions o;
  o.WorkDir = tmp.Path();
  o.StdOutFile = tmp.Path() / "out.txt";
  o.StdErrFile = o.StdOutFile;
  o.ExtraEnvironment = {{"TX_PROBE", "v a l"}};
  ASSERT_EQ(StartCommandLine(R"(sh -c "pwd; echo \"$TX_PROBE\"; echo err >&2; exit 7")", o, p), 0u);
  WaitResult w = p.Wait(10000);
  ASSERT_TRUE(w.Finished);
  EXPECT_EQ(w.ExitCode, 7u);
  EXPECT_EQ(p.Wait(0).ExitCode, 7u);  // asking again gives the same
  EXPECT_EQ(test::TestEnv::ReadFile(tmp.Path() / "out.txt"), tmp.Path().string() + "\nv a l\nerr\n");

  ASSERT_EQ(StartProcess({"sleep", "30"}, ProcessOptions{}, p), 0u);
  EXPECT_FALSE(p.Wait(0).Finished);
  EXPECT_FALSE(p.Wait(50).Finished);
  EXPECT_TRUE(p.Terminate(true));
  w = p.Wait(10000);
  ASSERT_TRUE(w.Finished);
  EXPECT_EQ(w.ExitCode, SignalExitBase + 9);
}

TEST(Process, ArgumentsReachTheProgramUnchanged) {
  test::TempDir tmp;
  CProcess p;
  ProcessOptions o;
  o.StdOutFile = tmp.Path() / "args.txt";
  // Characters a shell would act on arrive as plain text.
  ASSERT_EQ(StartCommandLine(R"(printf "[%s]" "a b" "$HOME" ";rm -rf x" "`id`" "q\"q")", o, p), 0u);
  ASSERT_TRUE(p.Wait(10000).Finished);
  EXPECT_EQ(test::TestEnv::ReadFile(o.StdOutFile), R"([a b][$HOME][;rm -rf x][`id`][q"q])");
}

TEST(Process, DestroyingLeavesTheProgramRunning) {
  test::TempDir tmp;
  const fs::path marker = tmp.Path() / "done";
  {
    CProcess p;
    ASSERT_EQ(StartProcess({"sh", "-c", "sleep 0.3; echo x > \"$0\"", marker.string()}, ProcessOptions{}, p), 0u);
  }
  CProcess waiter;
  ASSERT_EQ(StartProcess({"sleep", "1"}, ProcessOptions{}, waiter), 0u);
  waiter.Wait(5000);
  EXPECT_TRUE(fs::exists(marker));
}

TEST(Process, FindsProgramsOnPath) {
  EXPECT_EQ(FindProgramOnPath("sh").filename(), "sh");
  EXPECT_TRUE(FindProgramOnPath("tx-no-such-program-here").empty());
  EXPECT_EQ(FindProgramOnPath("/bin/sh"), fs::path("/bin/sh"));
  EXPECT_TRUE(FindProgramOnPath("/etc/passwd").empty());
  EXPECT_FALSE(GetOwnExecutablePath().empty());
}

}  // namespace tx
