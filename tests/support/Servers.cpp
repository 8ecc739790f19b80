#include "Servers.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char** environ;

namespace tx::test {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kReadyTimeout = 10s;
constexpr auto kStopGrace = 3s;

fs::path ScriptDir() { return fs::path(TX_SOURCE_DIR) / "tests" / "servers"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Written beside the target and renamed over it, so the server never reads half a file.
void WriteFileAtomic(const fs::path& path, const std::string& content) {
  fs::path tmp = path;
  tmp += ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) throw std::runtime_error("cannot write " + tmp.string());
  }
  fs::rename(tmp, path);
}

std::string Json(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + Json(items[i]);
  return out + "]";
}

fs::path RootOrDefault(const fs::path& root, const ServerDir& dir) {
  fs::path path = root.empty() ? dir.Path() / "root" : root;
  fs::create_directories(path);
  return fs::absolute(path);
}

const char* TlsArg(Tls tls) {
  switch (tls) {
    case Tls::TrustedCa: return "ca";
    case Tls::SelfSigned: return "self-signed";
    case Tls::None: break;
  }
  return "none";
}

bool Exited(pid_t pid) {
  siginfo_t info{};
  // WNOWAIT leaves the zombie, which keeps the process group id from being reused.
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

}  // namespace

// ---- ServerDir

ServerDir::ServerDir(const std::string& prefix) {
  std::string templ = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!mkdtemp(templ.data())) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp " + templ);
  }
  path_ = templ;
}

ServerDir::~ServerDir() {
  if (std::getenv("TX_KEEP_SERVER_DIRS")) {
    std::cerr << "server folder kept: " << path_ << "\n";
    return;
  }
  std::error_code ec;
  fs::remove_all(path_, ec);
}

// ---- ServerProcess

void ServerProcess::Start(const std::string& script, const std::vector<std::string>& args,
                          const fs::path& workDir) {
  errFile_ = workDir / (script + ".err");
  std::vector<std::string> argv = {kPython, "-B", (ScriptDir() / script).string(),
                                   "--work", workDir.string(),
                                   "--parent-pid", std::to_string(getpid())};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, errFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                   0644);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                      POSIX_SPAWN_SETSIGDEF);
  auto started = std::chrono::steady_clock::now();
  pid_t pid = -1;
  int rc = posix_spawn(&pid, kPython, &actions, &attr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  close(fds[1]);
  if (rc != 0) {
    close(fds[0]);
    throw std::system_error(rc, std::generic_category(), std::string("cannot start ") + kPython);
  }
  pid_ = pid;

  std::string out;
  auto deadline = started + kReadyTimeout;
  bool ready = false;
  while (!ready) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left <= 0ms) break;
    pollfd p{fds[0], POLLIN, 0};
    int n = poll(&p, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    char buf[512];
    ssize_t got = read(fds[0], buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the script ended before it was ready
    out.append(buf, static_cast<size_t>(got));
    size_t pos = out.find("READY ");
    ready = pos != std::string::npos && out.find('\n', pos) != std::string::npos;
  }
  close(fds[0]);
  if (!ready) {
    Stop();
    throw std::runtime_error(script + " did not get ready within " +
                             std::to_string(kReadyTimeout.count()) + " s: " + out +
                             ReadFile(errFile_));
  }
  startup_ = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  std::istringstream line(out.substr(out.find("READY ") + 6));
  for (std::string field; line >> field;) {
    auto eq = field.find('=');
    if (eq != std::string::npos) ready_.emplace_back(field.substr(0, eq), field.substr(eq + 1));
  }
}

ServerProcess::~ServerProcess() { Stop(); }

