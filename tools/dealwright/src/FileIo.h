#pragma once
// Reading input files whole and writing outputs so that a failed run leaves nothing half made.
#include <filesystem>
#include <string>
#include <vector>

#include "Failure.h"

namespace dw {

// what names the file in messages ("score file \"x.txt\""); failures raise Failure(code).
std::string ReadWholeFile(const std::filesystem::path& path, const std::string& what, ExitCode code,
                          size_t maxBytes);

// Collects the outputs of one run in temporary files beside their targets and moves them
// into place together at Commit; whatever is not committed is removed.
class OutputSet {
 public:
  OutputSet() = default;
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;
  ~OutputSet();

  void Add(const std::filesystem::path& target, const std::string& bytes);
  void AddDirectory(const std::filesystem::path& dir);  // made now; removed again if left empty
  void Commit();

 private:
  struct Item {
    std::filesystem::path Target, Temp;
  };
  std::vector<Item> items_;
  std::vector<std::filesystem::path> madeDirs_;
  bool committed_ = false;
};

std::string DescribeError(int errnoValue);

}  // namespace dw
