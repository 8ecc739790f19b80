#pragma once
// What a posting run works with: the application's state it reads and writes, and the
// operations of other modules it calls, injected so the run can be driven with fakes.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scorefile/ScoreFile.h"
#include "status/OperationResult.h"
#include "web/TemplateFile.h"

namespace tx {

class CColScoreFile;
struct CIndexState;
struct CSetup;
struct Services;

// The FTP operations a posting needs; each failing call has reported itself.
class IFtpUploader {
 public:
  virtual ~IFtpUploader() = default;
  virtual bool Login() = 0;
  virtual bool SetCurrentDirectory(const std::string& directory) = 0;
  virtual bool UploadFile(const std::string& localPath, const std::string& remoteName) = 0;
  virtual bool RemoveFile(const std::string& remoteName) = 0;
  virtual void Disconnect() = 0;
};

// One form field: its name and the value's bytes; files also carry their name. Text values
// are sent in the service's character set, file contents as they are.
struct CFormField {
  std::string Name;
  std::string Value;
  bool IsFileData = false;
};

struct CFormPostOutcome {
  bool Canceled = false;
  std::string ErrorText;  // empty on success
  std::string ReplyPath;  // the service's reply on disk, when any
};

// The index operations that follow a posting run.
class IIndexOperations {
 public:
  virtual ~IIndexOperations() = default;
  virtual bool IndexWebsite() = 0;
  virtual bool CreateIndexPage() = 0;
  virtual bool PublishIndex(IFtpUploader& worker, bool publishAll) = 0;
};

struct CPostHooks {
  // Discovery (candidate list appended to).
  std::function<OperationResult(CSFPtrArray& list, PostMode mode)> FindNewScoreFiles;
  std::function<OperationResult(CSFPtrArray& list)> OpenScoreFilesForPosting;
  // The Confirm Posting dialog: true for OK (Selected flags set by the user).
  std::function<bool(CSFPtrArray& list)> ConfirmPosting;
  // 0 post, 1 skip, 2 cancel the run.
  std::function<int(CScoreFile& record, const std::string& message)> AskPostAnyway;
  // The hooks the run's template is made with.
  CTemplateHooks Template;
  std::function<std::unique_ptr<IFtpUploader>()> MakeUploader;
  std::function<bool(CScoreFile& record)> CreateWebFiles;
  std::function<std::string(const CScoreFile& record)> GetBwsPath;
  // The decrypted FTP password; false after it has shown its own message.
  std::function<bool(std::string& password)> GetFtpPassword;
  std::function<CFormPostOutcome(const std::string& url, const std::vector<CFormField>& form,
                                 const std::string& pageName)>
      PostForm;
  // Asks for the wireless database again: true with a new path for "Try Again".
  std::function<bool(uint32_t code, const std::string& text, std::string& path)> AskWirelessDatabase;
  // Shows an address in the browser view (never from its cache).
  std::function<void(const std::string& url)> Navigate;
  // Makes setup and history changes permanent.
  std::function<bool()> SaveData;
  std::function<void()> Beep;
  IIndexOperations* Index = nullptr;
};

// Application state a run changes besides the history and the index data.
struct CPostingState {
  std::vector<CScoreFile*> PostedScoreFiles;  // not owned
  int AskBeforePosting = 1;
  // How the last run ended, for front ends that report it beyond the summary line: the
  // confirmed and posted counts and the index status (0 none, 1 not attempted, 2 failed,
  // 3 succeeded). A caller may set Confirmed to -1 to learn that the setup checks stopped the run.
  int Confirmed = 0;
  int Succeeded = 0;
  int IndexStatus = 0;
};

struct CPostContext {
  Services& Svc;
  CSetup& Setup;
  CColScoreFile& History;
  CIndexState& Index;
  CPostingState& State;
  CPostHooks Hooks;
};

// Joins a URL and a path component with one forward slash; backslashes of the component
// become forward slashes.
void AppendUrlPath(std::string& url, std::string_view component);

}  // namespace tx
