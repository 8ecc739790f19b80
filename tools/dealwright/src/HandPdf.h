#pragma once
// The PDF of the hand records: deal diagrams, several to a page.
#include <string>

#include "Deal.h"
#include "Layout.h"

namespace dw {

struct PdfOptions {
  PdfLayout Layout;
  bool DoubleDummy = false;
  std::string FallbackTitle;
};

// Returns the PDF's bytes; raises Failure(Internal) when the drawing library fails.
std::string MakeHandRecordPdf(const HandRecordSet& set, const PdfOptions& options);

// Frees the font caches the drawing library keeps for the life of the process; call once, at exit.
void ReleaseDrawingLibraries();

}  // namespace dw
