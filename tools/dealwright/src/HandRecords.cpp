#include "HandRecords.h"

#include <fmt/format.h>

#include "Failure.h"
#include "FileIo.h"
#include "Text.h"

namespace dw {

HandRecordSet ReadHandRecords(const std::filesystem::path& path, std::vector<std::string>& warnings) {
  const std::string what = fmt::format("hand record file \"{}\"", path.string());
  const std::string ext = Lower(path.extension().string());
  if (ext == ".dup" || ext == ".dlm" || ext == ".bri")
    throw Failure(ExitCode::HandRecords,
                  fmt::format("The {} is a dealing-machine file ({}), which is not read; save the hand records as "
                              "a PBN file (.pbn) or an online-play file (.lin) and choose that one.",
                              what, ext));
  const std::string data = ReadWholeFile(path, what, ExitCode::HandRecords, 64u << 20);
  HandRecordSet set;
  try {
    if (ext == ".pbn") set = ReadPbn(data, warnings);
    else if (ext == ".lin") set = ReadLin(data, warnings);
    else if (data.find("[Deal ") != std::string::npos || data.find("[deal ") != std::string::npos) set = ReadPbn(data, warnings);
    else if (data.find("md|") != std::string::npos) set = ReadLin(data, warnings);
    else
      throw Failure(ExitCode::HandRecords,
                    fmt::format("The {} is neither a PBN file nor an online-play (.lin) file.", what));
  } catch (const Failure& f) {
    if (f.Code != ExitCode::HandRecords) throw;
    const std::string msg = f.what();
    if (msg.find(path.string()) != std::string::npos) throw;
    // Name the file in the reader's message.
    const std::string prefix = "The hand record file is damaged: ";
    if (msg.rfind(prefix, 0) == 0)
      throw Failure(ExitCode::HandRecords, fmt::format("The {} is damaged: {}", what, msg.substr(prefix.size())));
    throw Failure(ExitCode::HandRecords, fmt::format("{}: {}", what, msg));
  }
  if (set.Deals.empty()) throw Failure(ExitCode::HandRecords, fmt::format("The {} holds no deals.", what));
  return set;
}

}  // namespace dw
