#include "scorefile/HandRecords.h"

#include <cstdio>
#include <filesystem>
#include <fmt/printf.h>
#include <system_error>

#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Services.h"
#include "status/Ui.h"

namespace tx {

namespace {

struct HandRecordType {
  const char* Extension;
  const char* Filter;
};

constexpr HandRecordType HandRecordTypes[] = {
    {"pbn", "PBN Files (*.pbn)"},
    {"dup", "DOS Duplimate Files (*.dup)"},
    {"dlm", "Windows Duplimate Files (*.dlm)"},
    {"bri", "BRI Files (*.bri)"},
    {"lin", "BB Online Files (*.lin)"},
};

int TypeCount(bool bridgeWebs) { return bridgeWebs ? 4 : 5; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  return (last == '/' || last == '\\') ? folder + name : folder + "/" + name;
}

bool Readable(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

std::string HandRecordFilter(bool bridgeWebs) {
  std::string filter;
  for (int i = 0; i < TypeCount(bridgeWebs); ++i)
    filter += fmt::sprintf("%s|*.%s|", HandRecordTypes[i].Filter, HandRecordTypes[i].Extension);
  return filter + "All Files (*.*)|*.*||";
}

int HandRecordFilterCount(bool bridgeWebs) { return TypeCount(bridgeWebs) + 1; }

bool SelectHandRecords(CScoreFile& record, Services& services, CSetup& setup, bool automatic) {
  if (automatic && !record.HandRecordPath.empty()) return true;
  const std::string base = record.GetSessionBaseName();
  const bool bridgeWebs = setup.IsBridgeWebs();
  if (automatic) {
    for (int i = 0; i < TypeCount(bridgeWebs); ++i) {
      std::string path = JoinPath(setup.LastHandRecordDirectory,
                                  base + fmt::sprintf(".%s", HandRecordTypes[i].Extension));
      if (Readable(path)) {
        record.HandRecordPath = path;
        return true;
      }
    }
    return false;
  }

  FileDialogRequest request;
  if (record.HandRecordPath.empty()) {
    request.InitialFolder = setup.LastHandRecordDirectory;
    request.InitialName = base;
  } else {
    request.InitialName = record.HandRecordPath;
  }
  request.Filter = HandRecordFilter(bridgeWebs);
  request.Title = fmt::sprintf("Select Hand Records - %s", base);
  std::string section = record.GetSectionCode();
  if (!section.empty()) request.Title += fmt::sprintf(" - Section %s", section);
  const int entries = HandRecordFilterCount(bridgeWebs);
  int index = int(setup.LastHandRecordFilterIndex);
  if (index == 0) index = 1;
  if (index >= 1 && index <= entries) {
    request.FilterIndex = index;
    if (index < entries) request.DefaultExtension = HandRecordTypes[index - 1].Extension;
  }
  FileDialogResult answer = services.Ui.AskOpenFiles(request);
  if (!answer.Ok || answer.Paths.empty()) return false;
  record.HandRecordPath = answer.Paths.front();
  setup.LastHandRecordDirectory = std::filesystem::path(record.HandRecordPath).parent_path().string();
  setup.LastHandRecordFilterIndex = uint32_t(answer.FilterIndex);
  return true;
}

std::string CScoreFile::GetBwsPath() const {
  std::string name = GetSessionBaseName();
  if (name.find('.') == std::string::npos) name += ".bws";
  size_t sep = Path.find_last_of("\\/");
  return sep == std::string::npos ? name : Path.substr(0, sep + 1) + name;
}

}  // namespace tx
