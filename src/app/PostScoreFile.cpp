#include "app/PostScoreFile.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <fmt/printf.h>

#include "log/Logfile.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "scorefile/Setup.h"
#include "status/Report.h"
#include "status/Services.h"
#include "status/StatusChannel.h"
#include "web/ColScoreFile.h"
#include "web/IndexData.h"

namespace fs = std::filesystem;

namespace tx {

namespace {

// name without the extension of its file name part.
std::string WithoutExtension(const std::string& name) {
  std::string_view file = FileNamePart(name);
  size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return name;
  return name.substr(0, name.size() - (file.size() - dot));
}

std::string ExtensionOf(const std::string& name) {
  std::string_view file = FileNamePart(name);
  size_t dot = file.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(file.substr(dot));
}

OperationResult PostToBridgeWebs(CPostContext& ctx, CScoreFile& record) {
  Services& svc = ctx.Svc;
  std::string pageName = record.GetFileName();

  std::vector<CFormField> form;
  std::string password;
  if (ctx.Hooks.GetFtpPassword && !ctx.Hooks.GetFtpPassword(password)) password.clear();
  form.push_back({"club", ctx.Setup.FtpUser});
  form.push_back({"type", "upload"});
  form.push_back({"password", password});
  std::fill(password.begin(), password.end(), '\0');
  password.clear();

  svc.Status.SendStatus("Getting ACBLscore score file");
  std::string data;
  if (record.IsDataLoaded() && !record.Data.empty())
    data.assign(reinterpret_cast<const char*>(record.Data.data()), size_t(record.Size));
  else if (uint32_t code = ReadWholeFile(fs::path(record.Path), data)) {
    ReportSystemError(svc, code, "PostScoreFile: ReadWholeFile");
    return OperationResult::ResultFailed;
  }
  form.push_back({"acblname", pageName});
  form.push_back({"acbldata", std::move(data), true});

  svc.Status.SendStatus("Getting wireless scoring system database file");
  std::string bwsPath = ctx.Hooks.GetBwsPath ? ctx.Hooks.GetBwsPath(record) : std::string();
  std::string bws;
  uint32_t code = bwsPath.empty() ? err::FileNotFound : ReadWholeFile(fs::path(bwsPath), bws);
  while (code != 0 && ctx.Setup.AlertNoBws() && ctx.Hooks.AskWirelessDatabase) {
    std::string text = "Unable to open wireless scoring system database: " + GetErrorText(code);
    if (!ctx.Hooks.AskWirelessDatabase(code, text, bwsPath)) break;
    code = bwsPath.empty() ? err::FileNotFound : ReadWholeFile(fs::path(bwsPath), bws);
  }
  if (code != 0) {
    svc.Log.Printf("Unable to access BWS file=[%s]: %s\n", bwsPath, GetErrorText(code));
  } else {
    svc.Log.Printf("Uploading BWS file=[%s] %u bytes\n", bwsPath, bws.size());
    form.push_back({"bwsname", std::string(FileNamePart(bwsPath))});
    form.push_back({"bwsdata", std::move(bws), true});
  }

  svc.Status.SendStatus("Getting hand record file");
  if (!record.HandRecordPath.empty()) {
    std::string deal;
    if (uint32_t dealCode = ReadWholeFile(fs::path(record.HandRecordPath), deal)) {
      svc.Log.Printf("Unable to access hand record file=[%s]: %s\n", record.HandRecordPath, GetErrorText(dealCode));
    } else {
      svc.Log.Printf("Uploading hand record file=[%s] %d bytes\n", record.HandRecordPath, deal.size());
      form.push_back({"dealname", std::string(FileNamePart(record.HandRecordPath))});
      form.push_back({"dealdata", std::move(deal), true});
    }
  }

  std::string url = fmt::sprintf("http://%s", ctx.Setup.FtpServer);
  if (!ctx.Setup.FtpDirectory.empty()) url += fmt::sprintf("/%s", ctx.Setup.FtpDirectory);
  url += "/cgi-bin/upload/exchange.cgi";

  CFormPostOutcome outcome;
  if (ctx.Hooks.PostForm)
    outcome = ctx.Hooks.PostForm(url, form, pageName);
  else
    outcome.ErrorText = "The form post is not available.";
  for (CFormField& field : form)
    if (field.Name == "password") std::fill(field.Value.begin(), field.Value.end(), '\0');
  if (!outcome.ReplyPath.empty() && ctx.Hooks.Navigate) ctx.Hooks.Navigate("file://" + outcome.ReplyPath);
  if (!outcome.ErrorText.empty()) {
    svc.Log.LogLastStatus();
    svc.Log.Printf("Error=[%s]\n", outcome.ErrorText);
    ShowMessage(svc, outcome.ErrorText, MbIcon::Error);
    return OperationResult::ResultFailed;
  }
  if (outcome.Canceled) return OperationResult::ResultNone;
  return OperationResult::ResultSucceeded;
}

OperationResult UploadToWebsite(CPostContext& ctx, CScoreFile& record, IFtpUploader& worker,
                                CTemplateFile& templ) {
  Services& svc = ctx.Svc;
  const std::string pageName = templ.OutputName;
  if (ctx.Hooks.Navigate) ctx.Hooks.Navigate("file://" + templ.StagingPath);
  if (!worker.Login()) return OperationResult::ResultFailed;
  auto fail = [&worker] {
    worker.Disconnect();
    return OperationResult::ResultFailed;
  };
  if (!ctx.Setup.WebsiteScoreFileDirectory.empty() && !worker.SetCurrentDirectory(ctx.Setup.WebsiteScoreFileDirectory))
    return fail();

  // A copy: the entry is replaced after the posting, and the old names are what we remove.
  std::optional<CScoreFile> earlier;
  if (CScoreFile* entry = FindIndexEntry(ctx.Setup.IndexData, pageName)) earlier = *entry;

  if (!UploadPage(worker, templ.StagingPath, record.HtmlPath, pageName)) return fail();
  svc.Log.Printf("Uploaded results web page=[%s]->[%s]\n", templ.StagingPath, pageName);

  if (earlier) {
    if (!earlier->WebPageName.empty() && !EqualsNoCase(earlier->WebPageName, pageName))
      worker.RemoveFile(earlier->WebPageName);
    if (earlier->IsPdfUploaded()) worker.RemoveFile(earlier->GetRelatedName(".pdf"));
    if (earlier->IsHandRecordUploaded() && !earlier->HandRecordPath.empty())
      worker.RemoveFile(earlier->GetHandRecordUploadName());
  }
  if (ctx.Setup.LinkPdfHandRecords() && !record.PdfPath.empty()) {
    std::string remote = record.GetRelatedName(".pdf");
    if (!worker.UploadFile(record.PdfPath, remote)) return fail();
    record.SetPdfUploaded(true);
    svc.Log.Printf("Uploaded PDF hand record file=[%s]->[%s]\n", record.PdfPath, remote);
  }
  if (!record.HandRecordPath.empty()) {
    std::string remote = record.GetHandRecordUploadName();
    if (!worker.UploadFile(record.HandRecordPath, remote)) return fail();
    record.SetHandRecordUploaded(true);
    svc.Log.Printf("Uploaded computer hand record file=[%s]->[%s]\n", record.HandRecordPath, remote);
  }
  worker.Disconnect();
  ctx.Index.MarkMonthChanged(record);

  std::string url = ctx.Setup.WebsiteUrl;
  AppendUrlPath(url, ctx.Setup.WebsiteScoreFileDirectory);
  AppendUrlPath(url, pageName);
  if (ctx.Hooks.Navigate) ctx.Hooks.Navigate(url);
  return OperationResult::ResultSucceeded;
}

}  // namespace

void AppendUrlPath(std::string& url, std::string_view component) {
  if (component.empty()) return;
  std::string part(component);
  for (char& c : part)
    if (c == '\\') c = '/';
  if (!url.empty() && url.back() != '/') url += '/';
  url += part;
}

int UploadPage(IFtpUploader& worker, const std::string& localPage, const std::string& htmlPath,
               const std::string& remoteName) {
  if (!worker.UploadFile(localPage, remoteName)) return 0;
  std::string extension = ExtensionOf(htmlPath);
  if (!EqualsNoCase(extension, ".htm") && !EqualsNoCase(extension, ".html")) return 1;
  fs::path folder = fs::path(WithoutExtension(htmlPath) + "_files");
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return 1;
  std::string remoteFolder = WithoutExtension(remoteName) + "_files";
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_directory(ec)) continue;
    if (!worker.UploadFile(entry.path().string(), remoteFolder + "\\" + entry.path().filename().string())) return 0;
  }
  return 1;
}

