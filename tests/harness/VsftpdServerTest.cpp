#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "CurlEasy.h"
#include "Servers.h"

namespace tx::test {
namespace {

using ::testing::Contains;
using ::testing::IsSupersetOf;

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Live processes whose command line mentions text (zombies have an empty one).
int ProcessesMentioning(const std::string& text) {
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline{std::istreambuf_iterator<char>(in), {}};
    n += cmdline.find(text) != std::string::npos;
  }
  return n;
}

class Vsftpd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = VsftpdServer::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  }
};

TEST_F(Vsftpd, AnonymousLoginWithThePasswordUploadsBelowTheUploadFolder) {
  VsftpdServer srv({.password = "club-pw"});
  {
    CurlEasy c;
    c.Login(VsftpdServer::kUser, "club-pw").Set(CURLOPT_FTP_CREATE_MISSING_DIRS,
                                                long(CURLFTP_CREATE_DIR));
    auto r = c.Upload("hello").Perform(srv.Url("/pub/y/m/page.htm"));
    ASSERT_EQ(r.rc, CURLE_OK) << r.error;
    // "/" itself is read-only.
    auto top = c.Set(CURLOPT_FTP_CREATE_MISSING_DIRS, 0L).Upload("x").Perform(srv.Url("/top.htm"));
    EXPECT_EQ(top.rc, CURLE_UPLOAD_FAILED);
  }
  EXPECT_EQ(Slurp(srv.Root() / "pub" / "y" / "m" / "page.htm"), "hello");
  EXPECT_THAT(srv.CommandLog(), IsSupersetOf({"CONNECT", "USER ftp", "PASS ****", "CWD pub",
                                              "MKD y", "STOR page.htm", "STOR top.htm"}));

  CurlEasy wrong;
  auto r = wrong.Login(VsftpdServer::kUser, "other").Set(CURLOPT_NOBODY, 1L).Perform(srv.Url());
  EXPECT_EQ(r.rc, CURLE_LOGIN_DENIED);
}

TEST_F(Vsftpd, FilesPutThereBeforeTheStartCanBeReplacedAndDeleted) {
  ServerDir folder("tx-vsftpd-root-");
  const std::filesystem::path root = folder.Path() / "site";
  std::filesystem::create_directories(root / "pub" / "old");
  std::ofstream(root / "pub" / "old" / "page.htm") << "old";
  {
    VsftpdServer srv({.root = root});
    CurlEasy c;
    c.Login(VsftpdServer::kUser, "secret");
    EXPECT_EQ(c.Upload("new").Perform(srv.Url("/pub/old/page.htm")).rc, CURLE_OK);
    EXPECT_EQ(Slurp(root / "pub" / "old" / "page.htm"), "new");

    std::ofstream(root / "pub" / "old" / "later.htm") << "later";
    srv.AllowWrites();
    CurlEasy d;
    d.Login(VsftpdServer::kUser, "secret").Set(CURLOPT_NOBODY, 1L);
    auto r = d.Quote("DELE /pub/old/later.htm").Perform(srv.Url());
    EXPECT_EQ(r.rc, CURLE_OK) << r.error;
    EXPECT_FALSE(std::filesystem::exists(root / "pub" / "old" / "later.htm"));
  }
}

TEST_F(Vsftpd, PassiveAndActiveListings) {
  VsftpdServer srv;
  std::ofstream(srv.Root() / "pub" / "a.txt") << "a";
  for (bool active : {false, true}) {
    SCOPED_TRACE(active ? "active" : "passive");
    CurlEasy c;
    c.Login(VsftpdServer::kUser, "secret").Set(CURLOPT_DIRLISTONLY, 1L);
    if (active) c.Set(CURLOPT_FTPPORT, "-");
    auto r = c.Perform(srv.Url("/pub/"));
    ASSERT_EQ(r.rc, CURLE_OK) << r.error;
    EXPECT_EQ(r.body, "a.txt\n");  // curl turns the ASCII listing's CRLF into LF
  }
  EXPECT_THAT(srv.CommandLog(), IsSupersetOf({"EPSV", "NLST"}));
  bool eprt = false;
  for (const auto& line : srv.CommandLog()) eprt |= line.rfind("EPRT |1|127.0.0.1|", 0) == 0;
  EXPECT_TRUE(eprt);
}

