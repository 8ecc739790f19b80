#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Servers.h"
#include "TestEnv.h"
#include "net/HTPost.h"
#include "platform/Errors.h"

using namespace tx;
using testing::HasSubstr;
using tx::test::HttpServer;
using tx::test::TestEnv;

namespace {

TEST(FormBodyTest, EncodingByteForByte) {
  CFormBody form;
  form.AddText("club", "My Club");
  form.AddText("type", "upload");
  form.AddText("password", "a&b=c");
  form.AddText("acblname", "Caf\xC3\xA9.acm");
  form.AddBytes("acbldata", std::string("L1\nx.y-z_~+\0\xFF", 13));
  EXPECT_EQ(form.Body(),
            "club=My%20Club&type=upload&password=a%26b%3Dc&acblname=Caf%E9%2Eacm"
            "&acbldata=L1%0Ax%2Ey%2Dz%5F%7E%2B%00%FF");
  CFormBody empty;
  empty.AddText("password", "");
  EXPECT_EQ(empty.Body(), "password=");
  EXPECT_EQ(EncodeFormText("\xE2\x82\xAC \xE4\xB8\x80"), "%80%20%3F");  // euro in 1252, CJK not
}

TEST(FormBodyTest, AddressAndTimeouts) {
  EXPECT_EQ(BridgeWebsAddress("bw.example", ""), "http://bw.example/cgi-bin/upload/exchange.cgi");
  EXPECT_EQ(BridgeWebsAddress("bw.example:8080", "d"), "http://bw.example:8080/d/cgi-bin/upload/exchange.cgi");
  EXPECT_EQ(CHTPost::SendTimeoutMs(47, 10000), 30000u);
  EXPECT_EQ(CHTPost::ReceiveTimeoutMs(30000), 45000u);
  EXPECT_EQ(CHTPost::SendTimeoutMs(47, 100000), 100047u);
  EXPECT_EQ(CHTPost::ReceiveTimeoutMs(100047), 150070u);
}

class HTPostTest : public testing::Test {
 protected:
  TestEnv env;
  HttpServer http;

  CHTPost::Outcome Post(CHTPost& post, const std::string& body, const std::string& dir = {}) {
    post.InitPost("game.acm", BridgeWebsAddress(http.HostPort(), dir), CHTPost::FormContentType, body);
    post.Wait();
    return post.GetOutcome();
  }
};

TEST_F(HTPostTest, PostsTheFormAndKeepsTheReplyWithBase) {
  CFormBody form;
  form.AddText("club", "My Club");
  form.AddBytes("acbldata", std::string(5000, '\n'));
  CHTPost post(env.Svc);
  ASSERT_EQ(Post(post, form.Body(), "d"), CHTPost::Outcome::Succeeded);
  EXPECT_FALSE(post.ErrorText());
  auto posts = http.FormPosts();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].target, "/d/cgi-bin/upload/exchange.cgi");
  EXPECT_EQ(posts[0].body, form.Body());
  EXPECT_EQ(posts[0].Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_FALSE(posts[0].Header("Expect"));
  EXPECT_EQ(post.ReplyPath().parent_path(), env.Root() / "tmp");
  EXPECT_THAT(post.ReplyPath().filename().string(), testing::MatchesRegex("TBr.*\\.htm"));
  EXPECT_THAT(TestEnv::ReadFile(post.ReplyPath()),
              HasSubstr("<head><base href=\"http://" + http.HostPort() + "/\"><title>"));
  auto texts = env.Sink.TextsFor(StatusCode::StatusLine);
  EXPECT_THAT(texts, testing::IsSupersetOf({"Connecting to 127.0.0.1", "Uploading game.acm", "Receiving reply"}));
  auto progress = env.Sink.ProgressCalls();
  ASSERT_FALSE(progress.empty());
  EXPECT_FALSE(progress.back().Show);
}

TEST_F(HTPostTest, ReplyStatusAndHeadRules) {
  struct Row {
    const char* Why;
    int Status;
    std::string Body;
    std::string Stored;
    CHTPost::Outcome Outcome;
  };
  const Row rows[] = {
      {"no head tag: stored unchanged", 200, "<html>plain</html>", "<html>plain</html>", CHTPost::Outcome::Succeeded},
      {"upper-case head gets no base", 200, "<HEAD></HEAD>", "<HEAD></HEAD>", CHTPost::Outcome::Succeeded},
      {"redirect is an error", 302, "moved", "moved", CHTPost::Outcome::Failed},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.Why);
    http.SetReply(r.Status, r.Body, {{"Location", "/elsewhere"}});
    CHTPost post(env.Svc);
    EXPECT_EQ(Post(post, "club=x"), r.Outcome);
    EXPECT_EQ(TestEnv::ReadFile(post.ReplyPath()), r.Stored);
    if (r.Status != 200) {
      EXPECT_EQ(post.ErrorText(), "HTTP Error 302");
    }
  }
}

TEST_F(HTPostTest, CancelAndFailure) {
  env.Status.SetBusy(true);
  env.Status.RequestCancel();  // pending before the worker's first status text
  CHTPost canceled(env.Svc);
  EXPECT_EQ(Post(canceled, std::string(200000, 'a')), CHTPost::Outcome::Canceled);
  EXPECT_FALSE(canceled.ErrorText());
  EXPECT_EQ(TestEnv::ReadFile(canceled.ReplyPath()), "");
  env.Status.SetBusy(false);

  CHTPost refused(env.Svc);
  refused.InitPost("game.acm", "http://127.0.0.1:1/cgi-bin/upload/exchange.cgi", CHTPost::FormContentType, "a=b");
  refused.Wait();
  EXPECT_EQ(refused.GetOutcome(), CHTPost::Outcome::Failed);
  EXPECT_THAT(refused.ErrorText().value_or(""), HasSubstr("127.0.0.1"));

  CHTPost noFile(env.Svc);
  EXPECT_THROW(noFile.InitPost("g", "http://x/", "", "", env.Root() / "no/such/dir/r.htm"), CFileException);
  EXPECT_THAT(env.LogText(), HasSubstr("InitPost: Could not open reply file"));
}

}  // namespace
