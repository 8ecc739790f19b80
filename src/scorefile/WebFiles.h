#pragma once
// Turning a score file into its web files with the converter, and writing the results into
// the page being merged.
#include <string_view>

namespace tx {

class CScoreFile;
class CTempPaths;
struct CSetup;
struct Services;

// Where WriteResults puts the results: the page being merged.
class IResultsWriter {
 public:
  virtual ~IResultsWriter() = default;
  // Text (UTF-8 in memory); the writer converts it for the page.
  virtual void WriteText(std::string_view text) = 0;
  // Bytes written as they are.
  virtual void WriteBytes(std::string_view bytes) = 0;
};

// Runs the converter on the record (HTML into a new "TBm" temporary folder, PDF into a "TBm"
// .pdf file when hand records are linked as PDF). True when it ran and exited with 0; then
// HtmlPath and PdfPath are set. A cancel while it runs gives false and leaves it running.
// A temporary folder that cannot be made ends the operation (QuietAbort).
bool CreateWebFiles(CScoreFile& record, Services& services, const CSetup& setup, CTempPaths& temp);

// The body of the converter's HTML, or without one the score file's text in a <pre> block.
// Raises CInvalidArgException without contents and CFileException when the HTML cannot be read.
void WriteResults(const CScoreFile& record, IResultsWriter& writer);

}  // namespace tx
