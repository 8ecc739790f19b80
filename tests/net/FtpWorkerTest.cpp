#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Servers.h"
#include "TestEnv.h"
#include "net/FTPWorker.h"
#include "net/FtpSettings.h"
#include "store/Password.h"

namespace fs = std::filesystem;
using namespace tx;
using testing::AllOf;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;
using tx::test::FtpServer;
using tx::test::TestEnv;

namespace {

std::vector<uint8_t> Protected(const std::string& password) {
  std::vector<uint8_t> block;
  uint32_t error = 0;
  EXPECT_TRUE(Encrypt(password, MachinePasswordSchemeId, block, error));
  return block;
}

// Commands after the login, without the connection lines and the session's housekeeping.
std::vector<std::string> Verbs(const std::vector<std::string>& log, std::vector<std::string> keep) {
  std::vector<std::string> out;
  for (const auto& line : log)
    for (const auto& k : keep)
      if (line.rfind(k + " ", 0) == 0) out.push_back(line);
  return out;
}

class FtpWorkerTest : public testing::Test {
 protected:
  TestEnv env;
  FtpServer ftp;

  FtpSettings Settings(std::string directory = {}, bool passive = true) {
    FtpSettings s;
    s.FtpServer = ftp.HostPort();
    s.FtpUser = "club";
    s.FtpDirectory = std::move(directory);
    s.PassiveFtp = passive;
    s.FtpPasswordScheme = MachinePasswordSchemeId;
    s.FtpPassword = Protected("secret");
    return s;
  }
  fs::path Local(const std::string& name, const std::string& bytes) { return env.WriteFile("local/" + name, bytes); }
  std::string Remote(const std::string& rel) { return TestEnv::ReadFile(ftp.Root() / rel); }
};

TEST_F(FtpWorkerTest, LoginWithAndWithoutDirectory) {
  {
    CFTPWorker w(env.Svc, Settings());
    EXPECT_EQ(w.Login(), 1);
    EXPECT_TRUE(w.IsConnected());
    EXPECT_THAT(env.Sink.TextsFor(StatusCode::StatusLine),
                Contains("Opening FTP connection: host=" + ftp.HostPort() + " user=club mode=passive"));
    EXPECT_THAT(ftp.Commands(), Not(Contains(testing::StartsWith("CWD"))));
  }
  fs::create_directories(ftp.Root() / "site");
  CFTPWorker w(env.Svc, Settings("site", false));
  EXPECT_EQ(w.Login(), 1);
  EXPECT_EQ(w.CurrentDirectory(), "/site");
  EXPECT_THAT(env.Sink.TextsFor(StatusCode::StatusLine),
              AllOf(Contains(HasSubstr("mode=non-passive")), Contains("Changing to directory: site")));
  EXPECT_THAT(env.Sink.TextsFor(StatusCode::Network), Contains("Connected to server"));
  EXPECT_EQ(env.Ui.BoxCount(), 0u);
}

TEST_F(FtpWorkerTest, LoginFailures) {
  FtpSettings s = Settings();
  s.FtpUser.clear();
  EXPECT_EQ(CFTPWorker(env.Svc, s).Login(), 0);
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine), "Setup required: FTP");

  s = Settings();
  s.FtpPassword = Protected("wrong");
  CFTPWorker w(env.Svc, s);
  EXPECT_EQ(w.Login(), 0);
  EXPECT_FALSE(w.IsConnected());
  ASSERT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_THAT(env.Ui.LastBox().Text, HasSubstr("530"));
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine),
            "FTP: Login was unsuccessful: host=" + ftp.HostPort() + " user=club");
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CFTPWorker::Login]"));

  s = Settings();
  s.FtpServer = "127.0.0.1:1";
  EXPECT_EQ(CFTPWorker(env.Svc, s).Login(), 0);
  EXPECT_EQ(env.Ui.BoxCount(), 2u);
}

TEST_F(FtpWorkerTest, MissingDirectoryLeavesNoConnectionAndNextUploadLogsInAgain) {
  CFTPWorker w(env.Svc, Settings("results"));
  EXPECT_EQ(w.Login(), 0);
  EXPECT_FALSE(w.IsConnected());
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine),
            "FTP: Change to directory was unsuccessful: directory=results");
  EXPECT_THAT(env.LogLines(), Contains("Operation=[CFTPWorker::SetCurrentDirectory]"));
  EXPECT_TRUE(ftp.WaitIdle());

  fs::create_directories(ftp.Root() / "results");
  int before = ftp.Connections();
  EXPECT_EQ(w.UploadFile(Local("a.htm", "page").string(), "a.htm"), 1);
  EXPECT_EQ(ftp.Connections(), before + 1);
  EXPECT_EQ(Remote("results/a.htm"), "page");
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
}