TEST_F(Vsftpd, TlsWithTheHarnessAuthorityIsTrustedAndAnUnknownOneIsNot) {
  VsftpdServer srv({.tls = Tls::TrustedCa});
  CurlEasy trusted;
  trusted.Login(VsftpdServer::kUser, "secret")
      .Set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL))
      .Set(CURLOPT_CAINFO, srv.CaFile().c_str());
  auto r = trusted.Upload("secure").Perform(srv.Url("/pub/s.htm"));
  ASSERT_EQ(r.rc, CURLE_OK) << r.error;
  EXPECT_EQ(Slurp(srv.Root() / "pub" / "s.htm"), "secure");
  EXPECT_THAT(srv.CommandLog(), Contains("AUTH SSL"));

  CurlEasy system;  // the system's authorities know nothing of ours
  system.Login(VsftpdServer::kUser, "secret").Set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
  EXPECT_EQ(system.Set(CURLOPT_NOBODY, 1L).Perform(srv.Url()).rc, CURLE_PEER_FAILED_VERIFICATION);
}

TEST_F(Vsftpd, SelfSignedCertificateIsRejectedUnlessVerificationIsOff) {
  VsftpdServer srv({.tls = Tls::SelfSigned});
  CurlEasy strict;
  strict.Login(VsftpdServer::kUser, "secret").Set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
  EXPECT_EQ(strict.Set(CURLOPT_NOBODY, 1L).Perform(srv.Url()).rc, CURLE_PEER_FAILED_VERIFICATION);

  CurlEasy lax;
  lax.Login(VsftpdServer::kUser, "secret")
      .Set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL))
      .Set(CURLOPT_SSL_VERIFYPEER, 0L)
      .Set(CURLOPT_NOBODY, 1L);
  auto r = lax.Perform(srv.Url());
  EXPECT_EQ(r.rc, CURLE_OK) << r.error;
}

TEST_F(Vsftpd, RenewedCertificateHasANewFingerprintOnTheSamePort) {
  VsftpdServer srv({.tls = Tls::TrustedCa});
  auto served = [&] {
    CurlEasy c;
    c.Login(VsftpdServer::kUser, "secret")
        .Set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL))
        .Set(CURLOPT_CAINFO, srv.CaFile().c_str())
        .Set(CURLOPT_CERTINFO, 1L)
        .Set(CURLOPT_NOBODY, 1L);
    auto r = c.Perform(srv.Url());
    EXPECT_EQ(r.rc, CURLE_OK) << r.error;
    auto pems = c.PeerCertificates();
    return pems.empty() ? std::string() : pems.front();
  };
  const std::string before = srv.Fingerprint();
  EXPECT_EQ(served(), Slurp(srv.CertFile()));
  const int port = srv.Port();

  srv.RenewCertificate();
  EXPECT_EQ(srv.Port(), port);
  EXPECT_NE(srv.Fingerprint(), before);
  EXPECT_EQ(served(), Slurp(srv.CertFile()));
  EXPECT_EQ(srv.Fingerprint().size(), 95u);  // 32 bytes as "AB:" groups

  CurlEasy open;  // a session left open goes with the server
  open.Login(VsftpdServer::kUser, "secret").Set(CURLOPT_NOBODY, 1L);
  ASSERT_EQ(open.Perform(srv.Url()).rc, CURLE_OK);
  const std::string config = (srv.WorkDir() / "vsftpd.conf").string();
  EXPECT_GE(ProcessesMentioning(config), 2);  // the listener and the session
  srv.Stop();
  EXPECT_EQ(ProcessesMentioning(config), 0);
}

TEST_F(Vsftpd, RequiredTlsRefusesPlainLogin) {
  VsftpdServer srv({.tls = Tls::TrustedCa, .requireTls = true});
  CurlEasy plain;
  auto r = plain.Login(VsftpdServer::kUser, "secret").Set(CURLOPT_NOBODY, 1L).Perform(srv.Url());
  EXPECT_EQ(r.rc, CURLE_LOGIN_DENIED);
  CurlEasy secure;
  secure.Login(VsftpdServer::kUser, "secret")
      .Set(CURLOPT_USE_SSL, long(CURLUSESSL_ALL))
      .Set(CURLOPT_CAINFO, srv.CaFile().c_str())
      .Set(CURLOPT_NOBODY, 1L);
  EXPECT_EQ(secure.Perform(srv.Url()).rc, CURLE_OK);
}

}  // namespace
}  // namespace tx::test
