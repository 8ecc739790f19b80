#include "ui/SetupModel.h"

#include <algorithm>
#include <charconv>
#include <fmt/printf.h>

#include "platform/AsciiText.h"
#include "log/Logfile.h"
#include "platform/LocalTime.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"

namespace tx {

namespace {

struct FlagName {
  const char* name;
  uint32_t mask;
  bool inverse;
};
const FlagName kFlags[] = {
    {"AutoFillHandRecords", setupflag::AutoFillHandRecords, false},
    {"MultiPageIndex", setupflag::MultiPageIndex, false},
    {"LinkPdfHandRecords", setupflag::LinkPdfHandRecords, false},
    {"LinkComputerHandRecords", setupflag::LinkComputerHandRecords, false},
    {"RebuildIndexAfterPosting", setupflag::RebuildIndexAfterPosting, false},
    {"PassiveFtp", setupflag::ActiveFtp, true},
    {"UploadToSubdirectories", setupflag::UploadToSubdirectories, false},
    {"AlertNoBws", setupflag::AlertNoBws, false},
};

std::string* TextField(CSetup& s, const std::string& name) {
  if (name == "ScoreFileDirectory") return &s.ScoreFileDirectory;
  if (name == "HtmlLayout") return &s.HtmlLayout;
  if (name == "PdfLayout") return &s.PdfLayout;
  if (name == "WebsiteUrl") return &s.WebsiteUrl;
  if (name == "IndexTemplateFilename") return &s.IndexTemplateFilename;
  if (name == "IndexFilename") return &s.IndexFilename;
  if (name == "WebsiteScoreFileDirectory") return &s.WebsiteScoreFileDirectory;
  if (name == "ScoreFileTemplateFilename") return &s.ScoreFileTemplateFilename;
  if (name == "FtpServer") return &s.FtpServer;
  if (name == "FtpUser") return &s.FtpUser;
  if (name == "FtpDirectory") return &s.FtpDirectory;
  return nullptr;
}

int64_t* TimeField(CSetup& s, const std::string& name) {
  if (name == "PostFilesModifiedAfter") return &s.PostFilesModifiedAfter;
  if (name == "OldestToIndex") return &s.OldestToIndex;
  return nullptr;
}

bool ParseNumber(std::string_view text, long long& out) {
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && p == text.data() + text.size();
}

// "YYYY-MM-DD[ HH:MM[:SS]]" in local time, or "0".
bool ParseLocalTime(const std::string& text, int64_t& out) {
  if (text == "0" || text.empty()) {
    out = 0;
    return true;
  }
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  char tail = 0;
  int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &sec, &tail);
  if (n != 3 && n != 5 && n != 6) return false;
  return MakeLocalTime(y, mo, d, h, mi, sec, out);
}

std::string ShowTime(int64_t t, const char* format) { return FormatLocalTime(t, format); }

}  // namespace

CSetupModel::CSetupModel(const CSetup& setup, int64_t now) : Values(setup) {
  if (Values.PostFilesModifiedAfter == 0) Values.PostFilesModifiedAfter = now;
  if (!setup.FtpPassword.empty()) passwordStart_ = StoredPasswordText;
  Password = passwordStart_;
}

CSetupModel::~CSetupModel() { std::fill(Password.begin(), Password.end(), '\0'); }

std::vector<std::string> CSetupModel::FieldNames() {
  return {"ScoreFileDirectory", "PostFilesModifiedAfter", "HtmlLayout", "PdfLayout", "AutoFillHandRecords",
          "WebsiteUrl", "IndexTemplateFilename", "IndexFilename", "OldestToIndex", "DaysToIndex",
          "WebsiteScoreFileDirectory", "ScoreFileTemplateFilename", "MultiPageIndex", "LinkPdfHandRecords",
          "LinkComputerHandRecords", "RebuildIndexAfterPosting", "FtpServer", "FtpUser", "FtpDirectory",
          "PassiveFtp", "UploadToSubdirectories", "AlertNoBws"};
}

