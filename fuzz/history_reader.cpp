// Reads arbitrary bytes as the application data file: record version, then the history.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Errors.h"
#include "store/Archive.h"
#include "web/ColScoreFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tx::CMemoryStream in(std::vector<uint8_t>(data, data + size), "fuzz.bin");
  tx::CArchive ar(in, tx::CArchive::Mode::Load);
  tx::CColScoreFile history;
  try {
    const uint32_t version = ar.ReadU32();
    if (version > 1) return 0;
    ar.SetRecordVersion(int(version));
    history.Serialize(ar);
  } catch (const tx::CException&) {
  }
  // Whatever was kept is usable.
  for (size_t i = 0; i < history.GetCount(); ++i) history.Lookup(history.GetAt(i));
  return 0;
}
