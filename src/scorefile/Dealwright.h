#pragma once
// Finding the companion converter, asking its version, and its command line.
#include <filesystem>
#include <string>

#include "platform/Version.h"

namespace tx {

// TABULONIX_DEALWRIGHT when set (double quotes removed from both ends), else "dealwright" on
// PATH. False when neither gives a program.
bool GetDealwrightPath(std::string& path);

// Runs the converter with "/version" (bounded in time) and reads the product version it
// prints, e.g. "Dealwright 5.22.0.0". False when it cannot be run or prints no version.
bool GetDealwrightVersion(const std::string& program, ProductVersion& version);

struct DealwrightJob {
  std::string Program;
  std::string HandRecordPath;  // empty: none
  std::string PdfPath;         // empty: no PDF wanted
  std::string PdfLayout;
  std::string HtmlLayout;
  std::string ScoreFilePath;
  std::string HtmlPath;
};

// The Windows-style command line; every path and layout between double quotes.
std::string DealwrightCommandLine(const DealwrightJob& job);

}  // namespace tx
