#include <chrono>
#include <thread>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Servers.h"
#include "TestEnv.h"
#include "net/GetURL.h"
#include "net/TBSession.h"

using namespace tx;
using testing::Contains;
using testing::HasSubstr;
using tx::test::HttpServer;
using tx::test::TestEnv;

namespace {

class GetURLTest : public testing::Test {
 protected:
  TestEnv env;
  void Page(HttpServer& http, const std::string& name, const std::string& bytes) {
    std::ofstream(http.Root() / name, std::ios::binary) << bytes;
  }
};

TEST_F(GetURLTest, FetchesBodyWithProgressAndNetworkTexts) {
  // Slow enough for the waiting caller to see the transfer under way.
  HttpServer http({.slowBytes = 1000, .slowIntervalMs = 40});
  std::string page(5000, 'p');
  Page(http, "t.htm", page);
  Page(http, "empty.htm", "");
  std::string body;
  EXPECT_EQ(GetURL(env.Svc, http.Url("/t.htm"), body), OperationResult::ResultSucceeded);
  EXPECT_EQ(body, page);
  auto progress = env.Sink.ProgressCalls();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.front().Upper, 5000u);
  EXPECT_FALSE(progress.back().Show);
  auto net = env.Sink.TextsFor(StatusCode::Network);
  EXPECT_THAT(net, Contains("Connection open"));
  EXPECT_THAT(net, Contains("Connecting to server"));
  EXPECT_THAT(net, Contains("Connected to server"));
  EXPECT_THAT(net, testing::Not(Contains("Request sent")));

  EXPECT_EQ(GetURL(env.Svc, http.Url("/empty.htm"), body), OperationResult::ResultSucceeded);
  EXPECT_EQ(body, "");
  EXPECT_EQ(env.Ui.BoxCount(), 0u);
}

TEST_F(GetURLTest, NoContentLengthShowsNoProgress) {
  HttpServer http({.bodyEnd = tx::test::BodyEnd::Close});
  Page(http, "t.htm", "no length here");
  std::string body;
  EXPECT_EQ(GetURL(env.Svc, http.Url("/t.htm"), body), OperationResult::ResultSucceeded);
  EXPECT_EQ(body, "no length here");
  EXPECT_TRUE(env.Sink.ProgressCalls().empty());
}

TEST_F(GetURLTest, FailuresAreLoggedAndShown) {
  HttpServer http;
  http.SetPathReply("/gone.htm", {.status = 410, .body = "x", .reason = "Went Away"});
  std::string body = "stale";
  struct Row {
    std::string Url, Text;
  };
  const Row rows[] = {
      {http.Url("/missing.htm"), http.Url("/missing.htm") + ": HTTP Status=404: Not Found"},
      {http.Url("/gone.htm"), http.Url("/gone.htm") + ": HTTP Status=410: Went Away"},
  };
  for (const auto& r : rows) {
    env.Ui.Clear();
    EXPECT_EQ(GetURL(env.Svc, r.Url, body), OperationResult::ResultFailed);
    EXPECT_TRUE(body.empty());
    ASSERT_EQ(env.Ui.BoxCount(), 1u);
    EXPECT_EQ(env.Ui.LastBox().Text, r.Text);
    EXPECT_EQ(env.Ui.LastBox().Icon, MbIcon::Error);
    EXPECT_THAT(env.LogLines(), Contains(r.Text));
  }
  // The library's own words for everything else.
  env.Ui.Clear();
  EXPECT_EQ(GetURL(env.Svc, "http://127.0.0.1:1/x.htm", body), OperationResult::ResultFailed);
  EXPECT_THAT(env.Ui.LastBox().Text, HasSubstr("127.0.0.1"));
  EXPECT_EQ(GetURL(env.Svc, "file://" + (env.Root() / "none.htm").string(), body), OperationResult::ResultFailed);
  EXPECT_EQ(GetURL(env.Svc, "gopher://example.invalid/", body), OperationResult::ResultFailed);
  EXPECT_EQ(env.Ui.BoxCount(), 3u);
}

TEST_F(GetURLTest, FileAndFtpUrls) {
  auto path = env.WriteFile("site/t.htm", "local page");
  std::string body;
  EXPECT_EQ(GetURL(env.Svc, "file://" + path.string(), body), OperationResult::ResultSucceeded);
  EXPECT_EQ(body, "local page");

  tx::test::FtpServer ftp({.anonymous = true});
  std::ofstream(ftp.Root() / "t.txt", std::ios::binary) << "a\r\nb\r\n";
  EXPECT_EQ(GetURL(env.Svc, ftp.Url("/t.txt"), body), OperationResult::ResultSucceeded);
  EXPECT_EQ(body, "a\nb\n");  // ASCII transfer
}

TEST_F(GetURLTest, CancelReturnsAtOnceWithoutMessage) {
  HttpServer http({.slowBytes = 100, .slowIntervalMs = 50});
  Page(http, "slow.htm", std::string(100000, 's'));
  env.Status.SetBusy(true);
  int pumps = 0;
  std::chrono::steady_clock::time_point canceledAt;
  env.Sink.SetPumpHook([&] {
    if (++pumps == 15) {
      canceledAt = std::chrono::steady_clock::now();
      env.Status.RequestCancel();
    }
  });
  std::string body;
  EXPECT_EQ(GetURL(env.Svc, http.Url("/slow.htm"), body), OperationResult::ResultCanceled);
  auto waited = std::chrono::steady_clock::now() - canceledAt;
  EXPECT_LT(waited, std::chrono::milliseconds(200));
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(env.Ui.BoxCount(), 0u);
  env.Sink.SetPumpHook({});
  env.Status.SetBusy(false);
  // Give the abandoned worker its moment to notice, so nothing outlives the test.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

TEST(TBSessionTest, StatusTable) {
  struct Row {
    int Code;
    const char* Text;
    bool Shown;
  };
  const Row rows[] = {
      {10, "Resolving name", true},       {11, "Name resolved", false},    {21, "Connected to server", true},
      {31, "Request sent", false},        {51, "Connection closed", true}, {60, "Connection open", true},
      {70, "Handle closing", false},
  };
  for (const auto& r : rows) {
    bool shown = !r.Shown;
    EXPECT_STREQ(CTBSession::StatusText(r.Code, &shown), r.Text);
    EXPECT_EQ(shown, r.Shown) << r.Code;
  }
  EXPECT_EQ(CTBSession::StatusText(110), nullptr);  // a redirect notice shows nothing
  TestEnv env;
  CTBSession session(&env.Status);
  session.StatusCallback(110);
  session.StatusCallback(11);
  session.StatusCallback(60);
  EXPECT_THAT(env.Sink.TextsFor(StatusCode::Network), testing::ElementsAre("Connection open"));
}

}  // namespace
