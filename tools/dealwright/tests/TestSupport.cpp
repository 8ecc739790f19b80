#include "TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "HandPdf.h"
#include "Run.h"
#include "Text.h"

extern char** environ;

namespace dwtest {
namespace {

// Leak checkers would otherwise report the drawing library's font caches.
class ReleaseAtExit : public ::testing::Environment {
 public:
  void TearDown() override { dw::ReleaseDrawingLibraries(); }
};
const auto* const kRelease = ::testing::AddGlobalTestEnvironment(new ReleaseAtExit);

}  // namespace

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    path_ = fs::temp_directory_path() / ("dwtest-" + std::to_string(rd()));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path Fixture(const std::string& name) { return fs::path(DW_FIXTURES) / name; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

RunResult RunInProcess(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  RunResult r;
  r.Code = dw::Run(args, out, err);
  r.Out = out.str();
  r.Err = err.str();
  return r;
}

RunResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env, int timeoutSeconds) {
  TempDir dir;
  const std::string outPath = (dir / "out").string(), errPath = (dir / "err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) envStrings.emplace_back(*e);
  envStrings.insert(envStrings.end(), env.begin(), env.end());
  std::vector<char*> envp;
  for (std::string& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  RunResult r;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    r.Err = "cannot start " + program;
    return r;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      r.Err = "timed out";
      return r;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.Out = ReadFile(outPath);
  r.Err = ReadFile(errPath);
  return r;
}

std::vector<std::string> Lines(const std::string& text) { return dw::SplitLines(text); }

std::vector<std::string> BodyLines(const std::string& html) {
  std::vector<std::string> body;
  bool inside = false;
  for (const std::string& line : Lines(html)) {
    const std::string low = dw::Lower(line.substr(0, 6));
    if (!inside) {
      inside = low.rfind("<body", 0) == 0;
      continue;
    }
    if (low.rfind("</body", 0) == 0) break;
    body.push_back(line);
  }
  return body;
}

bool Contains(const std::string& haystack, const std::string& needle) { return haystack.find(needle) != std::string::npos; }

}  // namespace dwtest
