#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IndexTestSupport.h"
#include "Servers.h"
#include "scorefile/Naming.h"
#include "store/Password.h"
#include "web/IndexSiteFtp.h"
#include "web/IndexWebsite.h"

using namespace tx;
using namespace tx::test;
namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

std::string ResultsPage(const char* event, const char* session, const char* section, const char* date) {
  return fmt::format(
      "<html>\n<body>\n<pre>\nEVENT&gt;{}|SESSION&gt;{}|SECTION&gt;{}|DATE&gt;{}|MP LIMITS&gt;none\n</pre>\n</body>\n</html>\n",
      event, session, section, date);
}

void Put(const fs::path& root, const std::string& rel, const std::string& bytes) {
  fs::create_directories((root / rel).parent_path());
  std::ofstream(root / rel, std::ios::binary) << bytes;
}

}  // namespace

TEST(IndexWebsiteServer, WalksARealSite) {
  IndexFixture f;
  FtpServer ftp;
  const fs::path site = ftp.Root() / "club" / "results";
  Put(site, "results.htm", "<html><!--tabulonix:insert--></html>\n");
  Put(site, "20140105anlma.htm", ResultsPage("Club Pairs", "Sunday Aft", "A", "January 5, 2014"));
  Put(site, "20140105anlma.pdf", "%PDF");
  Put(site, "20140105ANLMA.pbn", "[Board \"1\"]");
  Put(site, "2014/01/20140110EA.HTM", ResultsPage("Friday Pairs", "Friday Eve", "A", "January 10, 2014"));
  // Listed after its page (the server sorts the names); letter case differs.
  Put(site, "2014/01/20140110ea.pdf", "%PDF");
  Put(site, "2014/01/notes.html", "<html>no header</html>\n");
  Put(site, "hands/20140110EA.dlm", "x");

  f.Setup.FtpServer = ftp.HostPort();
  f.Setup.FtpUser = "club";
  f.Setup.FtpDirectory = "club";
  f.Setup.FtpPasswordScheme = MachinePasswordSchemeId;
  uint32_t error = 0;
  ASSERT_TRUE(Encrypt("secret", MachinePasswordSchemeId, f.Setup.FtpPassword, error)) << error;
  f.Setup.ScoreFileTemplateFilename = "results.htm";
  f.Ctx.Hooks.MakeSite = [&f] { return MakeFtpIndexSite(f.Env.Svc, f.Setup); };
  int asked = 0;
  f.Ctx.Hooks.Identify = [&f](CScoreFile& page) { return int(Identify(page, f.Env.Svc, true, nullptr)); };
  f.Env.Ui.OnIdentifyScoreFile = [&asked](CIdentifyValues&) {
    ++asked;
    return IdentifyAnswer::Skip;
  };

  ASSERT_TRUE(IndexWebsite(f.Ctx, MakeIndexPageReader(f.Env.Svc)));
  EXPECT_EQ(asked, 1);  // the page without a header, answered Skip
  ASSERT_EQ(f.Setup.IndexData.size(), 2u);
  const CScoreFile& a = f.Setup.IndexData[0];
  EXPECT_EQ(a.Path, "20140105anlma.htm");
  EXPECT_EQ(a.Event, "Club Pairs");
  EXPECT_EQ(a.SessionDate, Local(2014, 1, 5));
  EXPECT_TRUE(a.IsPdfUploaded());
  EXPECT_FALSE(a.IsHandRecordUploaded());  // the hand record's name differs in letter case
  const CScoreFile& b = f.Setup.IndexData[1];
  EXPECT_EQ(b.Path, "2014/01/20140110EA.HTM");
  EXPECT_EQ(b.WebPageName, "2014\\01\\20140110EA.HTM");
  EXPECT_TRUE(b.IsPdfUploaded());
  EXPECT_EQ(b.HandRecordPath, "20140110EA.dlm");
  EXPECT_FALSE(b.Hash.IsZero());
  EXPECT_EQ(f.Env.Sink.LastText(StatusCode::StatusLine), "Index Website complete: 2 file(s)");
}
