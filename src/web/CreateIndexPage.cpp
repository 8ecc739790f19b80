#include "web/CreateIndexPage.h"

#include <algorithm>
#include <filesystem>
#include <fmt/printf.h>
#include <system_error>

#include "platform/AsciiText.h"
#include "platform/Errors.h"
#include "scorefile/ScoreFile.h"
#include "scorefile/Setup.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "web/IndexTableBody.h"
#include "web/StagingFile.h"
#include "web/TemplateFile.h"

namespace fs = std::filesystem;

namespace tx {

namespace {

bool MatchesNoCase(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.size() < prefix.size() + suffix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiLower(name[i]) != AsciiLower(prefix[i])) return false;
  size_t off = name.size() - suffix.size();
  for (size_t i = 0; i < suffix.size(); ++i)
    if (AsciiLower(name[off + i]) != AsciiLower(suffix[i])) return false;
  return true;
}

// Removes every file of the staging directory that an earlier index may have left.
void DeleteOldPages(const fs::path& staging, const std::string& pattern) {
  fs::path full = staging / fs::path(pattern);
  std::string name = full.filename().string();
  size_t star = name.find('*');
  std::string prefix = name.substr(0, star), suffix = name.substr(star + 1);
  std::error_code ec;
  for (fs::directory_iterator it(full.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    if (MatchesNoCase(it->path().filename().string(), prefix, suffix)) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

// Reads the template line by line from a position, so the end-marker rule can resume
// mid-line. A line ends at CR, LF, CR LF or a zero byte; reading ends at the zero byte.
class CTemplateReader {
 public:
  explicit CTemplateReader(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_++] == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    return true;
  }
  size_t Position() const { return pos_; }
  void Seek(size_t pos) { pos_ = pos; }
  std::string_view Text() const { return text_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

struct CandidateKey {
  const CScoreFile* Entry;
  int64_t Date;
  int Session;
  std::string Section;  // lower-cased section code
};

std::vector<const CScoreFile*> Candidates(const CIndexContext& ctx, int64_t now) {
  int64_t cutOff = IndexCutOff(ctx.Setup, now);
  std::vector<CandidateKey> keys;
  for (const CScoreFile& e : ctx.Setup.IndexData) {
    if (!IsIndexed(e, cutOff)) continue;
    std::string section = e.GetSectionCode();
    for (char& c : section) c = AsciiLower(c);
    keys.push_back({&e, e.SessionDate, e.GetSessionIndex(), std::move(section)});
  }
  // Later session first (date, then session time), then section code A to Z.
  std::stable_sort(keys.begin(), keys.end(), [](const CandidateKey& a, const CandidateKey& b) {
    if (a.Date != b.Date) return a.Date > b.Date;
    if (a.Session != b.Session) return a.Session > b.Session;
    return a.Section < b.Section;
  });
  std::vector<const CScoreFile*> list;
  list.reserve(keys.size());
  for (const CandidateKey& k : keys) list.push_back(k.Entry);
  return list;
}

enum class PageOutcome { Written, Last, Failed };

PageOutcome WritePage(CIndexContext& ctx, const std::string& templ, const fs::path& path, CIndexTableBody& body,
                      int pageNumber) {
  CStagingFile out;
  try {
    out.Open(path.string());
  } catch (const CException& e) {
    ReportException(ctx.Svc, e, "CTabulonixApp::CreateIndexPage: CStdioFile::Open");
    return PageOutcome::Failed;
  }
  bool last = false, marker = false;
  try {
    CTemplateReader reader(templ);
    std::string_view line;
    while (reader.Next(line)) {
      out.WriteLine(line);
      if (marker || !IsIndexMarkerLine(line)) continue;
      marker = true;
      last = body.Write(out, pageNumber);
      // An old table between the markers is left out; the end marker's line is kept from the
      // marker on.
      size_t end = reader.Text().find(kIndexEndMarker, reader.Position());
      if (end != std::string_view::npos) {
        reader.Seek(end);
      } else {
        out.WriteLine(kIndexEndMarker);
      }
    }
    if (!marker) {
      out.Close();
      ShowMessage(ctx.Svc,
                  fmt::sprintf("%s\r\nThe index URL does not contain the required insert marker:\r\n%s\r\n"
                               "(The marker must be on a line by itself.)",
                               ctx.Setup.IndexTemplateFilename, std::string(kIndexMarker)),
                  MbIcon::Error);
      return PageOutcome::Failed;
    }
    out.Close();
  } catch (const CException& e) {
    ReportException(ctx.Svc, e, "CTabulonixApp::CreateIndexPage: write loop");
    return PageOutcome::Failed;
  }
  return last ? PageOutcome::Last : PageOutcome::Written;
}

}  // namespace

bool IsIndexMarkerLine(std::string_view line) {
  // Same rule as the template's insert marker: checked by putting that marker in its place.
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (line.substr(i, kIndexMarker.size()) != kIndexMarker) return false;
  std::string probe(line.substr(0, i));
  probe += kInsertMarker;
  probe += line.substr(i + kIndexMarker.size());
  return IsInsertMarkerLine(probe);
}

int CreateIndexPage(CIndexContext& ctx) {
  Services& svc = ctx.Svc;
  const CSetup& setup = ctx.Setup;
  ctx.Index.IndexCreated = false;
  ctx.Index.IndexPages.clear();
  if (setup.WebsiteUrl.empty()) {
    ShowMessage(svc, "Setup required: Website URL", MbIcon::Error);
    return 0;
  }
  // The operation cannot be canceled: the answers of its status messages are not used.
  svc.Status.SendStatus("Downloading indexing template file");
  if (setup.IndexTemplateFilename.empty()) {
    ShowMessage(svc, "Setup required: Website: Index Template Filename", MbIcon::Error);
    return 0;
  }
  std::string templ;
  if (!ctx.Hooks.Fetch || !ctx.Hooks.Fetch(JoinSiteUrl(setup.WebsiteUrl, setup.IndexTemplateFilename), templ))
    return 0;

  const char* plural = setup.MultiPageIndex() ? "s" : "";
  svc.Status.SendStatus(fmt::sprintf("Creating local index page%s", plural));
  if (!ctx.Hooks.GetStagingDirectory) throw QuietAbort{};
  fs::path staging = fs::path(ctx.Hooks.GetStagingDirectory());
  DeleteOldPages(staging, MakeIndexPageName(setup.IndexFilename, "*"));

  const int64_t now = ctx.CurrentTime();
  CIndexTableBody body(setup, Candidates(ctx, now), ctx.Index.IndexPages, now);
  for (int page = 0;; ++page) {
    ctx.Index.IndexPages.push_back(body.NextPage(page));
    PageOutcome r = WritePage(ctx, templ, staging / fs::path(ctx.Index.IndexPages.back().FileName), body, page);
    if (r == PageOutcome::Failed) return 0;
    if (r == PageOutcome::Last) break;
  }
  svc.Status.SendStatus(fmt::sprintf("Local index page%s created", plural));
  ctx.Index.IndexCreated = true;
  return 1;
}

}  // namespace tx