class FtpModeTest : public FtpWorkerTest, public testing::WithParamInterface<bool> {};

TEST_P(FtpModeTest, UploadMakesEachLevelThenReplaces) {
  CFTPWorker w(env.Svc, Settings({}, GetParam()));
  ASSERT_EQ(w.Login(), 1);
  ftp.ClearLog();
  EXPECT_EQ(w.UploadFile(Local("page.htm", "one").string(), "y\\m\\page.htm"), 1);
  EXPECT_EQ(Remote("y/m/page.htm"), "one");
  EXPECT_THAT(Verbs(ftp.Commands(), {"MKD", "DELE", "STOR"}),
              ElementsAre("MKD /y", "MKD /y/m", "DELE page.htm", "STOR page.htm"));
  // The second time the levels exist and the old file goes first.
  EXPECT_EQ(w.UploadFile(Local("page.htm", "two, longer").string(), "y/m/page.htm"), 1);
  EXPECT_EQ(Remote("y/m/page.htm"), "two, longer");

  ftp.ClearLog();
  std::string big(300000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 31);
  EXPECT_EQ(w.UploadFile(Local("top.pdf", big).string(), "top.pdf"), 1);
  EXPECT_EQ(Remote("top.pdf"), big);
  EXPECT_THAT(Verbs(ftp.Commands(), {"MKD"}), ElementsAre());
  EXPECT_EQ(env.Ui.BoxCount(), 0u);
  EXPECT_EQ(ftp.Connections(), 0);  // none since the log was cleared after the login
  EXPECT_EQ(env.Sink.LastText(StatusCode::StatusLine), "Uploading file: top.pdf");
}

