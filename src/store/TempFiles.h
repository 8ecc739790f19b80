#pragma once
// Temporary files and folders handed out during a run. Every path is remembered in a
// CTempPaths list and removed from disk by CleanUp when the program ends, so a results page,
// PDF or reply stays available until then.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tx {

struct Services;

class CTempPaths {
 public:
  CTempPaths();
  CTempPaths(const CTempPaths&) = delete;
  CTempPaths& operator=(const CTempPaths&) = delete;

  void Add(const std::filesystem::path& path) { paths_.push_back(path); }
  const std::vector<std::filesystem::path>& Paths() const { return paths_; }

  // Deletes every path handed out, in order (folders with all they hold); errors are ignored.
  // The list is emptied.
  void CleanUp();

  // Start value of the name counter: low 16 bits of a millisecond tick. Tests replace it.
  std::function<uint64_t()> Tick;

 private:
  std::vector<std::filesystem::path> paths_;
};

// folder (or the system's temporary folder when empty) + "/" + prefix + four upper-case hex
// digits + extension, created new and empty. False when the system gives no temporary folder
// (reported) or no free name was found after 65536 tries (not reported, out emptied).
bool GetTempFile(Services& services, CTempPaths& paths, const std::filesystem::path& folder,
                 std::string_view prefix, std::string_view extension, std::filesystem::path& out);

// A new folder in the system's temporary folder named prefix + four hex digits. Reports its
// own failure and then throws QuietAbort.
std::filesystem::path GetTempDirectory(Services& services, CTempPaths& paths, std::string_view prefix);

// The name GetTempFile and GetTempDirectory try for counter n.
std::filesystem::path TempName(const std::filesystem::path& folder, std::string_view prefix,
                               uint16_t n, std::string_view extension);

// Deletes everything below folder, depth first, then folder itself; errors are ignored.
void DeleteTree(const std::filesystem::path& folder);

}  // namespace tx
