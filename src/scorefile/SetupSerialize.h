#pragma once
// Reading and writing the setup record through an archive: the current layout (schema 10) is
// always written; every older layout (0 to 10) can be read. Reading an older layout first asks
// the user to convert and keeps a "-Backup<schema>.tsu" copy of the file.
#include <cstdint>
#include <string>

#include "scorefile/Setup.h"

namespace tx {

class CArchive;
struct Services;

// Values kept next to the setup record, not stored with it.
struct SetupLoadState {
  uint32_t SetupSchema = kCurrentSetupSchema;  // schema of the setup last loaded
  int ScoreFileRecordVersion = 1;              // layout of stored score file records being read
  uint32_t MachinePasswordScheme = 0;          // 1 when system data protection works here
  bool SetupConverted = false;                 // the last load converted an older file
};

// A record of the oldest layouts (schema 0 to 4); read and thrown away.
struct CDatum {
  std::string Text[8];
  uint32_t Number[2] = {0, 0};
  void Serialize(CArchive& ar, uint32_t schema);
};

// Writes the current layout when ar is storing. When loading, fileSchema is the layout of the
// data and currentSchema the layout the program writes; a lower fileSchema asks the conversion
// question first (Cancel fails with the bad-schema archive error, a failed backup copy with a
// file error for the backup name). Upload-history records of older layouts are left in
// setup.LegacyHistoryList for the caller to merge into the history.
void SerializeSetup(CArchive& ar, CSetup& setup, uint32_t fileSchema, uint32_t currentSchema,
                    SetupLoadState& state, Services& services);

// "<path without extension>-Backup<schema>.tsu".
std::string SetupBackupName(const std::string& path, uint32_t schema);

}  // namespace tx