std::string CSetupModel::GetByName(const CSetup& setup, const std::string& name) {
  CSetup& s = const_cast<CSetup&>(setup);
  if (std::string* text = TextField(s, name)) return *text;
  if (int64_t* t = TimeField(s, name)) return *t ? ShowTime(*t, "%Y-%m-%d %H:%M:%S") : "0";
  if (name == "DaysToIndex") return std::to_string(setup.DaysToIndex);
  for (const FlagName& f : kFlags)
    if (name == f.name) return (((setup.SetupFlags & f.mask) != 0) != f.inverse) ? "1" : "0";
  return {};
}

bool CSetupModel::SetByName(const std::string& name, const std::string& value, std::string& error) {
  if (std::string* text = TextField(Values, name)) {
    *text = value;
    return true;
  }
  if (int64_t* t = TimeField(Values, name)) {
    if (!ParseLocalTime(value, *t)) {
      error = fmt::sprintf("%s: expected a local time as YYYY-MM-DD HH:MM:SS, not '%s'", name, value);
      return false;
    }
    return true;
  }
  if (name == "DaysToIndex") {
    long long n = -1;
    if (!ParseNumber(value, n) || n < 0 || n > 999999) {
      error = "Enter an integer between 0 and 999999.";
      return false;
    }
    Values.DaysToIndex = uint32_t(n);
    return true;
  }
  for (const FlagName& f : kFlags) {
    if (name != f.name) continue;
    if (value != "0" && value != "1") {
      error = fmt::sprintf("%s: expected 0 or 1, not '%s'", name, value);
      return false;
    }
    Values.SetFlag(f.mask, (value == "1") != f.inverse);
    return true;
  }
  if (name == "FtpPassword") {
    error = "FtpPassword: use 'setup password' (read without echo)";
    return false;
  }
  error = fmt::sprintf("unknown setup field '%s'", name);
  return false;
}

