#include "web/IndexSiteFtp.h"

#include <cstring>

#include "net/FtpSettings.h"
#include "scorefile/FtpConnection.h"

namespace tx {

namespace {

// A remote file read whole on open, then handed out in pieces.
class CMemoryStream : public CScoreFileStream {
 public:
  explicit CMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t n) override {
    size_t k = std::min(n, bytes_.size() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, k);
    pos_ += k;
    return k;
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

class CFtpIndexSite : public IIndexSite, public CFtpConnection {
 public:
  CFtpIndexSite(Services& services, const CSetup& setup)
      : own_(std::make_unique<CFTPWorker>(services, FtpSettingsFromSetup(setup))), worker_(*own_) {}
  explicit CFtpIndexSite(CFTPWorker& worker) : worker_(worker) {}

  bool Login() override { return worker_.Login() != 0; }
  bool SetCurrentDirectory(const std::string& directory) override {
    return worker_.SetCurrentDirectory(directory) != 0;
  }
  bool WalkTree(const WalkCallback& callback) override {
    return worker_.WalkTree([&](CFTPWorker&, const FtpFileInfo& file, const std::string& directory) {
      return callback(file.Name, directory);
    }) != 0;
  }
  CFtpConnection* Connection() override { return this; }
  void Disconnect() override { worker_.Disconnect(); }

  std::unique_ptr<CScoreFileStream> OpenFile(const std::string& remotePath, bool binary) override {
    std::string bytes;
    worker_.DownloadFile(remotePath, !binary, bytes);
    return std::make_unique<CMemoryStream>(std::move(bytes));
  }

 private:
  std::unique_ptr<CFTPWorker> own_;
  CFTPWorker& worker_;
};

}  // namespace

std::unique_ptr<IIndexSite> MakeFtpIndexSite(Services& services, const CSetup& setup) {
  return std::make_unique<CFtpIndexSite>(services, setup);
}

std::unique_ptr<IIndexSite> MakeFtpIndexSite(CFTPWorker& worker) { return std::make_unique<CFtpIndexSite>(worker); }

}  // namespace tx

namespace tx {
ReadIndexPageFn MakeIndexPageReader(Services& services) {
  return [&services](CScoreFile& page, const std::string& remotePath, CFtpConnection* connection) {
    return page.Open(services, remotePath, connection, true, false) && page.Parse(services, true);
  };
}
}  // namespace tx
