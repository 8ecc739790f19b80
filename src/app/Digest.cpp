#include "app/Digest.h"

#include <filesystem>
#include <fmt/printf.h>
#include <system_error>

#include "platform/Errors.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/ScoreFileStreams.h"
#include "web/ColScoreFile.h"

namespace tx {

namespace {

bool IsGameFileName(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".acm" || extension == ".aca" || extension == ".ace" || extension == ".acl";
}

}  // namespace

std::vector<std::string> Digest(Services& services, const std::vector<std::string>& files,
                                CColScoreFile& history, bool* ok) {
  std::vector<std::string> lines;
  if (ok) *ok = true;
  for (const std::string& path : files) {
    CLocalFileStream probe;
    uint32_t code = probe.Open(path, true);
    probe.Close();
    std::error_code ec;
    if (code == 0 && std::filesystem::is_directory(path, ec)) code = err::AccessDenied;
    CScoreFile record;
    if (code == 0 && !record.Open(services, path, nullptr, true, IsGameFileName(path))) code = err::AccessDenied;
    if (code == 0 && !record.Parse(services, true)) code = err::ReadFault;
    if (code != 0) {
      lines.push_back(fmt::sprintf("%s: %s", path, GetErrorText(code)));
      if (ok) *ok = false;
      continue;
    }
    std::string line = fmt::sprintf("%s  %s", record.Hash.ToHex(), path);
    if (const CScoreFile* previous = history.Lookup(record)) {
      if (previous->IsAddedByHand())
        line += "  added by hand";
      else
        line += fmt::sprintf("  posted %s as %s", previous->GetPostedText(), previous->WebPageName);
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace tx
