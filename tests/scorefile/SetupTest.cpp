#include <gtest/gtest.h>

#include <cstdlib>

#include "scorefile/Setup.h"

namespace tx {

TEST(Setup, ResetKeepsPublishTimeAndStagingName) {
  CSetup s;
  s.ScoreFileDirectory = "/games";
  s.FtpUser = "club";
  s.SetupFlags = setupflag::MultiPageIndex | setupflag::ActiveFtp;
  s.FtpPassword = {1, 2, 3};
  s.LastPublishTime = 1234;
  s.StagingDirectoryName = "Staging3";
  s.IndexData.emplace_back();
  s.ResetSetup(1);
  EXPECT_EQ(s.ScoreFileDirectory, "C:\\ACBLSCOR\\GAMEFILE");
  EXPECT_TRUE(s.FtpUser.empty());
  EXPECT_EQ(s.SetupFlags, 0u);
  EXPECT_TRUE(s.PassiveFtp());
  EXPECT_TRUE(s.FtpPassword.empty());
  EXPECT_TRUE(s.IndexData.empty());
  EXPECT_EQ(s.FtpPasswordScheme, 1u);
  EXPECT_EQ(s.LastPublishTime, 1234);
  EXPECT_EQ(s.StagingDirectoryName, "Staging3");
}

TEST(Setup, BridgeWebsHostIgnoresCaseButNotBlanks) {
  unsetenv("TABULONIX_BRIDGEWEBS_HOST");
  CSetup s;
  struct Row { const char* server; bool bw; };
  for (Row r : {Row{"www.bridgewebs.com", true}, Row{"WWW.BridgeWebs.COM", true},
                Row{" www.bridgewebs.com", false}, Row{"www.bridgewebs.com ", false},
                Row{"ftp.club.org", false}}) {
    s.FtpServer = r.server;
    EXPECT_EQ(s.ServerIsBridgeWebs(), r.bw) << r.server;
  }
  setenv("TABULONIX_BRIDGEWEBS_HOST", "127.0.0.1:8080", 1);
  s.FtpServer = "127.0.0.1:8080";
  EXPECT_TRUE(s.ServerIsBridgeWebs());
  unsetenv("TABULONIX_BRIDGEWEBS_HOST");
}

}  // namespace tx
