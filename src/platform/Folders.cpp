#include "platform/Folders.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/Environment.h"
#include "platform/Errors.h"

namespace fs = std::filesystem;

namespace tx {
namespace {

// An absolute path from the variable, or empty (unset, empty or relative values do not count).
fs::path AbsoluteFromEnv(const char* name) {
  auto v = GetEnvironmentVariable(name);
  if (!v || v->empty() || (*v)[0] != '/') return {};
  return fs::path(*v);
}

fs::path HomeFolder() {
  fs::path home = AbsoluteFromEnv("HOME");
  if (!home.empty()) return home;
  // No HOME: the password database still knows the user's home.
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? size_t(size) : 16384);
  passwd pw{};
  passwd* result = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result &&
      result->pw_dir && result->pw_dir[0] == '/')
    return fs::path(result->pw_dir);
  return {};
}

fs::path Resolve(fs::path folder, bool create, uint32_t* error) {
  uint32_t code = folder.empty() ? err::PathNotFound : 0;
  if (!code && create) code = CreateFolders(folder);
  if (error) *error = code;
  return code ? fs::path() : folder;
}

fs::path DataHome() {
  fs::path p = AbsoluteFromEnv("XDG_DATA_HOME");
  if (!p.empty()) return p;
  fs::path home = HomeFolder();
  return home.empty() ? fs::path() : home / ".local" / "share";
}

}  // namespace

uint32_t CreateFolders(const fs::path& folder) {
  if (folder.empty()) return err::PathNotFound;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (fs::is_directory(folder)) return 0;
  if (ec) return ErrorFromErrno(ec.value());
  return err::PathNotFound;
}

fs::path GetCommonAppDataFolder(bool create, uint32_t* error) {
  fs::path p = AbsoluteFromEnv("TABULONIX_COMMON_DATA");
  if (p.empty()) p = DataHome();
  return Resolve(p, create, error);
}

fs::path GetUserAppDataFolder(bool create, uint32_t* error) { return Resolve(DataHome(), create, error); }

fs::path GetConfigFolder(bool create, uint32_t* error) {
  fs::path p = AbsoluteFromEnv("XDG_CONFIG_HOME");
  if (p.empty()) {
    fs::path home = HomeFolder();
    if (!home.empty()) p = home / ".config";
  }
  return Resolve(p, create, error);
}

fs::path GetTempFolder() {
  fs::path p = AbsoluteFromEnv("TMPDIR");
  return p.empty() ? fs::path("/tmp") : p;
}

fs::path GetProgramSubfolder(const fs::path& base, bool create, uint32_t* error) {
  if (base.empty()) {
    if (error) *error = err::PathNotFound;
    return {};
  }
  return Resolve(base / CompanyFolderName / ProgramFolderName, create, error);
}

fs::path GetCommonProgramFolder(bool create, uint32_t* error) {
  return GetProgramSubfolder(GetCommonAppDataFolder(create, error), create, error);
}

fs::path GetUserProgramFolder(bool create, uint32_t* error) {
  return GetProgramSubfolder(GetUserAppDataFolder(create, error), create, error);
}

}  // namespace tx
