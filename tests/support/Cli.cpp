#include "Cli.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace tx::test {

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

fs::path CliPath() { return fs::path(TX_BINARY_DIR) / "src" / "ui" / "term" / "tabulonix-cli"; }
fs::path DealwrightPath() { return fs::path(TX_BINARY_DIR) / "tools" / "dealwright" / "dealwright"; }

CliProcess::CliProcess(const std::vector<std::string>& args, const CliOptions& options) : timeout_(options.Timeout) {
  char pattern[] = "/tmp/tx-cli-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  dir_ = pattern;
  {
    std::ofstream in(dir_ / "stdin", std::ios::binary);
    in << options.Stdin;
  }
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  auto setEnv = [&env](const std::string& name, const std::string& value) {
    for (std::string& e : env)
      if (e.rfind(name + "=", 0) == 0) {
        e = name + "=" + value;
        return;
      }
    env.push_back(name + "=" + value);
  };
  if (!std::getenv("TABULONIX_DEALWRIGHT")) setEnv("TABULONIX_DEALWRIGHT", DealwrightPath().string());
  for (const auto& [name, value] : options.Env) setEnv(name, value);

  std::vector<std::string> argv{CliPath().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv, cenv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  for (std::string& e : env) cenv.push_back(e.data());
  cenv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (dir_ / "stdin").c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::string cwd = options.WorkDir.string();
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  int rc = posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), cenv.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
}

CliProcess::~CliProcess() {
  if (!waited_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  std::error_code ec;
  if (!std::getenv("TX_KEEP_SERVER_DIRS")) fs::remove_all(dir_, ec);
}

void CliProcess::Signal(int sig) const {
  if (pid_ > 0 && !waited_) kill(pid_, sig);
}

std::string CliProcess::ErrSoFar() const { return ReadAll(dir_ / "stderr"); }

CliResult CliProcess::Wait() {
  if (waited_) return result_;
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (std::chrono::steady_clock::now() > deadline) {
      result_.TimedOut = true;
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  waited_ = true;
  result_.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result_.Out = ReadAll(dir_ / "stdout");
  result_.Err = ReadAll(dir_ / "stderr");
  return result_;
}

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options) {
  CliProcess process(args, options);
  return process.Wait();
}

}  // namespace tx::test
