#pragma once
// The program's data files: the upload history in "ProgramData.bin" below the common data
// folder, and the previous version's "Setup.bin", which is only read to import it. SaveData
// is the one call that makes setup and history changes permanent.
#include <cstdint>
#include <filesystem>

#include "scorefile/Setup.h"
#include "scorefile/SetupSerialize.h"
#include "web/ColScoreFile.h"

namespace tx {

struct Services;
class CSetupDocument;

// What the application object keeps of its persistent data.
struct AppData {
  CSetup Setup;
  SetupLoadState SetupState;
  CColScoreFile History;
  CSetupDocument* Document = nullptr;  // the open setup document; it registers itself
};

inline constexpr const char* AppDataFileName = "ProgramData.bin";
inline constexpr const char* LegacyDataFileName = "Setup.bin";

// common data folder / "Kestrova" / "Tabulonix" / "ProgramData.bin". With create the folders
// are made when missing. Empty on failure, with error set (3 for a missing folder without
// create, 183 when a name in the chain is a file).
std::filesystem::path GetAppDataPath(bool create, uint32_t& error);
// common data folder / "Tabulonix" / "Setup.bin"; empty when there is no common data folder.
std::filesystem::path GetDataPath();

// Reads the upload history at start-up; reports failures and goes on with what was read.
void LoadAppData(Services& services, AppData& data);
// Saves the open setup document, then the upload history by safe replacement. False when
// either failed or the user cancelled the Save As question (the history is then not written).
bool SaveData(Services& services, AppData& data);
// Reads the previous version's setup into data.Setup.
void LoadData(Services& services, AppData& data);
// Offers the previous version's setup for import, and imports and saves it on Yes.
void ImportPreviousSetup(Services& services, AppData& data);

// Appends each record of setup.LegacyHistoryList whose digest is not in the history, then
// empties the list.
void MergeLegacyHistory(CSetup& setup, CColScoreFile& history);

}  // namespace tx
