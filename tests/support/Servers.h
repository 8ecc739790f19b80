#pragma once
// Real servers on 127.0.0.1 for integration tests: an FTP server with fault switches, a private
// vsftpd (plain or explicit TLS) and an HTTP server that also stands in for the results
// service's upload script. Each one runs a script of tests/servers under /usr/bin/python3 in
// its own process group, gets a free port, and is killed when the object goes (or when the
// test process dies, or after its time limit), so no server outlives a test.
//
//   tx::test::FtpServer ftp({.user = "club", .password = "pw"});
//   ... connect to ftp.Url() ...
//   EXPECT_THAT(ftp.CommandLog(), Contains("STOR page.htm"));
//
// Constructors throw std::runtime_error, with the script's error output, when a server does
// not get ready within 10 s.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tx::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// A private folder for one server's logs and settings; removed at the end unless the
// environment variable TX_KEEP_SERVER_DIRS is set.
class ServerDir {
 public:
  explicit ServerDir(const std::string& prefix);
  ~ServerDir();
  ServerDir(const ServerDir&) = delete;
  ServerDir& operator=(const ServerDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One server script run in its own process group. The script prints "READY key=value ..."
// when it serves; Stop sends SIGTERM to the script, then SIGKILL to its whole group.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Runs tests/servers/SCRIPT with --work, --parent-pid and ARGS; returns once it is ready.
  void Start(const std::string& script, const std::vector<std::string>& args,
             const std::filesystem::path& workDir);
  void Stop();
  bool Running();
  pid_t Pid() const { return pid_; }
  // A value from the readiness line; empty when absent.
  std::string Ready(const std::string& key) const;
  std::chrono::milliseconds StartupTime() const { return startup_; }
  void Signal(int sig) const;
  // What the script wrote to its standard error so far.
  std::string ErrorOutput() const;

 private:
  std::filesystem::path errFile_;
  pid_t pid_ = -1;
  std::vector<std::pair<std::string, std::string>> ready_;
  std::chrono::milliseconds startup_{0};
};

enum class Tls { None, TrustedCa, SelfSigned };

// ---- FTP server with fault switches (pyftpdlib)

struct FtpFaults {
  std::vector<std::string> refuse{};  // "STOR page.htm", "MKD *", "DELE": answered with 550
  long long dropStorAfter = -1;     // after this many bytes of an upload both connections close
  int delayMs = 0;                  // before every reply, the greeting included
};

struct FtpServerOptions {
  std::filesystem::path root{};  // served as "/"; empty: a fresh folder in WorkDir()
  std::string user = "club";
  std::string password = "secret";
  bool anonymous = false;       // also accept anonymous logins (read-only unless below)
  bool anonymousWrite = false;
  FtpFaults faults{};
  int maxSeconds = 120;
};

class FtpServer {
 public:
  using Options = FtpServerOptions;
  explicit FtpServer(Options options = {});

  int Port() const { return port_; }
  pid_t Pid() const { return process_.Pid(); }
  std::string HostPort() const;                        // "127.0.0.1:N"
  std::string Url(std::string_view path = "/") const;  // "ftp://127.0.0.1:N" + path
  const std::filesystem::path& Root() const { return root_; }
  const std::filesystem::path& WorkDir() const { return dir_.Path(); }
  // Every control command in order as received ("PASS ****" masked), with "CONNECT" and
  // "DISCONNECT" for each control connection.
  std::vector<std::string> CommandLog() const;
  // The log without the connection lines.
  std::vector<std::string> Commands() const;
  int Connections() const;
  // Waits until every control connection so far has closed (the server logs a client's
  // QUIT and close a moment after the client has moved on). False on time-out.
  bool WaitIdle(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
  void ClearLog();
  // Takes effect from the next command the server receives.
  void SetFaults(const FtpFaults& faults);
  void Stop() { process_.Stop(); }
  bool Running() { return process_.Running(); }
  std::chrono::milliseconds StartupTime() const { return process_.StartupTime(); }

 private:
  ServerDir dir_;
  std::filesystem::path root_;
  ServerProcess process_;
  int port_ = 0;
};

// ---- vsftpd

// Login is anonymous: user kUser (or "anonymous") with the configured password; any other
// password is refused with 530. The login folder "/" is read-only (vsftpd's rule for an
// anonymous chroot); uploads go to uploadDir and below. Needs root: see Unavailable().
struct VsftpdServerOptions {
  std::filesystem::path root{};        // empty: a fresh folder in WorkDir()
  std::string uploadDir = "pub";     // made when missing; empty for none
  std::string password = "secret";
  Tls tls = Tls::None;               // explicit FTPS (AUTH TLS), optional unless requireTls
  bool requireTls = false;
  int maxSeconds = 120;
};

class VsftpdServer {
 public:
  using Options = VsftpdServerOptions;
  static constexpr const char* kUser = "ftp";
  // Why vsftpd cannot run here (not root, not installed); empty when it can.
  static std::string Unavailable();

