#pragma once
// Helpers for the converter's tests: temporary folders, fixtures, running the program.
#include <filesystem>
#include <string>
#include <vector>

namespace dwtest {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& Path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

fs::path Fixture(const std::string& name);
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& bytes);

struct RunResult {
  int Code = -1;
  std::string Out, Err;
};

// The converter inside this process.
RunResult RunInProcess(const std::vector<std::string>& args);
// A separate process (the built program or any other), stopped after timeoutSeconds;
// env entries "NAME=value" are added to this process's environment.
RunResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}, int timeoutSeconds = 60);

std::vector<std::string> Lines(const std::string& text);
// What the poster keeps of a page: the lines after the one that starts "<body" up to the one
// that starts "</body".
std::vector<std::string> BodyLines(const std::string& html);
bool Contains(const std::string& haystack, const std::string& needle);

}  // namespace dwtest
