#pragma once
// What the index operations (Create Index, Index Website, Publish Index) work on: the setup
// with its index data, the index working state, and the operations of other modules they
// call, injected so each operation can be driven alone.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "web/IndexData.h"

namespace tx {

class CFtpConnection;
class CScoreFile;
struct CSetup;
struct Services;

// The website as Index Website sees it: a login, a walk below the score file directory and
// remote files opened for reading. Every failing call has reported itself.
class IIndexSite {
 public:
  // name: the file's name; folder: its folder relative to the walk's start, "/" separated,
  // empty for the start. False stops the walk.
  using WalkCallback = std::function<bool(const std::string& name, const std::string& folder)>;

  virtual ~IIndexSite() = default;
  virtual bool Login() = 0;
  virtual bool SetCurrentDirectory(const std::string& directory) = 0;
  // Breadth-first: a folder's own files before those of its subfolders. False when stopped by
  // the callback or a listing failed.
  virtual bool WalkTree(const WalkCallback& callback) = 0;
  // The connection remote pages are read through, while logged in.
  virtual CFtpConnection* Connection() = 0;
  virtual void Disconnect() = 0;
};

struct CIndexHooks {
  // Fetches url into data; 1 on success, 0 after the fetch has reported its failure.
  std::function<int(const std::string& url, std::string& data)> Fetch;
  // The setup's staging directory; raises QuietAbort after it has shown its own message.
  std::function<std::string()> GetStagingDirectory;
  // Makes setup changes permanent.
  std::function<bool()> SaveData;
  // Shows an address or a local file in the browser view.
  std::function<void(const std::string& url)> Navigate;
  // A worker on the setup's FTP settings, not yet logged in.
  std::function<std::unique_ptr<IIndexSite>()> MakeSite;
  // Identify with ask on and no page name: 0 not identified (Skip), 1 identified, 2 Cancel.
  std::function<int(CScoreFile& page)> Identify;
  // The current time; the system clock when empty.
  std::function<int64_t()> Now;
};

struct CIndexContext {
  Services& Svc;
  CSetup& Setup;
  CIndexState& Index;
  CIndexHooks Hooks;

  int64_t CurrentTime() const;
};

// The uploads Publish Index makes: local file -> bare remote name; false after the failure
// has been reported.
using IndexUploadFn = std::function<bool(const std::string& localPath, const std::string& remoteName)>;

// url, one forward slash, then component with its backslashes turned into forward slashes.
std::string JoinSiteUrl(std::string url, std::string_view component);

}  // namespace tx
