#pragma once
// Where the program keeps its files. On Linux these follow the XDG base directories:
//   common data  ${TABULONIX_COMMON_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}}
//   user data    ${XDG_DATA_HOME:-$HOME/.local/share}
//   config       ${XDG_CONFIG_HOME:-$HOME/.config}
//   temporary    ${TMPDIR:-/tmp}
// Relative values of these variables are ignored, as the XDG rules ask. No function throws:
// a failure gives an empty path and, when asked for, an error code.
#include <cstdint>
#include <filesystem>

namespace tx {

// The two folders below every base folder, as "Kestrova/Tabulonix".
inline constexpr const char* CompanyFolderName = "Kestrova";
inline constexpr const char* ProgramFolderName = "Tabulonix";

// create: make the folder (and its parents) when missing.
std::filesystem::path GetCommonAppDataFolder(bool create, uint32_t* error = nullptr);
std::filesystem::path GetUserAppDataFolder(bool create, uint32_t* error = nullptr);
std::filesystem::path GetConfigFolder(bool create, uint32_t* error = nullptr);
// The temporary folder; it is not created.
std::filesystem::path GetTempFolder();

// base / "Kestrova" / "Tabulonix"; with create, both folders are made when missing.
// An empty base gives an empty path (error 3).
std::filesystem::path GetProgramSubfolder(const std::filesystem::path& base, bool create,
                                          uint32_t* error = nullptr);

// Shorthands for the program's folder below the common and the user data folder.
std::filesystem::path GetCommonProgramFolder(bool create, uint32_t* error = nullptr);
std::filesystem::path GetUserProgramFolder(bool create, uint32_t* error = nullptr);

// Creates a folder and its parents; 0 when it exists afterwards, else an error code.
uint32_t CreateFolders(const std::filesystem::path& folder);

}  // namespace tx
