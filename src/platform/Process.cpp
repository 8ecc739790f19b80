#include "platform/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/Environment.h"
#include "platform/Errors.h"

extern char** environ;

namespace fs = std::filesystem;

namespace tx {
namespace {

bool IsExecutableFile(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

uint32_t DecodeStatus(int status) {
  if (WIFEXITED(status)) return uint32_t(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return SignalExitBase + uint32_t(WTERMSIG(status));
  return SignalExitBase;
}

// What the child reports through the pipe when it cannot run the program.
struct ChildFailure {
  int Stage;  // 1: working folder, 2: redirection, 3: exec
  int Errno;
};

uint32_t StartFailureCode(const ChildFailure& f) {
  if (f.Stage == 1) return err::DirectoryInvalid;
  if (f.Stage == 3 && f.Errno == ENOEXEC) return err::BadExeFormat;
  return ErrorFromErrno(f.Errno);
}

int OpenOutput(const fs::path& p) {
  return ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

void ReapInBackground(int pid) {
  std::thread([pid] {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

fs::path FindProgramOnPath(std::string_view name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) {
    fs::path p(name);
    return IsExecutableFile(p) ? p : fs::path();
  }
  std::string path = GetEnvironmentVariable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
  size_t start = 0;
  for (;;) {
    size_t end = path.find(':', start);
    std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    fs::path candidate = (dir.empty() ? fs::path(".") : fs::path(dir)) / std::string(name);
    if (IsExecutableFile(candidate)) return candidate;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

fs::path GetOwnExecutablePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : p;
}

CProcess::~CProcess() { Detach(); }

CProcess::CProcess(CProcess&& o) noexcept : pid_(o.pid_), finished_(o.finished_), exitCode_(o.exitCode_) {
  o.pid_ = -1;
}

CProcess& CProcess::operator=(CProcess&& o) noexcept {
  if (this != &o) {
    Detach();
    pid_ = o.pid_;
    finished_ = o.finished_;
    exitCode_ = o.exitCode_;
    o.pid_ = -1;
  }
  return *this;
}

void CProcess::Detach() {
  if (pid_ > 0 && !finished_) ReapInBackground(pid_);
  pid_ = -1;
  finished_ = false;
  exitCode_ = 0;
}

WaitResult CProcess::Wait(int timeoutMs) {
  if (pid_ <= 0) return {};
  if (finished_) return {true, exitCode_};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int delayMs = 1;
  for (;;) {
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, timeoutMs < 0 ? 0 : WNOHANG);
    if (r == pid_) {
      finished_ = true;
      exitCode_ = DecodeStatus(status);
      return {true, exitCode_};
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      // Reaped elsewhere: the program has ended, its code is unknown.
      finished_ = true;
      exitCode_ = SignalExitBase;
      return {true, exitCode_};
    }
    auto now = std::chrono::steady_clock::now();
    if (timeoutMs == 0 || now >= deadline) return {};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    std::this_thread::sleep_for(std::min(std::chrono::milliseconds(delayMs), left));
    delayMs = std::min(delayMs * 2, 20);
  }
}

bool CProcess::Terminate(bool force) {
  if (pid_ <= 0 || finished_) return false;
  return ::kill(pid_, force ? SIGKILL : SIGTERM) == 0;
}

uint32_t StartProcess(const std::vector<std::string>& argv, const ProcessOptions& options, CProcess& process) {
  process.Detach();
  if (argv.empty() || argv[0].empty()) return err::InvalidParameter;

  fs::path program = FindProgramOnPath(argv[0]);
  if (program.empty()) {
    if (argv[0].find('/') == std::string::npos) return err::FileNotFound;
    struct stat st {};
    if (::stat(argv[0].c_str(), &st) != 0) return ErrorFromErrno(errno);
    return err::AccessDenied;  // a folder or a file without execute permission
  }
  if (!options.WorkDir.empty()) {
    std::error_code ec;
    if (!fs::is_directory(options.WorkDir, ec)) return err::DirectoryInvalid;
  }

  // Everything the child needs is prepared here: after fork only async-signal-safe calls.
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; e && *e; ++e) {
    std::string_view entry(*e);
    bool replaced = false;
    for (const auto& [k, v] : options.ExtraEnvironment)
      replaced = replaced || (entry.size() > k.size() && entry.substr(0, k.size()) == k && entry[k.size()] == '=');
    if (!replaced) envStore.emplace_back(entry);
  }
  for (const auto& [k, v] : options.ExtraEnvironment) envStore.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (std::string& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  const std::string programText = program.string();
  const std::string workDir = options.WorkDir.string();

  int inFd = -1, outFd = -1, errFd = -1;
  auto closeAll = [&] {
    for (int fd : {inFd, outFd, errFd})
      if (fd >= 0) ::close(fd);
  };
  if (options.NullStdIn && (inFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) < 0) {
    uint32_t code = ErrorFromErrno(errno);
    closeAll();
    return code;
  }
  if (!options.StdOutFile.empty() && (outFd = OpenOutput(options.StdOutFile)) < 0) {
    uint32_t code = ErrorFromErrno(errno);
    closeAll();
    return code;
  }
  const bool errToOut = !options.StdErrFile.empty() && options.StdErrFile == options.StdOutFile;
  if (!options.StdErrFile.empty() && !errToOut && (errFd = OpenOutput(options.StdErrFile)) < 0) {
    uint32_t code = ErrorFromErrno(errno);
    closeAll();
    return code;
  }

  int pipeFd[2];
  if (::pipe2(pipeFd, O_CLOEXEC) != 0) {
    uint32_t code = ErrorFromErrno(errno);
    closeAll();
    return code;
  }

  pid_t pid = ::fork();
  if (pid < 0) {
    uint32_t code = ErrorFromErrno(errno);
    ::close(pipeFd[0]);
    ::close(pipeFd[1]);
    closeAll();
    return code;
  }
  if (pid == 0) {
    auto fail = [&](int stage) {
      ChildFailure f{stage, errno};
      ssize_t ignored = ::write(pipeFd[1], &f, sizeof f);
      (void)ignored;
      ::_exit(127);
    };
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) fail(1);
    // dup2 onto itself would keep close-on-exec, so that case clears the flag instead.
    auto moveTo = [&](int fd, int target) {
      if (fd < 0) return;
      if (fd == target ? ::fcntl(fd, F_SETFD, 0) < 0 : ::dup2(fd, target) < 0) fail(2);
    };
    moveTo(inFd, 0);
    moveTo(outFd, 1);
    moveTo(errFd, 2);
    if (errToOut && outFd >= 0 && ::dup2(1, 2) < 0) fail(2);
    ::execve(programText.c_str(), args.data(), envp.data());
    fail(3);
  }

  ::close(pipeFd[1]);
  closeAll();
  ChildFailure f{};
  ssize_t n;
  do n = ::read(pipeFd[0], &f, sizeof f);
  while (n < 0 && errno == EINTR);
  ::close(pipeFd[0]);
  if (n == ssize_t(sizeof f)) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return StartFailureCode(f);
  }
  process.pid_ = pid;
  process.finished_ = false;
  process.exitCode_ = 0;
  return 0;
}

uint32_t StartProcess(const std::vector<std::string>& argv, const fs::path& workDir, CProcess& process) {
  ProcessOptions options;
  options.WorkDir = workDir;
  return StartProcess(argv, options, process);
}

uint32_t StartCommandLine(std::string_view commandLine, const ProcessOptions& options, CProcess& process) {
  std::vector<std::string> argv = SplitWindowsCommandLine(commandLine);
  if (argv.empty()) return err::InvalidParameter;
  return StartProcess(argv, options, process);
}

}  // namespace tx
