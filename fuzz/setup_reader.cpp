// Reads arbitrary bytes as a setup document: the schema number, then the setup record.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/FuzzServices.h"
#include "platform/Errors.h"
#include "scorefile/SetupSerialize.h"
#include "store/Archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tx::fuzz::FuzzServices services;
  tx::CMemoryStream in(std::vector<uint8_t>(data, data + size), "fuzz.tsu");
  tx::CArchive ar(in, tx::CArchive::Mode::Load);
  tx::CSetup setup;
  tx::SetupLoadState state;
  try {
    const uint32_t schema = ar.ReadU32();
    // currentSchema equal to the file's: no conversion question, no backup copy on disk.
    tx::SerializeSetup(ar, setup, schema, schema, state, services.Svc);
    // What was read must write back without fault.
    tx::CMemoryStream out;
    tx::CArchive store(out, tx::CArchive::Mode::Store);
    tx::SerializeSetup(store, setup, 10, 10, state, services.Svc);
    store.Close();
  } catch (const tx::CException&) {
  }
  return 0;
}
