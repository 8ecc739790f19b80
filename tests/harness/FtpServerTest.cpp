#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "CurlEasy.h"
#include "Servers.h"

namespace tx::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string Bytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return s;
}

// True once pid is gone or a zombie nobody reaps (the test servers are not our children here).
bool Gone(pid_t pid) {
  if (kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  auto close = line.rfind(')');
  return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

bool WaitGone(pid_t pid, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!Gone(pid)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

TEST(FtpServer, UploadIntoNewSubfolderIsLoggedCommandByCommand) {
  FtpServer srv({.user = "club", .password = "pw"});
  {
    CurlEasy c;
    c.Login("club", "pw").Set(CURLOPT_FTP_CREATE_MISSING_DIRS, long(CURLFTP_CREATE_DIR));
    auto r = c.Upload("<html>page</html>").Perform(srv.Url("/y/m/page.htm"));
    ASSERT_EQ(r.rc, CURLE_OK) << r.error;
  }
  EXPECT_EQ(Slurp(srv.Root() / "y" / "m" / "page.htm"), "<html>page</html>");
  ASSERT_TRUE(srv.WaitIdle());
  EXPECT_THAT(srv.CommandLog(),
              ElementsAre("CONNECT", "USER club", "PASS ****", "PWD", "CWD y", "MKD y", "CWD y",
                          "CWD m", "MKD m", "CWD m", "EPSV", "TYPE I", "STOR page.htm", "QUIT",
                          "DISCONNECT"));
  EXPECT_EQ(srv.Connections(), 1);
  srv.ClearLog();
  EXPECT_TRUE(srv.CommandLog().empty());
}

TEST(FtpServer, WrongPasswordIsRefused) {
  FtpServer srv;
  CurlEasy c;
  auto r = c.Login("club", "wrong").Set(CURLOPT_NOBODY, 1L).Perform(srv.Url());
  EXPECT_EQ(r.rc, CURLE_LOGIN_DENIED);
  EXPECT_EQ(r.status, 530);
}

TEST(FtpServer, PassiveAndActiveTransfersBothWork) {
  struct Row {
    const char* note;
    bool active, extended;
    const char* command;
  } rows[] = {
      {"passive, EPSV", false, true, "EPSV"},
      {"passive, PASV", false, false, "PASV"},
      {"active, EPRT", true, true, "EPRT |1|127.0.0.1|"},
      {"active, PORT", true, false, "PORT 127,0,0,1,"},
  };
  FtpServer srv;
  const std::string data = Bytes(200000);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    srv.ClearLog();
    CurlEasy up;
    up.Login("club", "secret");
    if (row.active) {
      up.Set(CURLOPT_FTPPORT, "-").Set(CURLOPT_FTP_USE_EPRT, long(row.extended));
    } else {
      up.Set(CURLOPT_FTP_USE_EPSV, long(row.extended));
    }
    auto r = up.Upload(data).Perform(srv.Url("/data.bin"));
    ASSERT_EQ(r.rc, CURLE_OK) << r.error;
    EXPECT_EQ(Slurp(srv.Root() / "data.bin"), data);
    bool seen = false;
    for (const auto& line : srv.CommandLog()) seen |= line.rfind(row.command, 0) == 0;
    EXPECT_TRUE(seen) << "no " << row.command << " in the log";
  }
}

TEST(FtpServer, RefusedStorGets550AndOtherFilesStillGoThrough) {
  FtpServer srv({.faults = {.refuse = {"STOR page.htm"}}});
  CurlEasy c;
  c.Login("club", "secret");
  auto refused = c.Upload("x").Perform(srv.Url("/page.htm"));
  EXPECT_EQ(refused.rc, CURLE_UPLOAD_FAILED);
  EXPECT_EQ(refused.status, 550);
  EXPECT_FALSE(std::filesystem::exists(srv.Root() / "page.htm"));
  auto other = c.Upload("y").Perform(srv.Url("/other.htm"));
  EXPECT_EQ(other.rc, CURLE_OK) << other.error;

  srv.SetFaults({});  // switched off while running
  auto again = c.Upload("z").Perform(srv.Url("/page.htm"));
  EXPECT_EQ(again.rc, CURLE_OK) << again.error;
  EXPECT_EQ(Slurp(srv.Root() / "page.htm"), "z");
}

TEST(FtpServer, RefusalMatchesCommandsWithoutArgumentOrByPattern) {
  FtpServer srv({.faults = {.refuse = {"MKD *", "DELE"}}});
  CurlEasy c;
  c.Login("club", "secret").Set(CURLOPT_NOBODY, 1L);
  EXPECT_EQ(c.Quote("MKD newdir").Perform(srv.Url()).rc, CURLE_QUOTE_ERROR);
  CurlEasy d;
  d.Login("club", "secret").Set(CURLOPT_NOBODY, 1L);
  EXPECT_EQ(d.Quote("DELE any/file.txt").Perform(srv.Url()).rc, CURLE_QUOTE_ERROR);
  EXPECT_FALSE(std::filesystem::exists(srv.Root() / "newdir"));
}

TEST(FtpServer, DropDuringStorClosesBothConnectionsAfterThatManyBytes) {
  FtpServer srv;
  srv.SetFaults({.dropStorAfter = 5000});
  CurlEasy c;
  auto r = c.Login("club", "secret").Upload(Bytes(300000)).Perform(srv.Url("/big.bin"));
  EXPECT_NE(r.rc, CURLE_OK);
  EXPECT_EQ(std::filesystem::file_size(srv.Root() / "big.bin"), 5000u);
  ASSERT_TRUE(srv.WaitIdle());
  auto log = srv.CommandLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "STOR big.bin");
  EXPECT_EQ(log.back(), "DISCONNECT");
}

TEST(FtpServer, DelayHoldsBackEveryReply) {
  FtpServer srv({.faults = {.delayMs = 100}});
  CurlEasy c;
  // Greeting, USER, PASS, PWD: four delayed replies.
  auto r = c.Login("club", "secret").Set(CURLOPT_NOBODY, 1L).Perform(srv.Url());
  ASSERT_EQ(r.rc, CURLE_OK) << r.error;
  EXPECT_GE(r.elapsed, 400ms);
}

TEST(FtpServer, StopsWithTheObjectAndWhenStopped) {
  pid_t pid;
  std::string url;
  {
    FtpServer srv;
    pid = srv.Pid();
    url = srv.Url();
    EXPECT_TRUE(srv.Running());
  }
  EXPECT_TRUE(Gone(pid));
  CurlEasy c;
  EXPECT_EQ(c.Login("club", "secret").Set(CURLOPT_NOBODY, 1L).Perform(url).rc,
            CURLE_COULDNT_CONNECT);

  FtpServer srv;
  srv.Stop();
  EXPECT_FALSE(srv.Running());
  srv.Stop();  // a second stop is harmless
}

TEST(FtpServer, EndsByItselfAtItsTimeLimit) {
  FtpServer srv({.maxSeconds = 1});
  EXPECT_TRUE(WaitGone(srv.Pid(), 3s));
}

TEST(FtpServer, EndsWhenTheTestProcessDies) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    auto* srv = new FtpServer;  // never stopped: this process just dies
    std::string message = std::to_string(srv->Pid()) + " " + srv->WorkDir().string();
    (void)!write(fds[1], message.data(), message.size());
    _exit(0);
  }
  close(fds[1]);
  char buf[4096];
  ssize_t got = read(fds[0], buf, sizeof buf);
  close(fds[0]);
  waitpid(child, nullptr, 0);
  ASSERT_GT(got, 0);
  std::string message(buf, static_cast<size_t>(got));
  pid_t server = std::stoi(message);
  EXPECT_TRUE(WaitGone(server, 3s));
  std::filesystem::remove_all(message.substr(message.find(' ') + 1));
}

}  // namespace
}  // namespace tx::test
