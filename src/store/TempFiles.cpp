#include "store/TempFiles.h"

#include <chrono>
#include <fmt/format.h>
#include <system_error>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "status/Report.h"
#include "status/Services.h"

namespace tx {

namespace fs = std::filesystem;

CTempPaths::CTempPaths() {
  Tick = [] {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
}

void CTempPaths::CleanUp() {
  for (const fs::path& path : paths_) {
    std::error_code ec;
    fs::file_status st = fs::symlink_status(path, ec);
    if (ec || !fs::exists(st)) continue;
    if (fs::is_directory(st))
      DeleteTree(path);
    else
      fs::remove(path, ec);
  }
  paths_.clear();
}

fs::path TempName(const fs::path& folder, std::string_view prefix, uint16_t n,
                  std::string_view extension) {
  std::string name = folder.string();
  if (name.empty() || name.back() != '/') name += '/';
  name += fmt::format("{}{:04X}{}", prefix, n, extension);
  return fs::path(name);
}

bool GetTempFile(Services& services, CTempPaths& paths, const fs::path& folder,
                 std::string_view prefix, std::string_view extension, fs::path& out) {
  fs::path dir = folder.empty() ? GetTempFolder() : folder;
  if (dir.empty()) {
    ReportSystemError(services, err::PathNotFound, "CTabulonixApp::GetTempFile: GetTempPath");
    return false;
  }
  const uint16_t start = uint16_t(paths.Tick());
  uint16_t n = start;
  do {
    fs::path name = TempName(dir, prefix, n, extension);
    // Exclusive creation: a name another running copy took is skipped, never shared.
    if (CreateFileExclusive(name) == 0) {
      paths.Add(name);
      out = name;
      return true;
    }
    ++n;
  } while (n != start);
  out.clear();
  return false;
}

fs::path GetTempDirectory(Services& services, CTempPaths& paths, std::string_view prefix) {
  fs::path dir = GetTempFolder();
  if (dir.empty()) {
    ReportSystemError(services, err::PathNotFound, "CTabulonixApp::GetTempDirectory: GetTempPath");
    throw QuietAbort{};
  }
  const uint16_t start = uint16_t(paths.Tick());
  uint16_t n = start;
  for (;;) {
    fs::path name = TempName(dir, prefix, n, {});
    uint32_t code = CreateDirectoryExclusive(name);
    if (code == 0) {
      paths.Add(name);
      return name;
    }
    if (code == err::AlreadyExists || code == err::FileExists) {
      ++n;
      if (n != start) continue;
      const char* text = "Unable to create a temporary directory";
      services.Log.LogLastStatus();
      ShowMessage(services, text, MbIcon::Error);
      throw QuietAbort{};
    }
    ReportSystemError(services, code, "CTabulonixApp::GetTempDirectory: CreateDirectory");
    throw QuietAbort{};
  }
}

void DeleteTree(const fs::path& folder) {
  std::error_code ec;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    entries.push_back(*it);
  for (const fs::directory_entry& entry : entries) {
    std::error_code ec2;
    if (entry.is_directory(ec2) && !entry.is_symlink(ec2))
      DeleteTree(entry.path());
    else
      fs::remove(entry.path(), ec2);
  }
  fs::remove(folder, ec);
}

}  // namespace tx
