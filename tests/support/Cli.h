#pragma once
// Runs the terminal front end as a user would, for end-to-end tests: the built tabulonix-cli
// with the test process's environment (so a TestEnv's folders apply), the built converter,
// standard input from a string, and standard output and error captured in files.
//
//   tx::test::TestEnv env;
//   tx::test::CliResult r = tx::test::RunCli({"--setup", setup, "post"});
//   EXPECT_EQ(r.Status, 0) << r.Err;
#include <sys/types.h>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tx::test {

struct CliResult {
  int Status = -1;   // exit status; 128 + signal number when killed by a signal
  std::string Out;   // standard output
  std::string Err;   // standard error
  bool TimedOut = false;
};

struct CliOptions {
  std::string Stdin;                     // bytes fed to standard input (then end of input)
  std::filesystem::path WorkDir;         // current folder; empty: the test's own
  std::chrono::milliseconds Timeout{60000};
  std::vector<std::pair<std::string, std::string>> Env;  // extra environment, on top of ours
};

std::filesystem::path CliPath();
std::filesystem::path DealwrightPath();

// A running tabulonix-cli (for tests that signal it); killed when the object goes.
class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& args, const CliOptions& options = {});
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;
  pid_t Pid() const { return pid_; }
  void Signal(int sig) const;
  // What it wrote to standard error so far.
  std::string ErrSoFar() const;
  // Waits for the end (killing it at the time-out) and collects the output.
  CliResult Wait();

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  std::chrono::milliseconds timeout_;
  bool waited_ = false;
  CliResult result_;
};

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options = {});

}  // namespace tx::test
