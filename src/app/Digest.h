#pragma once
// The content digest of files as the upload history computes it, for the command line.
#include <string>
#include <vector>

namespace tx {

class CColScoreFile;
struct Services;

// One line per file: "<hex digest>  <path>", followed by what the history holds for that
// content ("  posted <time> as <page>" or "  added by hand"); a file that cannot be read
// gives "<path>: <error text>". Game files (.acm .aca .ace .acl) are digested as bytes,
// every other file as a text score file. ok is cleared when any file could not be read.
std::vector<std::string> Digest(Services& services, const std::vector<std::string>& files,
                                CColScoreFile& history, bool* ok = nullptr);

}  // namespace tx