TEST_P(FtpModeTest, WalkIsBreadthFirst) {
  for (const char* f : {"top.txt", "x/x1.txt", "y/y1.txt", "y/z/z1.txt", "y/z/z2.txt"}) {
    fs::create_directories((ftp.Root() / f).parent_path());
    std::ofstream(ftp.Root() / f) << f;
  }
  fs::create_directories(ftp.Root() / "empty");
  CFTPWorker w(env.Svc, Settings({}, GetParam()));
  ASSERT_EQ(w.Login(), 1);
  std::vector<std::string> seen;
  EXPECT_EQ(w.WalkTree([&](CFTPWorker&, const FtpFileInfo& f, const std::string& dir) {
              seen.push_back(dir + "|" + f.Name + "|" + std::to_string(f.Size));
              return true;
            }),
            1);
  EXPECT_THAT(seen, ElementsAre("|top.txt|7", "x|x1.txt|8", "y|y1.txt|8", "y/z|z1.txt|10", "y/z|z2.txt|10"));
  EXPECT_THAT(Verbs(ftp.Commands(), {"RETR"}), ElementsAre());

  seen.clear();
  EXPECT_EQ(w.WalkTree([&](CFTPWorker&, const FtpFileInfo& f, const std::string&) {
              seen.push_back(f.Name);
              return seen.size() < 2;
            }),
            0);
  EXPECT_EQ(seen.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Modes, FtpModeTest, testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST_F(FtpWorkerTest, RefusedPutIsReported) {
  ftp.SetFaults({.refuse = {"STOR page.htm"}});
  CFTPWorker w(env.Svc, Settings());
  EXPECT_EQ(w.UploadFile(Local("page.htm", "x").string(), "page.htm"), 0);
  ASSERT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_THAT(env.Ui.LastBox().Text, HasSubstr("550"));
  EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::Error);
  EXPECT_THAT(env.LogLines(), AllOf(Contains("Operation=[CFTPWorker::UploadFile: CFtpConnection::PutFile]"),
                                    Contains(HasSubstr("Error(12003)=[550"))));
  EXPECT_EQ(env.Status.BusyCount(), 0);
}

TEST_F(FtpWorkerTest, DroppedUploadRemovesPartialFileAndWorkerRecovers) {
  std::string big(200000, 'b');
  ftp.SetFaults({.dropStorAfter = 20000});
  CFTPWorker w(env.Svc, Settings());
  ASSERT_EQ(w.Login(), 1);
  EXPECT_EQ(w.UploadFile(Local("big.pdf", big).string(), "d/big.pdf"), 0);
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
  EXPECT_FALSE(fs::exists(ftp.Root() / "d/big.pdf"));

  ftp.SetFaults({});
  EXPECT_EQ(w.UploadFile(Local("big.pdf", big).string(), "d/big.pdf"), 1);
  EXPECT_EQ(Remote("d/big.pdf"), big);
  EXPECT_EQ(env.Ui.BoxCount(), 1u);
}

TEST_F(FtpWorkerTest, MissingLocalFileIsReported) {
  CFTPWorker w(env.Svc, Settings());
  EXPECT_EQ(w.UploadFile((env.Root() / "none.htm").string(), "none.htm"), 0);
  EXPECT_THAT(env.LogLines(), Contains("Error(2)=[The system cannot find the file specified.]"));
  EXPECT_FALSE(fs::exists(ftp.Root() / "none.htm"));
}

TEST_F(FtpWorkerTest, RemoveFileLogsItsStatus) {
  CFTPWorker w(env.Svc, Settings());
  EXPECT_EQ(w.RemoveFile("a.htm"), 0);  // not connected
  ASSERT_EQ(w.Login(), 1);
  fs::create_directories(ftp.Root() / "y/m");
  std::ofstream(ftp.Root() / "y/m/old.htm") << "old";
  EXPECT_EQ(w.RemoveFile("y\\m\\old.htm"), 1);
  EXPECT_FALSE(fs::exists(ftp.Root() / "y/m/old.htm"));
  EXPECT_EQ(w.RemoveFile("y/m/old.htm"), 0);
  EXPECT_THAT(env.LogLines(), AllOf(Contains("Remove=[y/m/old.htm] status=[0x00000000]"),
                                    Contains("Remove=[y/m/old.htm] status=[0x00002EE3]")));
  EXPECT_EQ(env.Ui.BoxCount(), 0u);
  // The connection survived the refusal.
  EXPECT_EQ(w.UploadFile(Local("n.htm", "n").string(), "n.htm"), 1);
  EXPECT_EQ(ftp.Connections(), 1);
}

TEST_F(FtpWorkerTest, DownloadAsciiAndBinary) {
  std::ofstream(ftp.Root() / "t.txt", std::ios::binary) << "line1\r\nline2\r\n";
  CFTPWorker w(env.Svc, Settings());
  std::string bytes;
  EXPECT_THROW(w.DownloadFile("t.txt", false, bytes), CInternetException);
  ASSERT_EQ(w.Login(), 1);
  w.DownloadFile("t.txt", false, bytes);
  EXPECT_EQ(bytes, "line1\r\nline2\r\n");
  w.DownloadFile("/t.txt", true, bytes);
  EXPECT_EQ(bytes, "line1\nline2\n");
  try {
    w.DownloadFile("missing.txt", true, bytes);
    ADD_FAILURE() << "no exception";
  } catch (const CInternetException& e) {
    EXPECT_EQ(e.ErrorCode(), 12003u);
    EXPECT_THAT(e.Message(), HasSubstr("550"));
  }
  EXPECT_TRUE(bytes.empty());
}

TEST(FtpServerTextTest, Parse) {
  struct Row {
    const char* Text;
    bool Valid;
    const char* Host;
    int Port;
    bool Secure;
  };
  const Row rows[] = {
      {"ftp.club.org", true, "ftp.club.org", 21, false},
      {" ftp.club.org:2121 ", true, "ftp.club.org", 2121, false},
      {"ftps://secure.club.org", true, "secure.club.org", 21, true},
      {"FTPS://secure.club.org:990/", true, "secure.club.org", 990, true},
      {"[::1]:2100", true, "[::1]", 2100, false},
      {"host:0", false, "", 0, false},
      {"host:x1", false, "", 0, false},
      {"", false, "", 0, false},
      {"a b", false, "", 0, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Text);
    FtpEndpoint e = ParseFtpServer(r.Text);
    EXPECT_EQ(e.Valid, r.Valid);
    if (!r.Valid) continue;
    EXPECT_EQ(e.Host, r.Host);
    EXPECT_EQ(e.Port, r.Port);
    EXPECT_EQ(e.Secure, r.Secure);
  }
}

}  // namespace
