#pragma once
// The setup record: the configuration of one club website, plus the program state that
// travels with it (last hand record folder, last publish time, staging name, index data).
#include <cstdint>
#include <string>
#include <vector>

#include "scorefile/ScoreFile.h"

namespace tx {

class CArchive;

constexpr uint32_t kCurrentSetupSchema = 10;
constexpr const char* kDefaultScoreFileDirectory = "C:\\ACBLSCOR\\GAMEFILE";

// The BridgeWebs service's host name; TABULONIX_BRIDGEWEBS_HOST replaces it (tests, proxies).
std::string BridgeWebsHost();

namespace setupflag {
constexpr uint32_t IsBridgeWebs = 0x1;
constexpr uint32_t AlertNoBws = 0x2;
constexpr uint32_t LinkComputerHandRecords = 0x4;
constexpr uint32_t ActiveFtp = 0x8;  // PassiveFtp is the inverse
constexpr uint32_t LinkPdfHandRecords = 0x10;
constexpr uint32_t RebuildIndexAfterPosting = 0x20;
constexpr uint32_t UploadToSubdirectories = 0x40;
constexpr uint32_t MultiPageIndex = 0x100;
constexpr uint32_t AutoFillHandRecords = 0x200;
constexpr uint32_t Known = 0x37F;  // bits 7 and 10..31 are written as 0
}  // namespace setupflag

struct CSetup {
  // Stored fields, in the order of the current layout.
  std::string ScoreFileDirectory = kDefaultScoreFileDirectory;
  int64_t PostFilesModifiedAfter = 0;
  std::string LastHandRecordDirectory;
  uint32_t LastHandRecordFilterIndex = 0;
  std::string HtmlLayout;
  std::string PdfLayout;
  int64_t LastPublishTime = 0;
  std::string StagingDirectoryName;
  std::string WebsiteUrl;
  std::string IndexTemplateFilename;
  std::string IndexFilename;
  int64_t OldestToIndex = 0;
  uint32_t DaysToIndex = 0;
  std::string WebsiteScoreFileDirectory;
  std::string ScoreFileTemplateFilename;
  std::string FtpServer;
  std::string FtpUser;
  std::string FtpDirectory;
  uint32_t SetupFlags = 0;
  uint32_t FtpPasswordScheme = 0;
  std::vector<uint8_t> FtpPassword;           // protected form only, never the plain text
  std::vector<CScoreFile> LegacyHistoryList;  // only read from older layouts; written empty
  std::vector<CScoreFile> IndexData;

  // Flag readers.
  bool IsBridgeWebs() const { return SetupFlags & setupflag::IsBridgeWebs; }
  bool AlertNoBws() const { return SetupFlags & setupflag::AlertNoBws; }
  bool LinkComputerHandRecords() const { return SetupFlags & setupflag::LinkComputerHandRecords; }
  bool PassiveFtp() const { return !(SetupFlags & setupflag::ActiveFtp); }
  bool LinkPdfHandRecords() const { return SetupFlags & setupflag::LinkPdfHandRecords; }
  bool RebuildIndexAfterPosting() const { return SetupFlags & setupflag::RebuildIndexAfterPosting; }
  bool UploadToSubdirectories() const { return SetupFlags & setupflag::UploadToSubdirectories; }
  bool MultiPageIndex() const { return SetupFlags & setupflag::MultiPageIndex; }
  bool AutoFillHandRecords() const { return SetupFlags & setupflag::AutoFillHandRecords; }
  void SetFlag(uint32_t mask, bool on) { SetupFlags = on ? (SetupFlags | mask) : (SetupFlags & ~mask); }

  // Back to the defaults; LastPublishTime and StagingDirectoryName are kept.
  void ResetSetup(uint32_t machinePasswordScheme);

  // True when FtpServer names the BridgeWebs host (letter case ignored, blanks count).
  bool ServerIsBridgeWebs() const;
};

}  // namespace tx
