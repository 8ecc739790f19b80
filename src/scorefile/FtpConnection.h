#pragma once
// What reading a score file needs of an open FTP connection. The transfer module implements
// it; this module never sees the transfer code.
#include <memory>
#include <string>

#include "scorefile/ScoreFile.h"

namespace tx {

class CFtpConnection {
 public:
  virtual ~CFtpConnection() = default;
  // Opens remotePath (forward slashes) for reading, binary or ASCII transfer. Raises the
  // transfer layer's CException (normally CInternetException) on failure.
  virtual std::unique_ptr<CScoreFileStream> OpenFile(const std::string& remotePath, bool binary) = 0;
};

}  // namespace tx