OperationResult PostScoreFile(CPostContext& ctx, CScoreFile& record, IFtpUploader& worker,
                              CTemplateFile* templ) {
  Services& svc = ctx.Svc;
  if (!svc.Status.StatusPrintf("Posting score file '%s'", record.GetFileName())) return OperationResult::ResultNone;
  svc.Log.Printf("Posting score file=[%s] %u bytes\n", record.Path, record.Size);

  bool bridgeWebs = ctx.Setup.IsBridgeWebs();
  if (bridgeWebs) {
    const CScoreFile* previous = nullptr;
    PostedState state = IsPosted(record, &previous, &ctx.State.PostedScoreFiles, ctx.History);
    std::string message;
    if (state == PostedState::PostedBefore && previous)
      message = fmt::sprintf("A score file has been posted previously to the website.\r\n\r\nScore file: %s\r\nPosted: %s",
                             record.Path, previous->GetPostedText());
    int answer = ctx.Hooks.AskPostAnyway ? ctx.Hooks.AskPostAnyway(record, message) : 0;
    if (answer == 1) return OperationResult::ResultFailed;
    if (answer == 2) return OperationResult::ResultCanceled;
    record.SetPosted(record.GetFileName(), 0);
    ctx.State.PostedScoreFiles.push_back(&record);
  } else {
    if (!templ) return OperationResult::ResultFailed;
    OperationResult r = templ->Parse(false, &record);
    if (r != OperationResult::ResultSucceeded) return r;
    svc.Status.StatusPrintf("Dealwright is processing score file '%s'", record.GetFileName());
    if (ctx.Hooks.CreateWebFiles) ctx.Hooks.CreateWebFiles(record);
    r = templ->Parse(true, &record);
    if (r != OperationResult::ResultSucceeded) return r;
  }

  if (!svc.Status.SendStatus("Upload pending")) return OperationResult::ResultNone;
  return bridgeWebs ? PostToBridgeWebs(ctx, record) : UploadToWebsite(ctx, record, worker, *templ);
}

}  // namespace tx
