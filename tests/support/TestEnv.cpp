#include "TestEnv.h"

#include <gtest/gtest.h>

#include "platform/Environment.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"

namespace fs = std::filesystem;

namespace tx::test {

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), old_(GetEnvironmentVariable(name_)) {
  if (value)
    SetEnvironmentVariable(name_, *value);
  else
    UnsetEnvironmentVariable(name_);
}

ScopedEnv::~ScopedEnv() {
  if (old_)
    SetEnvironmentVariable(name_, *old_);
  else
    UnsetEnvironmentVariable(name_);
}

TempDir::TempDir(const std::string& prefix) {
  fs::path base = GetTempFolder();
  uint32_t code = CreateUniqueDirectory(base, prefix, path_);
  if (code) {
    ADD_FAILURE() << "cannot create a temporary folder in " << base << ": error " << code;
    path_ = base / (prefix + "unusable");
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

fs::path TempDir::Sub(const std::string& name) const {
  fs::path p = path_ / name;
  std::error_code ec;
  fs::create_directories(p, ec);
  return p;
}

TestEnv::TestEnv()
    : tmp_("tx-env-"),
      home_("HOME", (tmp_.Path() / "home").string()),
      dataHome_("XDG_DATA_HOME", (tmp_.Path() / "home" / ".local" / "share").string()),
      configHome_("XDG_CONFIG_HOME", (tmp_.Path() / "home" / ".config").string()),
      common_("TABULONIX_COMMON_DATA", (tmp_.Path() / "common").string()),
      tmpdir_("TMPDIR", tmp_.Sub("tmp").string()),
      Profile(CProfile::DefaultPath()),
      Log(GetCommonProgramFolder(true), &Profile),
      Status(&Sink),
      Svc{Log, Status, Ui, Profile} {
  tmp_.Sub("home");
  ConnectLastStatus(Log, Status);
}

TestEnv::~TestEnv() = default;

fs::path TestEnv::WriteFile(const std::string& relative, const std::string& bytes) const {
  fs::path p = Root() / relative;
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  uint32_t code = WriteFileAtomically(p, bytes);
  if (code) ADD_FAILURE() << "cannot write " << p << ": error " << code;
  return p;
}

std::string TestEnv::ReadFile(const fs::path& path) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  return bytes;
}

std::string TestEnv::LogText() const { return ReadFile(Log.GetPath()); }

std::vector<std::string> TestEnv::LogLines() const {
  std::vector<std::string> lines;
  const std::string text = LogText();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(StripDate(line));
    pos = end + 1;
  }
  return lines;
}

std::string TestEnv::StripDate(const std::string& line) {
  // "[%c]" of the "C" locale: "[Www Mmm dd hh:mm:ss yyyy]", 26 characters.
  if (line.size() >= 26 && line[0] == '[' && line[25] == ']' && line[4] == ' ' && line[8] == ' ' &&
      line[14] == ':' && line[17] == ':')
    return line.substr(26);
  return line;
}

}  // namespace tx::test
