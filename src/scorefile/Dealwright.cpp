#include "scorefile/Dealwright.h"

#include <system_error>

#include "platform/Environment.h"
#include "platform/FileUtil.h"
#include "platform/Folders.h"
#include "platform/Process.h"

namespace tx {

namespace fs = std::filesystem;

bool GetDealwrightPath(std::string& path) {
  std::string value = GetEnvironmentText("TABULONIX_DEALWRIGHT");
  if (!value.empty() && value.front() == '"') value.erase(0, 1);
  if (!value.empty() && value.back() == '"') value.pop_back();
  if (!value.empty()) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::path(value), ec);
    path = ec ? value : full.string();
    return true;
  }
  fs::path found = FindProgramOnPath("dealwright");
  if (found.empty()) return false;
  path = found.string();
  return true;
}

bool GetDealwrightVersion(const std::string& program, ProductVersion& version) {
  fs::path out;
  if (CreateUniqueFile(GetTempFolder(), "TBv", ".txt", out) != 0) return false;
  ProcessOptions options;
  options.StdOutFile = out;
  options.StdErrFile = out;
  CProcess process;
  bool ok = false;
  if (StartProcess({program, "/version"}, options, process) == 0) {
    WaitResult r = process.Wait(10000);
    if (!r.Finished) {
      process.Terminate(true);
      process.Wait(2000);
    } else if (r.ExitCode == 0) {
      std::string text;
      ok = ReadWholeFile(out, text, 1 << 16) == 0 && ParseProductVersion(text, version);
    }
  }
  std::error_code ec;
  fs::remove(out, ec);
  return ok;
}

std::string DealwrightCommandLine(const DealwrightJob& job) {
  auto quoted = [](const std::string& s) { return "\"" + s + "\""; };
  std::string line = quoted(job.Program);
  if (!job.HandRecordPath.empty()) line += " " + quoted(job.HandRecordPath);
  line += " /quiet /sort";
  if (!job.PdfPath.empty()) {
    if (!job.PdfLayout.empty()) line += " /layout " + quoted(job.PdfLayout);
    line += " /dda /pdf " + quoted(job.PdfPath);
  }
  if (!job.HtmlLayout.empty()) line += " /layout " + quoted(job.HtmlLayout);
  line += " /dda /acbl " + quoted(job.ScoreFilePath) + " /html " + quoted(job.HtmlPath);
  return line;
}

}  // namespace tx
