// tabulonix-cli: the program's commands on a terminal.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fmt/printf.h>

#include "platform/Errors.h"
#include "platform/Version.h"
#include "ui/term/TermCommands.h"

namespace {

const char* kUsage =
    "usage: tabulonix-cli [OPTIONS] COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  post                 Post Games: post the new score files of the score file directory\n"
    "  post FILE...         post the named score files\n"
    "  repost               list every score file newer than the cut-off, posted or not\n"
    "  digest FILE...       each file's content digest and what the upload history holds for it\n"
    "  setup show           every setup field and flag (the password only as set or not set)\n"
    "  setup set NAME=VALUE...  change setup fields and flags (times as \"YYYY-MM-DD HH:MM:SS\")\n"
    "  setup password       read a new FTP password from standard input (no echo) and keep it\n"
    "  index-website        rebuild the index data from the pages on the website\n"
    "  create-index         make the index pages in the staging directory\n"
    "  publish-index        make the index pages and upload every one\n"
    "  history [--sort COLUMN] [--reverse] [--csv]\n"
    "                       the upload history (COLUMN: a heading such as Size, or its number)\n"
    "  history add [FILE...] [--all]\n"
    "                       declare new score files posted by hand (unnamed files are chosen\n"
    "                       in the list, or all of them with --all)\n"
    "  history remove ROW...  remove records, numbered as 'history' shows them\n"
    "  erase-history [--yes]  empty the upload history\n"
    "  logfile              print the logfile\n"
    "\n"
    "Options:\n"
    "  --setup FILE.tsu     the setup document to use (made by the first save when missing);\n"
    "                       without it, the last one used\n"
    "  --post-anyway=yes|all|no|cancel\n"
    "                       the answer to \"post anyway?\" questions (default: ask, or no)\n"
    "  --convert            convert an older setup document without asking\n"
    "  --import             import the previous version's setup without asking\n"
    "  --interactive        read answers from standard input even when it is not a terminal\n"
    "  --help               show this help\n"
    "  --version            show the program's version\n"
    "\n"
    "Exit status: 0 done, 1 something failed, 2 canceled (Ctrl-C), 64 usage error.\n";

bool TakeValue(const std::string& arg, const char* name, std::string& value) {
  const size_t n = std::strlen(name);
  if (arg.compare(0, n, name) != 0 || arg.size() <= n || arg[n] != '=') return false;
  value = arg.substr(n + 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tx::term;
  SessionOptions options;
  std::vector<std::string> args(argv + 1, argv + argc);
  size_t i = 0;
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return ExitOk;
    }
    if (arg == "--version") {
      fmt::printf("Tabulonix Version %s\n", tx::FormatProductVersion(tx::OwnProductVersion()));
      return ExitOk;
    }
    if (arg == "--setup" && i + 1 < args.size()) {
      options.SetupFile = args[++i];
    } else if (TakeValue(arg, "--setup", value)) {
      options.SetupFile = value;
    } else if (TakeValue(arg, "--post-anyway", value)) {
      if (value == "yes") options.Term.PostAnyway = tx::PostAnywayAnswer::Yes;
      else if (value == "all") options.Term.PostAnyway = tx::PostAnywayAnswer::YesToAll;
      else if (value == "no") options.Term.PostAnyway = tx::PostAnywayAnswer::No;
      else if (value == "cancel") options.Term.PostAnyway = tx::PostAnywayAnswer::Cancel;
      else return UsageError("--post-anyway takes yes, all, no or cancel");
    } else if (arg == "--convert") {
      options.Term.Convert = true;
    } else if (arg == "--import") {
      options.Term.Import = true;
    } else if (arg == "--interactive") {
      options.Term.Interactive = true;
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
  }
  if (i >= args.size()) return UsageError("no command given");
  const std::string command = args[i];
  const Args rest(args.begin() + long(i) + 1, args.end());
  try {
    if (command == "help") {
      std::fputs(kUsage, stdout);
      return ExitOk;
    }
    if (command == "post") return RunPost(options, rest, false);
    if (command == "repost") {
      if (!rest.empty()) return UsageError("repost takes no arguments");
      return RunPost(options, rest, true);
    }
    if (command == "digest") return RunDigest(options, rest);
    if (command == "setup") return RunSetup(options, rest);
    if (command == "logfile") {
      if (!rest.empty()) return UsageError("logfile takes no arguments");
      return RunLogfile(options);
    }
    if (command == "index-website" || command == "create-index" || command == "publish-index")
      return RunIndexCommand(options, command, rest);
    if (command == "history") return RunHistory(options, rest);
    if (command == "erase-history") return RunEraseHistory(options, rest);
  } catch (const tx::QuietAbort&) {
    return ExitFailed;
  } catch (const std::exception& e) {
    fmt::fprintf(stderr, "error: %s\n", e.what());
    return ExitFailed;
  }
  return UsageError("unknown command '" + command + "'");
}
