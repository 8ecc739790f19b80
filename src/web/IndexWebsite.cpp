#include "web/IndexWebsite.h"

#include <fmt/printf.h>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "scorefile/Setup.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"

namespace tx {

namespace {

enum class FileKind { Other, Page, Pdf, HandRecord };

// From the last "." of the name; empty when there is none.
std::string Extension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string WithoutExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

FileKind Classify(const std::string& name) {
  std::string ext = Extension(name);
  for (const char* e : {".htm", ".html"})
    if (EqualsNoCase(ext, e)) return FileKind::Page;
  if (EqualsNoCase(ext, ".pdf")) return FileKind::Pdf;
  for (const char* e : {".pbn", ".dlm", ".dup", ".lin"})
    if (EqualsNoCase(ext, e)) return FileKind::HandRecord;
  return FileKind::Other;
}

struct BusyScope {
  CStatusChannel& Status;
  explicit BusyScope(CStatusChannel& s) : Status(s) { Status.SetBusy(true); }
  ~BusyScope() { Status.SetBusy(false); }
};

}  // namespace

int IndexFile(CIndexContext& ctx, IIndexSite& site, const ReadIndexPageFn& readPage, const std::string& name,
              const std::string& folder, CIndexCollection& collection) {
  Services& svc = ctx.Svc;
  try {
    std::string rel = folder.empty() ? name : folder + "/" + name;
    std::string shown = rel;
    for (char& c : rel)
      if (c == '/') c = '\\';
    if (!svc.Status.SendStatus(fmt::sprintf("(Use File\u2192Cancel to cancel) Indexing %s", shown))) return 0;
    switch (Classify(name)) {
      case FileKind::Page: {
        if (collection.HasTemplate && name == collection.TemplateName) break;
        CScoreFile page;
        bool ok = readPage && readPage(page, shown, site.Connection());
        page.Close(true);
        if (!ok) break;
        page.Path = shown;
        page.SetPosted(rel, 0);
        if (size_t(collection.Found) < collection.Pages.size())
          collection.Pages[size_t(collection.Found)] = page;
        else
          collection.Pages.push_back(page);
        ++collection.Found;
        break;
      }
      case FileKind::Pdf:
        // Only a PDF listed right after its page, in the same folder, is linked.
        if (collection.Found > 0) {
          CScoreFile& last = collection.Pages[size_t(collection.Found - 1)];
          if (EqualsNoCase(WithoutExtension(last.GetFileName()), WithoutExtension(name))) last.SetPdfUploaded(true);
        }
        break;
      case FileKind::HandRecord:
        collection.HandRecords[WithoutExtension(name)] = Extension(name);
        break;
      case FileKind::Other:
        break;
    }
  } catch (const CException& e) {
    ReportException(svc, e, "CTabulonixApp::IndexFile");
  }
  return 1;
}

bool IndexWebsite(CIndexContext& ctx, const ReadIndexPageFn& readPage) {
  Services& svc = ctx.Svc;
  CSetup& setup = ctx.Setup;
  BusyScope busy(svc.Status);
  std::unique_ptr<IIndexSite> site = ctx.Hooks.MakeSite ? ctx.Hooks.MakeSite() : nullptr;
  if (!site) return false;
  struct Disconnect {
    IIndexSite& Site;
    ~Disconnect() { Site.Disconnect(); }
  } disconnect{*site};

  if (!site->Login()) return false;
  if (!setup.WebsiteScoreFileDirectory.empty() && !site->SetCurrentDirectory(setup.WebsiteScoreFileDirectory))
    return false;

  CIndexCollection collection;
  std::string templateName(FileNamePart(setup.ScoreFileTemplateFilename));
  collection.HasTemplate = !templateName.empty();
  collection.TemplateName = templateName;
  bool walked = site->WalkTree([&](const std::string& name, const std::string& folder) {
    return IndexFile(ctx, *site, readPage, name, folder, collection) != 0;
  });
  if (!walked) return false;
  site->Disconnect();
  collection.Pages.resize(size_t(collection.Found));

  if (!svc.Status.SendStatus("Index Website: Checking files")) return false;
  std::vector<CScoreFile> counted;
  for (CScoreFile& page : collection.Pages) {
    std::string base = WithoutExtension(page.GetFileName());
    auto hand = collection.HandRecords.find(base);
    if (hand != collection.HandRecords.end()) {
      page.HandRecordPath = base + hand->second;
      page.SetHandRecordUploaded(true);
    }
    while (ctx.Hooks.Identify && ctx.Hooks.Identify(page) == 2) {
      MbAnswer a = ShowMessage(svc, "Are you sure you want to abandon the entire indexing operation?",
                               MbIcon::Question, MbButtons::YesNo, 1);
      if (a == MbAnswer::Yes) return false;
    }
    if (page.IsSelected()) counted.push_back(page);
  }
  setup.IndexData = std::move(counted);
  if (ctx.Hooks.SaveData) ctx.Hooks.SaveData();
  std::string text = fmt::sprintf("Index Website complete: %d file(s)", int(setup.IndexData.size()));
  svc.Status.SendStatus(text);
  svc.Log.Printf("%s\n", text);
  return true;
}

}  // namespace tx
