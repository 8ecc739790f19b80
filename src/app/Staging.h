#pragma once
// The setup's staging directory: user data folder / "Kestrova" / "Tabulonix" / "StagingN",
// which keeps the local index pages between runs. The name is chosen once per setup and
// stored with it.
#include <filesystem>

namespace tx {

struct Services;
struct AppData;

// The staging directory, created when missing. A newly chosen name is saved at once
// (SaveData). On failure shows "Cannot access staging directory (error code 0x%08X)." and
// raises QuietAbort.
std::filesystem::path GetStagingDirectory(Services& services, AppData& data);

}  // namespace tx
