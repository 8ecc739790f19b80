#include "shell/PostHooks.h"

#include "app/Discovery.h"
#include "net/FTPWorker.h"
#include "net/FtpSettings.h"
#include "net/GetURL.h"
#include "net/HTPost.h"
#include "platform/Errors.h"
#include "scorefile/HandRecords.h"
#include "scorefile/Naming.h"
#include "scorefile/WebFiles.h"
#include "scorefile/WirelessDialog.h"
#include "status/Services.h"
#include "status/Ui.h"
#include "store/Password.h"
#include "store/TempFiles.h"
#include "ui/ConfirmModel.h"
#include "web/StagingFile.h"

namespace tx {

namespace {

class CFtpUploader : public IFtpUploader {
 public:
  CFtpUploader(Services& services, const CSetup& setup) : worker_(services, FtpSettingsFromSetup(setup)) {}
  bool Login() override { return worker_.Login() != 0; }
  bool SetCurrentDirectory(const std::string& directory) override {
    return worker_.SetCurrentDirectory(directory) != 0;
  }
  bool UploadFile(const std::string& localPath, const std::string& remoteName) override {
    return worker_.UploadFile(localPath, remoteName) != 0;
  }
  bool RemoveFile(const std::string& remoteName) override { return worker_.RemoveFile(remoteName) != 0; }
  void Disconnect() override { worker_.Disconnect(); }

 private:
  CFTPWorker worker_;
};

// The converter's results go into the page being merged.
class CStagingResultsWriter : public IResultsWriter {
 public:
  explicit CStagingResultsWriter(CStagingFile& page) : page_(page) {}
  void WriteText(std::string_view text) override { page_.Write(text); }
  void WriteBytes(std::string_view bytes) override { page_.WriteRaw(bytes); }

 private:
  CStagingFile& page_;
};

}  // namespace

std::unique_ptr<IFtpUploader> MakeFtpUploader(Services& services, const CSetup& setup) {
  return std::make_unique<CFtpUploader>(services, setup);
}

CFormPostOutcome PostFormToService(Services& services, CTempPaths& temp, const std::string& url,
                                   const std::vector<CFormField>& form, const std::string& pageName) {
  CFormPostOutcome outcome;
  CFormBody body;
  for (const CFormField& field : form) {
    if (field.IsFileData)
      body.AddBytes(field.Name, field.Value);
    else
      body.AddText(field.Name, field.Value);
  }
  std::string encoded = body.Body();
  std::filesystem::path replyPath;
  if (!GetTempFile(services, temp, {}, "TBr", ".htm", replyPath)) {
    WipeString(encoded);
    outcome.ErrorText = GetErrorText(err::CannotMake);
    return outcome;
  }
  CHTPost post(services);
  try {
    post.InitPost(pageName, url, "", encoded, replyPath);
  } catch (const CException& e) {
    WipeString(encoded);
    outcome.ErrorText = e.what();
    return outcome;
  }
  WipeString(encoded);  // the worker has its own copy
  post.Wait();
  outcome.ReplyPath = post.ReplyPath().string();
  switch (post.GetOutcome()) {
    case CHTPost::Outcome::Succeeded: break;
    case CHTPost::Outcome::Canceled: outcome.Canceled = true; break;
    default: outcome.ErrorText = post.ErrorText().value_or("The form post failed."); break;
  }
  return outcome;
}

CPostHooks MakeRealPostHooks(Services& services, AppData& data, CPostingState& posting, CTempPaths& temp) {
  CSetup& setup = data.Setup;
  auto saveData = [&services, &data] { return SaveData(services, data); };
  CPostHooks hooks;

  hooks.FindNewScoreFiles = [&services, &data](CSFPtrArray& list, PostMode mode) {
    return FindNewScoreFiles(services, data.Setup, list, mode, data.History);
  };
  hooks.OpenScoreFilesForPosting = [&services, &setup](CSFPtrArray& list) {
    return OpenScoreFilesForPosting(services, setup, list);
  };
  hooks.ConfirmPosting = [&services, &setup](CSFPtrArray& list) {
    CConfirmModel model(
        list, ConfirmMode::ConfirmPosting,
        [&services, &setup](CScoreFile& record, bool automatic) {
          return SelectHandRecords(record, services, setup, automatic);
        },
        setup.AutoFillHandRecords());
    return RunConfirmDialog(services.Ui, model);
  };
  hooks.AskPostAnyway = [&services, &posting](CScoreFile& record, const std::string& message) {
    bool ask = posting.AskBeforePosting != 0;
    PostAnyway answer = AskPostAnyway(services, record, message, ask);
    posting.AskBeforePosting = ask ? 1 : 0;
    return int(answer);
  };

  CTemplateHooks& templ = hooks.Template;
  templ.Fetch = [&services](const std::string& url, std::string& body) {
    return GetURL(services, url, body) == OperationResult::ResultSucceeded ? 1 : 0;
  };
  templ.GetTempFile = [&services, &temp](const std::string& prefix, const std::string& extension,
                                         std::string& path) -> uint32_t {
    std::filesystem::path made;
    if (!GetTempFile(services, temp, {}, prefix, extension, made)) return err::CannotMake;
    path = made.string();
    return 0;
  };
  templ.Identify = [&services](CScoreFile& record, std::string& pageName) {
    return int(Identify(record, services, true, &pageName));
  };
  templ.WriteResults = [](CScoreFile& record, CStagingFile& page) {
    CStagingResultsWriter writer(page);
    WriteResults(record, writer);
  };

  hooks.MakeUploader = [&services, &setup] { return MakeFtpUploader(services, setup); };
  hooks.CreateWebFiles = [&services, &setup, &temp](CScoreFile& record) {
    return CreateWebFiles(record, services, setup, temp);
  };
  hooks.GetBwsPath = [](const CScoreFile& record) { return record.GetBwsPath(); };
  hooks.GetFtpPassword = [&services, &setup](std::string& password) {
    return GetFtpPassword(services, setup.FtpPasswordScheme, setup.FtpPassword, password);
  };
  hooks.PostForm = [&services, &temp](const std::string& url, const std::vector<CFormField>& form,
                                      const std::string& pageName) {
    return PostFormToService(services, temp, url, form, pageName);
  };
  hooks.AskWirelessDatabase = [&services, &setup, saveData](uint32_t code, const std::string& text,
                                                            std::string& path) {
    CWirelessDialogModel model(setup, [saveData] { saveData(); });
    model.ErrorCode = int32_t(code == 0 ? 0u : 0x80070000u | (code & 0xFFFFu));
    model.Message = text;
    model.Path = path;
    if (services.Ui.WirelessDatabase(model) != WirelessAnswer::TryAgain) return false;
    path = model.Path;
    return true;
  };
  hooks.SaveData = saveData;
  return hooks;
}

}  // namespace tx
