// The terminal front end end to end: usage errors and the setup commands.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Cli.h"
#include "TestEnv.h"

using namespace tx::test;
using ::testing::HasSubstr;

TEST(Cli, UsageErrorsExitWith64) {
  TestEnv env;
  for (std::vector<std::string> args : {std::vector<std::string>{}, {"frobnicate"}, {"--bogus", "post"},
                                        {"digest"}, {"setup"}, {"--post-anyway=maybe", "post"}}) {
    CliResult r = RunCli(args);
    EXPECT_EQ(r.Status, 64) << ::testing::PrintToString(args) << r.Err;
  }
}

TEST(Cli, SetupSetShowAndPassword) {
  TestEnv env;
  const std::string setup = (env.Root() / "club.tsu").string();
  CliResult set = RunCli({"--setup", setup, "setup", "set", "FtpServer=127.0.0.1:2121", "FtpUser=club",
                          "PostFilesModifiedAfter=2026-12-01 18:30:00"});
  ASSERT_EQ(set.Status, 0) << set.Err;
  EXPECT_THAT(set.Err, HasSubstr("Setup: Changes saved"));
  CliResult pw = RunCli({"--setup", setup, "setup", "password"}, {.Stdin = "s3cret\n"});
  ASSERT_EQ(pw.Status, 0) << pw.Err;
  // Without --setup the last document used is meant.
  CliResult show = RunCli({"setup", "show"});
  ASSERT_EQ(show.Status, 0) << show.Err;
  EXPECT_THAT(show.Out, HasSubstr(setup));
  EXPECT_THAT(show.Out, HasSubstr("127.0.0.1:2121"));
  EXPECT_THAT(show.Out, HasSubstr("2026-12-01 18:30:00"));
  EXPECT_THAT(show.Out, testing::ContainsRegex("FtpPassword +set"));
  EXPECT_THAT(show.Out, testing::Not(HasSubstr("s3cret")));

  CliResult bad = RunCli({"--setup", setup, "setup", "set", "DaysToIndex=lots"});
  EXPECT_EQ(bad.Status, 1);
  CliResult unknown = RunCli({"--setup", setup, "setup", "set", "Colour=blue"});
  EXPECT_EQ(unknown.Status, 1);
  EXPECT_THAT(unknown.Err, HasSubstr("unknown setup field 'Colour'"));
}
