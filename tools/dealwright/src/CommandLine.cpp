#include "CommandLine.h"

#include <cctype>

#include <fmt/format.h>

#include "Failure.h"
#include "Text.h"
#include "Version.h"

namespace dw {
namespace {

[[noreturn]] void Usage(const std::string& what) {
  throw Failure(ExitCode::Usage, what + " (dealwright /help lists the switches)");
}

// "/quiet", "-quiet" and "--quiet" are switches; so is any "/word", but "/tmp/x.pbn" or
// "/x.pbn" is a path, since paths on this system start with a slash too.
std::optional<std::string> SwitchName(const std::string& arg) {
  if (arg.size() < 2) return std::nullopt;
  if (arg[0] == '-') return Lower(arg.substr(arg[1] == '-' ? 2 : 1));
  if (arg[0] != '/') return std::nullopt;
  const std::string rest = arg.substr(1);
  for (char c : rest)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '?') return std::nullopt;
  return Lower(rest);
}

}  // namespace

std::string UsageText() {
  return fmt::format(
      "{0} {1} - makes a results web page from a text score file and a PDF of the hand records.\n"
      "\n"
      "Usage:\n"
      "  dealwright [HANDRECORDS] [/quiet] [/sort] [/layout LAYOUT] [/dda] /pdf PDFFILE\n"
      "             [/layout LAYOUT] [/dda] /acbl SCOREFILE /html HTMLFILE\n"
      "\n"
      "  HANDRECORDS      the deals played: a PBN file (.pbn) or an online-play file (.lin)\n"
      "  /acbl SCOREFILE  the text score file to convert\n"
      "  /html HTMLFILE   the results page to write; a folder HTMLFILE-without-extension\n"
      "                   followed by \"_files\" is made beside it when the layout keeps the\n"
      "                   styles in a separate file\n"
      "  /pdf PDFFILE     the PDF of the hand records to write (needs HANDRECORDS)\n"
      "  /layout LAYOUT   layout file for the output that follows it: settings written as\n"
      "                   [Name \"value\"] lines. For pages: Stylesheet (inline, external, none),\n"
      "                   HandRecords (yes, no). For PDFs: BoardsPerPage (1 to 12), PaperSize\n"
      "                   (Letter, A4, Legal), Title, HighCardPoints (yes, no)\n"
      "  /dda             show the double-dummy table the hand record file carries, for the\n"
      "                   output that follows\n"
      "  /sort            order every ranking by rank instead of as the score file lists it\n"
      "  /quiet           say nothing on success\n"
      "  /version         print the version\n"
      "  /help            print this text\n"
      "\n"
      "Exit codes: 0 done; 1 command line error; 2 score file missing, unreadable or not a text\n"
      "score file; 3 hand record file missing, unreadable, damaged or of a kind that is not read\n"
      "(.dup, .dlm, .bri); 4 layout file missing, unreadable or with a bad setting; 5 an output\n"
      "cannot be written; 9 unexpected failure. Messages go to standard error.\n",
      kProductName, kVersion);
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  std::optional<std::filesystem::path> pendingLayout;
  bool pendingDda = false;
  auto value = [&](size_t& i, const std::string& sw) -> std::filesystem::path {
    if (i + 1 >= args.size()) Usage(fmt::format("The switch {} needs a file name after it.", sw));
    const std::string& v = args[++i];
    if (v.empty()) Usage(fmt::format("The file name after {} is empty.", sw));
    return std::filesystem::path(v);
  };
  auto output = [&](std::optional<Output>& slot, size_t& i, const std::string& sw) {
    if (slot) Usage(fmt::format("The switch {} is given twice.", sw));
    slot = Output{value(i, sw), pendingLayout, pendingDda};
    pendingLayout.reset();
    pendingDda = false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::optional<std::string> sw = SwitchName(arg);
    if (!sw) {
      if (arg.empty()) Usage("An empty argument was given.");
      if (cl.HandRecords)
        Usage(fmt::format("Only one hand record file can be given; \"{}\" is a second one.", arg));
      cl.HandRecords = std::filesystem::path(arg);
      continue;
    }
    if (*sw == "quiet") cl.Quiet = true;
    else if (*sw == "sort") cl.Sort = true;
    else if (*sw == "dda") pendingDda = true;
    else if (*sw == "layout") {
      if (pendingLayout) cl.Warnings.push_back(fmt::format("The layout \"{}\" is followed by another /layout; it is not used.", pendingLayout->string()));
      pendingLayout = value(i, arg);
    } else if (*sw == "pdf") output(cl.Pdf, i, arg);
    else if (*sw == "html") output(cl.Html, i, arg);
    else if (*sw == "acbl") {
      if (cl.ScoreFile) Usage("The switch /acbl is given twice.");
      cl.ScoreFile = value(i, arg);
    } else if (*sw == "version" || *sw == "v") cl.Version = true;
    else if (*sw == "help" || *sw == "?" || *sw == "h") cl.Help = true;
    else Usage(fmt::format("The switch \"{}\" is not known.", arg));
  }
  if (cl.Help || cl.Version) return cl;
  if (pendingLayout)
    cl.Warnings.push_back(fmt::format("The layout \"{}\" is not followed by /pdf or /html; it is not used.", pendingLayout->string()));
  if (cl.ScoreFile && !cl.Html) Usage("The switch /acbl needs /html HTMLFILE for the page to write.");
  if (!cl.Pdf && !cl.Html) Usage("Nothing to do: give /acbl SCOREFILE /html HTMLFILE, or /pdf PDFFILE with a hand record file.");
  if (cl.Pdf && !cl.HandRecords) Usage("The switch /pdf needs a hand record file.");
  if (cl.Html && !cl.ScoreFile && !cl.HandRecords) Usage("The switch /html needs a score file (/acbl SCOREFILE) or a hand record file.");
  if (cl.Pdf && cl.Html && std::filesystem::absolute(cl.Pdf->File) == std::filesystem::absolute(cl.Html->File))
    Usage("The PDF and the page cannot be written to the same file.");
  return cl;
}

}  // namespace dw