int CSetupModel::Apply(Services& svc, CSetup& setup, const CSetupApplyHooks& hooks) {
  int changes = 0;
  CLogfile& log = svc.Log;
  auto text = [&](std::string& field, const std::string& value, const char* line) {
    if (field == value) return;
    log.Printf(line, field, value);
    field = value;
    ++changes;
  };
  auto time = [&](int64_t& field, int64_t value, const char* line, const char* format) {
    if (field == value) return;
    log.Printf(line, ShowTime(field, format), ShowTime(value, format));
    field = value;
    ++changes;
  };
  auto flag = [&](uint32_t mask, bool inverse, const char* line) {
    bool was = ((setup.SetupFlags & mask) != 0) != inverse;
    bool now = ((Values.SetupFlags & mask) != 0) != inverse;
    if (was == now) return;
    log.Printf(line, int(was), int(now));
    setup.SetFlag(mask, now != inverse);
    ++changes;
  };
  const CSetup& v = Values;
  text(setup.ScoreFileDirectory, v.ScoreFileDirectory, "Setup Computer: Score File Directory [%s]->[%s]\n");
  time(setup.PostFilesModifiedAfter, v.PostFilesModifiedAfter, "Setup Computer: Post Files Modified After [%s]->[%s]\n",
       "%m/%d/%Y %H:%M:%S");
  text(setup.HtmlLayout, v.HtmlLayout, "Setup Computer: HTML Layout [%s]->[%s]\n");
  text(setup.PdfLayout, v.PdfLayout, "Setup Computer: PDF Layout [%s]->[%s]\n");
  flag(setupflag::AutoFillHandRecords, false, "Setup Computer: Automatically fill the hand record field [%d]->[%d]\n");
  if (!EqualNoCase(setup.WebsiteUrl, v.WebsiteUrl)) {
    log.Printf("Setup Website: Website URL [%s]->[%s]\n", setup.WebsiteUrl, v.WebsiteUrl);
    setup.WebsiteUrl = v.WebsiteUrl;
    if (hooks.ClearIndexCreated) hooks.ClearIndexCreated();
    ++changes;
  }
  text(setup.IndexTemplateFilename, v.IndexTemplateFilename, "Setup Website: Index Template Filename [%s]->[%s]\n");
  text(setup.IndexFilename, v.IndexFilename, "Setup Website: Index Filename [%s]->[%s]\n");
  time(setup.OldestToIndex, v.OldestToIndex, "Setup Website: Oldest To Index [%s]->[%s]\n", "%m/%d/%Y");
  if (setup.DaysToIndex != v.DaysToIndex) {
    log.Printf("Setup Website: Days To Index [%d]->[%d]\n", setup.DaysToIndex, v.DaysToIndex);
    setup.DaysToIndex = v.DaysToIndex;
    ++changes;
  }
  text(setup.WebsiteScoreFileDirectory, v.WebsiteScoreFileDirectory, "Setup Website: Score File Directory [%s]->[%s]\n");
  text(setup.ScoreFileTemplateFilename, v.ScoreFileTemplateFilename,
       "Setup Website: Score File Template Filename [%s]->[%s]\n");
  flag(setupflag::MultiPageIndex, false, "Setup Website: Multi-page index [%d]->[%d]\n");
  flag(setupflag::LinkPdfHandRecords, false, "Setup Website: Link PDF hand records [%d]->[%d]\n");
  flag(setupflag::LinkComputerHandRecords, false, "Setup Website: Link computer hand records [%d]->[%d]\n");
  flag(setupflag::RebuildIndexAfterPosting, false,
       "Setup Website: Rebuild index from website after every posting [%d]->[%d]\n");
  text(setup.FtpServer, v.FtpServer, "Setup FTP: FTP Server [%s]->[%s]\n");
  {
    bool was = setup.IsBridgeWebs();
    bool now = setup.ServerIsBridgeWebs();
    if (was != now) {
      log.Printf("Setup FTP: (BridgeWebs?) [%d]->[%d]\n", int(was), int(now));
      setup.SetFlag(setupflag::IsBridgeWebs, now);
      ++changes;
    }
  }
  text(setup.FtpUser, v.FtpUser, "Setup FTP: FTP User [%s]->[%s]\n");
  if (Password != passwordStart_) {
    log.Write("Setup FTP: FTP Password changed\n");
    std::vector<uint8_t> block;
    uint32_t error = 0;
    if (hooks.Encrypt && hooks.Encrypt(Password, block, error)) {
      setup.FtpPassword = std::move(block);
      setup.FtpPasswordScheme = hooks.MachinePasswordScheme;
      ++changes;
    } else {
      setup.FtpPassword.clear();
      if (error)
        ReportSystemError(svc, error, "CTabulonixApp::OnSetupSetup: CTabulonixApp::Encrypt");
      else
        ShowMessage(svc, "Unable to save password: encryption problem", MbIcon::Information);
    }
  }
  std::fill(Password.begin(), Password.end(), '\0');
  Password.clear();
  text(setup.FtpDirectory, v.FtpDirectory, "Setup FTP: FTP Directory [%s]->[%s]\n");
  flag(setupflag::ActiveFtp, true, "Setup FTP: Passive FTP [%d]->[%d]\n");
  flag(setupflag::UploadToSubdirectories, false, "Setup FTP: Upload to subdirectories [%d]->[%d]\n");
  flag(setupflag::AlertNoBws, false, "Setup FTP: Alert No BWS [%d]->[%d]\n");

  if (changes > 0) {
    svc.Status.SendStatus("Setup: Saving changes");
    bool saved = hooks.SaveData && hooks.SaveData();
    std::string result = fmt::sprintf("Setup: Changes %ssaved", saved ? "" : "NOT ");
    svc.Status.SendStatus(result);
    log.Printf("%s\n", result);
  }
  return changes;
}

}  // namespace tx
