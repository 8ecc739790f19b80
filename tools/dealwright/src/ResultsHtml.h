#pragma once
// The results web page: the identification as header keys, the heading, the rankings and,
// when asked, the deal diagrams.
#include <string>

#include "Deal.h"
#include "Layout.h"
#include "ScoreFile.h"

namespace dw {

struct HtmlOptions {
  HtmlLayout Layout;
  bool Sort = false;         // rankings by rank instead of file order
  bool DoubleDummy = false;  // tables of makeable contracts under the diagrams
  std::string CssHref;       // the external stylesheet's address relative to the page
  std::string FallbackTitle; // when the score file names nothing
};

// The comment line the poster reads back when it indexes the site.
std::string HeaderKeysLine(const Identification& id);

// Either input may be absent, not both.
std::string MakeResultsHtml(const ScoreFileText* scores, const HandRecordSet* hands, const HtmlOptions& options);

// The page's styles, for the inline block and for the companion folder's file.
const std::string& ResultsCss();

}  // namespace dw
