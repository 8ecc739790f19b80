#pragma once
// Test fixture shared by every module's tests: a private temporary folder with HOME, the XDG
// folders, TABULONIX_COMMON_DATA and TMPDIR pointed into it (restored afterwards), and a full
// set of services: profile, logfile, status channel with a recording sink, recording ui.
//
//   tx::test::TestEnv env;
//   PostSomething(env.Svc);
//   EXPECT_THAT(env.LogEntries(), Contains("Operation=[CThing::Do: Call]"));
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "log/Logfile.h"
#include "platform/Profile.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/StatusSink.h"
#include "status/Ui.h"

namespace tx::test {

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A new empty folder below the system's temporary folder, removed with its content at the end.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "tx-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // A subfolder, made when missing.
  std::filesystem::path Sub(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

class TestEnv {
 public:
  TestEnv();
  ~TestEnv();
  TestEnv(const TestEnv&) = delete;
  TestEnv& operator=(const TestEnv&) = delete;

  // The private root folder; Home() = Root()/"home".
  const std::filesystem::path& Root() const { return tmp_.Path(); }
  std::filesystem::path Home() const { return Root() / "home"; }
  // A subfolder of Root(), made when missing.
  std::filesystem::path Dir(const std::string& name) const { return tmp_.Sub(name); }
  // Writes a file below Root() (folders made as needed) and returns its path.
  std::filesystem::path WriteFile(const std::string& relative, const std::string& bytes) const;
  static std::string ReadFile(const std::filesystem::path& path);

  // The logfile's bytes as stored (CR LF line ends); empty when not written.
  std::string LogText() const;
  // The logfile's lines without line ends; the "[date]" of the first line of each entry is
  // removed, so continuation lines and first lines compare alike.
  std::vector<std::string> LogLines() const;
  // Removes a leading "[%c]" date from a line.
  static std::string StripDate(const std::string& line);

 private:
  TempDir tmp_;
  ScopedEnv home_, dataHome_, configHome_, common_, tmpdir_;

 public:
  CProfile Profile;
  CLogfile Log;
  CRecordingSink Sink;
  CRecordingUi Ui;
  CStatusChannel Status;
  Services Svc;
};

}  // namespace tx::test
