#pragma once
// Create Index: builds the results index pages in the staging directory from the index data
// and the index template fetched from the website.
#include <string_view>

#include "web/IndexContext.h"

namespace tx {

constexpr std::string_view kIndexMarker = "<!--tabulonix:index-->";
constexpr std::string_view kIndexEndMarker = "<!--tabulonix:indexend-->";

// True when line, after leading blanks and tabs, is the index marker followed only by white
// space.
bool IsIndexMarkerLine(std::string_view line);

// 1 when every page was written (IndexCreated is then set), else 0 after the failure has been
// shown. Raises QuietAbort when the staging directory cannot be used.
int CreateIndexPage(CIndexContext& ctx);

}  // namespace tx
