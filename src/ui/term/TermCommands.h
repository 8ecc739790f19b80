#pragma once
// The terminal front end's commands. Each returns the process's exit status.
#include <string>
#include <vector>

#include "ui/term/TermSession.h"

namespace tx::term {

using Args = std::vector<std::string>;

int RunPost(const SessionOptions& options, const Args& files, bool repost);
int RunDigest(const SessionOptions& options, const Args& files);
int RunSetup(const SessionOptions& options, const Args& args);
int RunLogfile(const SessionOptions& options);
int RunIndexCommand(const SessionOptions& options, const std::string& command, const Args& args);
int RunHistory(const SessionOptions& options, const Args& args);
int RunEraseHistory(const SessionOptions& options, const Args& args);

// Prints a usage error and returns ExitUsage.
int UsageError(const std::string& text);

}  // namespace tx::term
