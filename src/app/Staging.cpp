#include "app/Staging.h"

#include <fmt/printf.h>
#include <system_error>

#include "app/AppData.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "status/Report.h"
#include "status/Services.h"

namespace tx {

namespace fs = std::filesystem;

namespace {

constexpr int MaxStagingNumber = 255;

[[noreturn]] void Fail(Services& services, uint32_t code) {
  ShowMessage(services, fmt::sprintf("Cannot access staging directory (error code 0x%08X).", code),
              MbIcon::Error);
  throw QuietAbort{};
}

// What is at path: 0 nothing, 1 a folder, 2 anything else; error set when the test failed.
int Probe(const fs::path& path, uint32_t& error) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec && ec != std::errc::no_such_file_or_directory) {
    error = ErrorFromErrno(ec.value());
    return -1;
  }
  if (!fs::exists(st)) return 0;
  return fs::is_directory(st) ? 1 : 2;
}

}  // namespace

fs::path GetStagingDirectory(Services& services, AppData& data) {
  uint32_t error = 0;
  fs::path base = GetUserAppDataFolder(true, &error);
  if (base.empty()) Fail(services, error ? error : err::PathNotFound);
  for (const char* name : {CompanyFolderName, ProgramFolderName}) {
    base /= name;
    switch (Probe(base, error)) {
      case -1: Fail(services, error);
      case 2: Fail(services, err::AlreadyExists);
      case 0:
        if (uint32_t code = CreateDirectoryExclusive(base); code && code != err::AlreadyExists)
          Fail(services, code);
        if (!fs::is_directory(base)) Fail(services, err::AlreadyExists);
        break;
      default: break;
    }
  }

  bool chosen = false;
  if (data.Setup.StagingDirectoryName.empty()) {
    for (int n = 1; n <= MaxStagingNumber && !chosen; ++n) {
      const std::string candidate = fmt::format("Staging{}", n);
      const int what = Probe(base / candidate, error);
      if (what < 0) Fail(services, error);
      if (what == 0) {
        data.Setup.StagingDirectoryName = candidate;
        chosen = true;
      }
    }
    if (!chosen) Fail(services, err::AlreadyExists);
  }

  const fs::path path = base / data.Setup.StagingDirectoryName;
  switch (Probe(path, error)) {
    case -1: Fail(services, error);
    case 2: Fail(services, err::AlreadyExists);
    case 0:
      if (uint32_t code = CreateDirectoryExclusive(path); code && !fs::is_directory(path)) Fail(services, code);
      break;
    default: break;
  }
  if (chosen) SaveData(services, data);
  return path;
}

}  // namespace tx
