#include "ui/term/TermCommands.h"

#include <cstdio>
#include <fmt/printf.h>

#include "app/SetupDocument.h"
#include "platform/Errors.h"
#include "platform/Terminal.h"
#include "store/Password.h"
#include "ui/SetupModel.h"

namespace tx::term {

int UsageError(const std::string& text) {
  std::fprintf(stderr, "tabulonix-cli: %s\n(tabulonix-cli --help shows the commands)\n", text.c_str());
  return ExitUsage;
}

int RunPost(const SessionOptions& options, const Args& files, bool repost) {
  SessionOptions opts = options;
  opts.Term.OpenFiles = files;
  CTermSession session(opts);
  if (!session.Start(true)) return ExitFailed;
  CTabulonixApp& app = session.App();
  const OperationResult result = !files.empty() ? app.OnPost() : repost ? app.OnRepost() : app.OnPostGames(false);
  const CPostingState& run = app.LastRun();
  int status = ExitOk;
  if (result == OperationResult::ResultCanceled)
    status = ExitCanceled;
  else if (result == OperationResult::ResultFailed || run.Confirmed < 0 || run.Succeeded < run.Confirmed ||
           run.IndexStatus == 2)
    status = ExitFailed;
  return CTermSession::Finish(status);
}

int RunDigest(const SessionOptions& options, const Args& files) {
  if (files.empty()) return UsageError("digest needs at least one FILE");
  CTermSession session(options);
  if (!session.Start(false)) return ExitFailed;
  bool ok = true;
  for (const std::string& line : session.App().Digest(files, ok)) std::printf("%s\n", line.c_str());
  return ok ? ExitOk : ExitFailed;
}

int RunLogfile(const SessionOptions& options) {
  CTermSession session(options);
  std::string bytes;
  if (uint32_t error = session.Log().ReadContent(bytes)) {
    fmt::fprintf(stderr, "error: %s: %s\n", session.Log().GetPath().string(), GetErrorText(error));
    return ExitFailed;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  return ExitOk;
}

namespace {

int SetupShow(CTermSession& session) {
  CTabulonixApp& app = session.App();
  const CSetup& setup = app.Setup();
  const std::string& path = app.Document().GetPath().string();
  std::printf("%-26s %s\n", "Setup document", path.empty() ? "(none; name one with --setup FILE.tsu)" : path.c_str());
  for (const std::string& name : CSetupModel::FieldNames())
    std::printf("%-26s %s\n", name.c_str(), CSetupModel::GetByName(setup, name).c_str());
  std::printf("%-26s %s\n", "FtpPassword", setup.FtpPassword.empty() ? "not set" : "set");
  std::printf("%-26s %d\n", "IsBridgeWebs", setup.IsBridgeWebs() ? 1 : 0);
  return ExitOk;
}

int SetupSet(CTermSession& session, const Args& assignments) {
  if (assignments.empty()) return UsageError("setup set needs NAME=VALUE arguments");
  CTabulonixApp& app = session.App();
  CSetupModel model(app.Setup(), 0);
  for (const std::string& a : assignments) {
    const size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) return UsageError(fmt::format("'{}' is not NAME=VALUE", a));
    std::string error;
    if (!model.SetByName(a.substr(0, eq), a.substr(eq + 1), error)) {
      std::fprintf(stderr, "error: %s\n", error.c_str());
      return ExitFailed;
    }
  }
  bool saved = true;
  const int changes = app.ApplySetup(model, &saved);
  if (changes == 0) std::fprintf(stderr, "Setup: no changes\n");
  return saved ? ExitOk : ExitFailed;
}

int SetupPassword(CTermSession& session) {
  CTabulonixApp& app = session.App();
  CSetupModel model(app.Setup(), 0);
  std::string first, second;
  const bool terminal = StdinIsTerminal();
  if (terminal) std::fprintf(stderr, "New FTP password: ");
  bool read = ReadStdinLine(first, false);
  if (terminal) std::fputc('\n', stderr);
  if (read && terminal) {
    std::fprintf(stderr, "Again: ");
    read = ReadStdinLine(second, false);
    std::fputc('\n', stderr);
    if (read && second != first) {
      WipeString(first);
      WipeString(second);
      std::fprintf(stderr, "error: the passwords do not match; nothing changed\n");
      return ExitFailed;
    }
  }
  WipeString(second);
  if (!read) {
    std::fprintf(stderr, "error: no password given on standard input; nothing changed\n");
    return ExitFailed;
  }
  model.Password = first;
  WipeString(first);
  bool saved = true;
  app.ApplySetup(model, &saved);
  return saved ? ExitOk : ExitFailed;
}

}  // namespace

int RunSetup(const SessionOptions& options, const Args& args) {
  if (args.empty()) return UsageError("setup needs show, set or password");
  const std::string& sub = args.front();
  if (sub != "show" && sub != "set" && sub != "password") return UsageError("unknown setup command '" + sub + "'");
  if (sub != "set" && args.size() > 1) return UsageError("setup " + sub + " takes no arguments");
  CTermSession session(options);
  if (!session.Start(false)) return ExitFailed;
  if (sub == "show") return SetupShow(session);
  if (sub == "set") return SetupSet(session, Args(args.begin() + 1, args.end()));
  return SetupPassword(session);
}

int RunIndexCommand(const SessionOptions& options, const std::string& command, const Args& args) {
  if (!args.empty()) return UsageError(fmt::format("{} takes no arguments", command));
  CTermSession session(options);
  if (!session.Start(false)) return ExitFailed;
  CTabulonixApp& app = session.App();
  if (app.Setup().IsBridgeWebs()) {
    std::fprintf(stderr, "error: %s is not available in BridgeWebs mode\n", command.c_str());
    return ExitFailed;
  }
  bool ok = false;
  if (command == "index-website")
    ok = app.IndexWebsite();
  else if (command == "create-index")
    ok = app.CreateIndex();
  else
    // The index made by an earlier run is not known to this one: make it again, then publish
    // every page.
    ok = app.CreateIndex() && app.PublishIndex(true);
  return CTermSession::Finish(ok ? ExitOk : ExitFailed);
}

}  // namespace tx::term
