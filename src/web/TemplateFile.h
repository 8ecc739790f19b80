#pragma once
// The club's score file template: downloaded once per posting run, then for each score file a
// check pass (finds the insert markers, asks about earlier postings, names the page) and a
// merge pass (copies the template into a staging file with the results after each marker).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "status/OperationResult.h"

namespace tx {

class CColScoreFile;
class CScoreFile;
class CStagingFile;
struct CSetup;
struct Services;

constexpr std::string_view kInsertMarker = "<!--tabulonix:insert-->";
constexpr std::string_view kInsertEndMarker = "<!--tabulonix:insertend-->";

// What the template needs from the rest of the program, injected so it can be driven alone.
struct CTemplateHooks {
  // Fetches url into data; 1 on success, 0 after the fetch has reported its failure.
  std::function<int(const std::string& url, std::string& data)> Fetch;
  // A new temporary file with prefix and extension (".htm"); 0 or the system error code.
  std::function<uint32_t(const std::string& prefix, const std::string& extension, std::string& path)>
      GetTempFile;
  // 0 post, 1 skip this file, 2 cancel the run.
  std::function<int(CScoreFile& record, const std::string& message)> AskPostAnyway;
  // 1 identified and named, 0 skipped, 2 canceled.
  std::function<int(CScoreFile& record, std::string& pageName)> Identify;
  // Writes the results body of the record into the page.
  std::function<void(CScoreFile& record, CStagingFile& page)> WriteResults;
};

struct CTemplateContext {
  Services& Svc;
  const CSetup& Setup;
  CColScoreFile& History;
  std::vector<CScoreFile*>& PostedScoreFiles;
  CTemplateHooks Hooks;
};

// True when line, after leading blanks and tabs, is the insert marker followed only by white
// space.
bool IsInsertMarkerLine(std::string_view line);
// The lines of a text: a line ends at CR, LF, CR LF or a zero byte.
std::vector<std::string_view> SplitTemplateLines(std::string_view text);

class CTemplateFile {
 public:
  explicit CTemplateFile(CTemplateContext context);

  // Fetches the template; 1 or 0. ExpectedInserts becomes 1 either way.
  int Load(const std::string& url);
  // merge false: check pass; true: merge pass. record may be null (just counts the markers).
  OperationResult Parse(bool merge, CScoreFile* record);
  OperationResult ProcessInsert(bool merge, int insertNumber, CScoreFile& record, CStagingFile* staging);

  // The extension of the template's file name from its last "." (empty when none).
  std::string TemplateExtension() const;

  int32_t FoundInserts = 0;
  int32_t ExpectedInserts = 0;
  std::string TemplateUrl;
  std::string OutputName;
  std::string StagingPath;
  std::string TemplateData;  // as downloaded (the string keeps its own terminating zero)

 private:
  OperationResult CheckInsert(CScoreFile& record);

  CTemplateContext ctx_;
};

}  // namespace tx
