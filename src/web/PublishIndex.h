#pragma once
// Publish Index and the Create Index / Publish Index commands: uploading the local index pages
// of the last Create Index to the website.
#include "web/IndexContext.h"

namespace tx {

// Uploads every page (allPages) or only the main page, the by-month page and the month pages
// of the changed months, in list order. On success empties ChangedMonths and saves the new
// LastPublishTime. Nonzero on success, 0 on failure (nothing after a failed upload).
int PublishIndex(CIndexContext& ctx, const IndexUploadFn& upload, bool allPages);

// The Create Index command: creates the pages, shows the local main page and reports
// "Create Index complete" or "Create Index failed".
bool CreateIndexCommand(CIndexContext& ctx);

// The Publish Index command: every page, inside the busy state.
bool PublishIndexCommand(CIndexContext& ctx, const IndexUploadFn& upload);

}  // namespace tx
