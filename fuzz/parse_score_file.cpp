// Feeds arbitrary bytes to the score file reader as text and as a game file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "log/Logfile.h"
#include "platform/Profile.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/ScoreFileStreams.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "status/Ui.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tx::CProfile profile{std::filesystem::temp_directory_path() / "tx-fuzz-profile.ini"};
  static tx::CLogfile log{std::filesystem::path()};
  static tx::CStatusChannel status;
  static tx::CRecordingUi ui;
  static tx::Services services{log, status, ui, profile};
  for (bool game : {false, true}) {
    tx::CScoreFile record;
    record.File = std::make_unique<tx::CMemoryFileStream>(std::string(reinterpret_cast<const char*>(data), size));
    if (game) record.Flags |= tx::CScoreFile::GameFile;
    record.Size = size;
    record.Parse(services, true);
    (void)record.GetSessionIndex();
    (void)record.GetSectionCode();
  }
  ui.Clear();
  return 0;
}