void ServerProcess::Stop() {
  if (pid_ <= 0) return;
  // The script first, so it can take down what it started; then whatever is left in its group.
  kill(pid_, SIGTERM);
  auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  while (!Exited(pid_) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  kill(-pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

bool ServerProcess::Running() { return pid_ > 0 && !Exited(pid_); }

std::string ServerProcess::Ready(const std::string& key) const {
  for (const auto& [k, v] : ready_) {
    if (k == key) return v;
  }
  return {};
}

void ServerProcess::Signal(int sig) const {
  if (pid_ > 0) kill(pid_, sig);
}

std::string ServerProcess::ErrorOutput() const { return ReadFile(errFile_); }

// ---- FtpServer

namespace {

void WriteFtpControl(const fs::path& workDir, const FtpFaults& faults) {
  std::string json = "{\"refuse\": " + JsonList(faults.refuse) +
                     ", \"drop_stor_after\": " + std::to_string(faults.dropStorAfter) +
                     ", \"delay_ms\": " + std::to_string(faults.delayMs) + "}\n";
  WriteFileAtomic(workDir / "control.json", json);
}

}  // namespace

FtpServer::FtpServer(Options options) : dir_("tx-ftpd-"), root_(RootOrDefault(options.root, dir_)) {
  WriteFtpControl(dir_.Path(), options.faults);
  std::vector<std::string> args = {"--root", root_.string(), "--user", options.user,
                                   "--password", options.password,
                                   "--max-seconds", std::to_string(options.maxSeconds)};
  if (options.anonymous) args.push_back("--anonymous");
  if (options.anonymousWrite) args.push_back("--anonymous-write");
  process_.Start("ftpd.py", args, dir_.Path());
  port_ = std::stoi(process_.Ready("port"));
}

std::string FtpServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string FtpServer::Url(std::string_view path) const {
  return "ftp://" + HostPort() + std::string(path);
}

std::vector<std::string> FtpServer::CommandLog() const {
  return ReadLines(dir_.Path() / "commands.log");
}

std::vector<std::string> FtpServer::Commands() const {
  std::vector<std::string> out;
  for (auto& line : CommandLog()) {
    if (line != "CONNECT" && line != "DISCONNECT") out.push_back(line);
  }
  return out;
}

int FtpServer::Connections() const {
  int n = 0;
  for (auto& line : CommandLog()) n += line == "CONNECT";
  return n;
}

bool FtpServer::WaitIdle(std::chrono::milliseconds timeout) const {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int open = 0;
    for (auto& line : CommandLog()) open += line == "CONNECT" ? 1 : line == "DISCONNECT" ? -1 : 0;
    if (open <= 0) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
}

void FtpServer::ClearLog() {
  // The server appends, so truncating under it is safe.
  fs::resize_file(dir_.Path() / "commands.log", 0);
}

void FtpServer::SetFaults(const FtpFaults& faults) { WriteFtpControl(dir_.Path(), faults); }

// ---- VsftpdServer

std::string VsftpdServer::Unavailable() {
  if (geteuid() != 0) return "vsftpd tests need root (vsftpd chroots into the served folder)";
  if (access("/usr/sbin/vsftpd", X_OK) != 0) return "vsftpd is not installed";
  return {};
}

VsftpdServer::VsftpdServer(Options options)
    : dir_("tx-vsftpd-"), root_(RootOrDefault(options.root, dir_)), uploadDir_(options.uploadDir) {
  if (auto why = Unavailable(); !why.empty()) throw std::runtime_error(why);
  std::vector<std::string> args = {"--root", root_.string(), "--upload-dir", options.uploadDir,
                                   "--password", options.password, "--tls", TlsArg(options.tls),
                                   "--max-seconds", std::to_string(options.maxSeconds)};
  if (options.requireTls) args.push_back("--require-tls");
  process_.Start("vsftpd.py", args, dir_.Path());
  port_ = std::stoi(process_.Ready("port"));
}

std::string VsftpdServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string VsftpdServer::Url(std::string_view path) const {
  return "ftp://" + HostPort() + std::string(path);
}

fs::path VsftpdServer::CaFile() const { return dir_.Path() / "certs" / "ca.pem"; }

fs::path VsftpdServer::CertFile() const { return dir_.Path() / "certs" / "server.pem"; }

std::string VsftpdServer::Fingerprint() const {
  std::string text = ReadFile(dir_.Path() / "certs" / "server.sha256");
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void VsftpdServer::RenewCertificate() {
  process_.Signal(SIGHUP);
  ++generation_;
  auto deadline = std::chrono::steady_clock::now() + kReadyTimeout;
  while (std::chrono::steady_clock::now() < deadline) {
    std::string text = ReadFile(dir_.Path() / "generation");
    if (!text.empty() && std::stoi(text) >= generation_) return;
    if (!process_.Running()) break;
    std::this_thread::sleep_for(10ms);
  }
  throw std::runtime_error("vsftpd did not restart with a new certificate: " +
                           process_.ErrorOutput());
}

void VsftpdServer::AllowWrites() const {
  // Same account as vsftpd.py picks for anonymous sessions; the root itself stays root's.
  const passwd* account = getpwnam("ftp");
  if (!account) account = getpwnam("nobody");
  if (!account) throw std::runtime_error("no 'ftp' or 'nobody' user");
  for (const auto& entry : fs::recursive_directory_iterator(root_)) {
    if (lchown(entry.path().c_str(), account->pw_uid, account->pw_gid) != 0) {
      throw std::system_error(errno, std::generic_category(), "chown " + entry.path().string());
    }
  }
}

std::vector<std::string> VsftpdServer::CommandLog() const {
  // Lines look like: DATE [pid N] [user] FTP command: Client "127.0.0.1", "CWD pub"
  std::vector<std::string> out;
  const std::string command = "FTP command: Client \"";
  for (auto& line : ReadLines(dir_.Path() / "vsftpd.log")) {
    if (line.find("] CONNECT: Client ") != std::string::npos) {
      out.push_back("CONNECT");
      continue;
    }
    auto at = line.find(command);
    if (at == std::string::npos) continue;
    auto open = line.find("\", \"", at + command.size());
    if (open == std::string::npos || line.back() != '"') continue;
    std::string text = line.substr(open + 4, line.size() - open - 5);
    out.push_back(text == "PASS <password>" ? "PASS ****" : text);
  }
  return out;
}

std::string VsftpdServer::RawLog() const { return ReadFile(dir_.Path() / "vsftpd.log"); }

// ---- HttpServer

std::optional<std::string> FormPost::Header(std::string_view name) const {
  auto lower = [](std::string_view s) {
    std::string r(s);
    for (auto& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
  };
  for (const auto& [k, v] : headers) {
    if (lower(k) == lower(name)) return v;
  }
  return std::nullopt;
}

HttpServer::HttpServer(Options options)
    : dir_("tx-httpd-"), root_(RootOrDefault(options.root, dir_)), options_(std::move(options)) {
  WriteControl();
  process_.Start("httpd.py",
                 {"--root", root_.string(), "--tls", TlsArg(options_.tls), "--max-seconds",
                  std::to_string(options_.maxSeconds)},
                 dir_.Path());
  port_ = std::stoi(process_.Ready("port"));
}

std::string HttpServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

std::string HttpServer::Url(std::string_view path) const {
  return (options_.tls == Tls::None ? "http://" : "https://") + HostPort() + std::string(path);
}

fs::path HttpServer::CaFile() const { return dir_.Path() / "certs" / "ca.pem"; }

void HttpServer::SetReply(int status, std::string body, HeaderList headers) {
  SetReply(HttpReply{status, std::move(body), std::move(headers), {}});
}

void HttpServer::SetReply(HttpReply reply) {
  uploadReply_ = std::move(reply);
  WriteControl();
}

void HttpServer::SetPathReply(const std::string& path, HttpReply reply) {
  for (auto& [p, r] : pathReplies_) {
    if (p == path) {
      r = std::move(reply);
      WriteControl();
      return;
    }
  }
  pathReplies_.emplace_back(path, std::move(reply));
  WriteControl();
}

void HttpServer::SetBodyEnd(BodyEnd end) {
  options_.bodyEnd = end;
  WriteControl();
}

void HttpServer::SetSlow(int bytes, int intervalMs) {
  options_.slowBytes = bytes;
  options_.slowIntervalMs = intervalMs;
  WriteControl();
}

void HttpServer::SetDelay(int ms) {
  options_.delayMs = ms;
  WriteControl();
}

void HttpServer::SetExpect100(Expect100 mode) {
  options_.expect100 = mode;
  WriteControl();
}

void HttpServer::WriteControl() {
  // Bodies go to files of their own: they are bytes, not JSON text.
  auto reply = [this](const HttpReply& r) {
    fs::path body = dir_.Path() / ("reply-" + std::to_string(++replyFiles_) + ".bin");
    WriteFileAtomic(body, r.body);
    std::string json = "{\"status\": " + std::to_string(r.status) + ", \"body_file\": " +
                       Json(body.string()) + ", \"headers\": [";
    for (size_t i = 0; i < r.headers.size(); ++i) {
      json += (i ? ", [" : "[") + Json(r.headers[i].first) + ", " + Json(r.headers[i].second) + "]";
    }
    json += "]";
    if (!r.reason.empty()) json += ", \"reason\": " + Json(r.reason);
    return json + "}";
  };
  const char* end = options_.bodyEnd == BodyEnd::Chunked ? "chunked"
                    : options_.bodyEnd == BodyEnd::Close ? "close"
                                                         : "length";
  const char* expect = options_.expect100 == Expect100::Ignore   ? "ignore"
                       : options_.expect100 == Expect100::Reject ? "reject"
                                                                 : "answer";
  std::string json = "{\"body_end\": " + Json(end) + ", \"expect_100\": " + Json(expect) +
                     ", \"slow_bytes\": " + std::to_string(options_.slowBytes) +
                     ", \"slow_interval_ms\": " + std::to_string(options_.slowIntervalMs) +
                     ", \"delay_ms\": " + std::to_string(options_.delayMs);
  if (uploadReply_) json += ", \"upload_reply\": " + reply(*uploadReply_);
  json += ", \"paths\": {";
  for (size_t i = 0; i < pathReplies_.size(); ++i) {
    json += (i ? ", " : "") + Json(pathReplies_[i].first) + ": " + reply(pathReplies_[i].second);
  }
  WriteFileAtomic(dir_.Path() / "control.json", json + "}}\n");
}

std::vector<FormPost> HttpServer::FormPosts() const {
  std::vector<FormPost> posts;
  for (int n = 1;; ++n) {
    char stem[16];
    std::snprintf(stem, sizeof stem, "%04d", n);
    fs::path head = dir_.Path() / "posts" / (std::string(stem) + ".head");
    if (!fs::exists(head)) break;
    FormPost post;
    auto lines = ReadLines(head);
    if (!lines.empty()) {
      std::istringstream request(lines[0]);
      request >> post.method >> post.target >> post.version;
    }
    for (size_t i = 1; i < lines.size(); ++i) {
      auto colon = lines[i].find(':');
      if (colon == std::string::npos) continue;
      auto value = lines[i].substr(colon + 1);
      value.erase(0, value.find_first_not_of(' '));
      post.headers.emplace_back(lines[i].substr(0, colon), value);
    }
    post.body = ReadFile(dir_.Path() / "posts" / (std::string(stem) + ".body"));
    posts.push_back(std::move(post));
  }
  return posts;
}

std::vector<std::string> HttpServer::RequestLog() const {
  return ReadLines(dir_.Path() / "requests.log");
}

}  // namespace tx::test
