#pragma once
// The Post Games driver: setup checks, discovery, confirmation, one posting per confirmed
// file, the upload history, the summary line and the index.
#include <string>

#include "app/PostContext.h"

namespace tx {

OperationResult PostGames(CPostContext& ctx, PostMode mode);

// The posting commands' closing status text: "Upload was unsuccessful", "Canceled" or none.
void ReportPostGamesResult(Services& svc, OperationResult result);

// Records PostedScoreFiles in the history (a record declared posted by hand gives way) and
// saves. Returns 1.
int RecordPostedScoreFiles(CPostContext& ctx);

// The summary line of a run; indexStatus 0..3.
std::string PostGamesSummary(int confirmed, int succeeded, int indexStatus);

}  // namespace tx
