#pragma once
// Finding the score files to post: a scan of the score file directory for files newer than
// the cut-off and not yet posted, or the user's own choice; and the question put before a
// stale or already posted file is posted.
#include <cstdint>
#include <string>

#include "status/OperationResult.h"

namespace tx {

class CColScoreFile;
class CScoreFile;
class CSFPtrArray;
struct CSetup;
struct Services;

// Appends the files of ScoreFileDirectory modified after PostFilesModifiedAfter, opened,
// parsed and digested. PostNew drops files the history holds; Repost lists them unchecked.
OperationResult FindNewScoreFiles(Services& services, const CSetup& setup, CSFPtrArray& list,
                                  PostMode mode, CColScoreFile& history);

// Appends the files the user picks in the open-file dialog (kept even when they cannot be read).
OperationResult OpenScoreFilesForPosting(Services& services, const CSetup& setup, CSFPtrArray& list);

enum class PostAnyway : int { Post = 0, Skip = 1, Cancel = 2 };

// Files older than this many seconds are questioned.
inline constexpr int64_t FourHours = 14400;

// Asks whether to post the file anyway (message: the caller's reason, or empty to ask only
// about a file more than four hours old). Yes to All clears askBeforePosting for the rest of
// the run. now: the current time (0: the clock).
PostAnyway AskPostAnyway(Services& services, const CScoreFile& record, std::string message,
                         bool& askBeforePosting, int64_t now = 0);

}  // namespace tx