  explicit VsftpdServer(Options options = {});

  int Port() const { return port_; }
  pid_t Pid() const { return process_.Pid(); }
  std::string HostPort() const;
  std::string Url(std::string_view path = "/") const;
  const std::filesystem::path& Root() const { return root_; }
  const std::string& UploadDir() const { return uploadDir_; }
  const std::filesystem::path& WorkDir() const { return dir_.Path(); }
  // The authority that signed the certificate (Tls::TrustedCa), for CURLOPT_CAINFO.
  std::filesystem::path CaFile() const;
  std::filesystem::path CertFile() const;
  // SHA-256 of the server certificate, "AB:CD:...".
  std::string Fingerprint() const;
  // A new key and certificate (same kind); vsftpd restarts on the same port, which closes
  // the connections open at that moment.
  void RenewCertificate();
  // Hands files that the test put below Root() after the start to the anonymous user.
  void AllowWrites() const;
  // "CONNECT" per control connection and every command as received ("PASS ****").
  std::vector<std::string> CommandLog() const;
  std::string RawLog() const;
  void Stop() { process_.Stop(); }
  bool Running() { return process_.Running(); }
  std::chrono::milliseconds StartupTime() const { return process_.StartupTime(); }

 private:
  ServerDir dir_;
  std::filesystem::path root_;
  std::string uploadDir_;
  ServerProcess process_;
  int port_ = 0;
  int generation_ = 0;
};

// ---- HTTP server and upload-script stand-in

enum class BodyEnd { Length, Chunked, Close };  // how the end of an answer's body is shown
enum class Expect100 { Answer, Ignore, Reject };

struct HttpReply {
  int status = 200;  // 0: close the connection without any answer
  std::string body{};
  HeaderList headers{};  // Content-Type is text/html unless given
  std::string reason{};  // empty: the standard phrase
};

struct HttpServerOptions {
  std::filesystem::path root{};  // pages served for GET and HEAD; empty: a fresh folder
  BodyEnd bodyEnd = BodyEnd::Length;
  int slowBytes = 0;  // bodies go out in pieces of this size ...
  int slowIntervalMs = 0;  // ... with this pause after each
  int delayMs = 0;         // before every answer
  Expect100 expect100 = Expect100::Answer;
  Tls tls = Tls::None;
  int maxSeconds = 120;
};

// One POST as the server received it.
struct FormPost {
  std::string method;
  std::string target;  // path and query as sent
  std::string version;
  HeaderList headers{};
  std::string body{};  // bytes exactly as received (a chunked body decoded)
  std::optional<std::string> Header(std::string_view name) const;  // any case
};

class HttpServer {
 public:
  using Options = HttpServerOptions;
  static constexpr const char* kUploadPath = "/cgi-bin/upload/exchange.cgi";

  explicit HttpServer(Options options = {});

  int Port() const { return port_; }
  pid_t Pid() const { return process_.Pid(); }
  std::string HostPort() const;
  std::string Url(std::string_view path = "/") const;  // "http(s)://127.0.0.1:N" + path
  const std::filesystem::path& Root() const { return root_; }
  const std::filesystem::path& WorkDir() const { return dir_.Path(); }
  std::filesystem::path CaFile() const;

  // The upload script's answer (any path ending in kUploadPath). Default: 200 and a small page.
  void SetReply(int status, std::string body, HeaderList headers = {});
  void SetReply(HttpReply reply);
  // A fixed answer for one path, any method.
  void SetPathReply(const std::string& path, HttpReply reply);
  void SetBodyEnd(BodyEnd end);
  void SetSlow(int bytes, int intervalMs);
  void SetDelay(int ms);
  void SetExpect100(Expect100 mode);

  // Every POST so far, in order (to any path; others than the upload script get 404).
  std::vector<FormPost> FormPosts() const;
  // "METHOD target" per request.
  std::vector<std::string> RequestLog() const;
  void Stop() { process_.Stop(); }
  bool Running() { return process_.Running(); }
  std::chrono::milliseconds StartupTime() const { return process_.StartupTime(); }

 private:
  void WriteControl();

  ServerDir dir_;
  std::filesystem::path root_;
  Options options_;
  std::optional<HttpReply> uploadReply_;
  std::vector<std::pair<std::string, HttpReply>> pathReplies_;
  int replyFiles_ = 0;
  ServerProcess process_;
  int port_ = 0;
};

}  // namespace tx::test
