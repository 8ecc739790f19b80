#pragma once
// Starting other programs without a shell. A command line written for Windows is split into
// arguments by the Windows quoting rules and the program is executed directly, so no text of
// it is ever interpreted by /bin/sh.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tx {

// Splits a command line as the Microsoft C runtime does for argv (and CommandLineToArgvW for
// the first argument): blanks (space, tab) separate arguments; text inside double quotes keeps
// its blanks; 2n backslashes before a quote give n backslashes and the quote toggles quoting;
// 2n+1 give n backslashes and a literal quote; backslashes not before a quote are literal;
// "" inside a quoted part gives one literal quote. The first argument (the program) ends at
// the first blank outside quotes and takes backslashes literally.
std::vector<std::string> SplitWindowsCommandLine(std::string_view commandLine);

// Quotes one argument so that SplitWindowsCommandLine gives it back unchanged.
std::string QuoteWindowsArgument(std::string_view argument);

// The full path of a program found in the folders of PATH (an executable regular file), or an
// empty path. A name with a '/' is returned as it is when it names an executable file.
std::filesystem::path FindProgramOnPath(std::string_view name);

// The running program's own executable file (empty when the system cannot tell).
std::filesystem::path GetOwnExecutablePath();

// Exit code reported for a program ended by a signal: SignalExitBase + signal number, which no
// normal exit (0..255) can give.
inline constexpr uint32_t SignalExitBase = 0x80000000u;

struct ProcessOptions {
  std::filesystem::path WorkDir;       // empty: the caller's current folder
  std::filesystem::path StdOutFile;    // empty: inherited; otherwise created or truncated
  std::filesystem::path StdErrFile;    // empty: inherited; same file as StdOutFile is allowed
  bool NullStdIn = true;               // stdin from /dev/null
  std::vector<std::pair<std::string, std::string>> ExtraEnvironment;  // added or replaced
};

struct WaitResult {
  bool Finished = false;
  uint32_t ExitCode = 0;  // valid when Finished
};

// A started program. Destroying the object leaves the program running (it is reaped in the
// background when it ends); only Terminate stops it.
class CProcess {
 public:
  CProcess() = default;
  ~CProcess();
  CProcess(const CProcess&) = delete;
  CProcess& operator=(const CProcess&) = delete;
  CProcess(CProcess&& other) noexcept;
  CProcess& operator=(CProcess&& other) noexcept;

  bool IsStarted() const { return pid_ > 0; }
  int Pid() const { return pid_; }

  // timeoutMs: 0 looks without waiting, a negative value waits until the program ends.
  WaitResult Wait(int timeoutMs);
  // Sends SIGTERM (or SIGKILL with force) to the program, if it still runs.
  bool Terminate(bool force = false);
  // Forgets the program without waiting; it keeps running and is reaped in the background.
  void Detach();

 private:
  friend uint32_t StartProcess(const std::vector<std::string>&, const ProcessOptions&, CProcess&);
  int pid_ = -1;
  bool finished_ = false;
  uint32_t exitCode_ = 0;
};

// Starts argv[0] (looked up on PATH when it has no '/') with the arguments argv[1..].
// Returns 0, or the error code of the failure (2 program not found, 5 access denied,
// 193 not an executable, 267 bad working folder, ...), reported before this returns.
uint32_t StartProcess(const std::vector<std::string>& argv, const ProcessOptions& options,
                      CProcess& process);
uint32_t StartProcess(const std::vector<std::string>& argv, const std::filesystem::path& workDir,
                      CProcess& process);
// Splits a Windows-style command line and starts it; an empty command line gives 87.
uint32_t StartCommandLine(std::string_view commandLine, const ProcessOptions& options,
                          CProcess& process);

}  // namespace tx
