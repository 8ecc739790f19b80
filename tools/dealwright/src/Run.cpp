#include "Run.h"

#include <cctype>
#include <exception>
#include <memory>
#include <ostream>

#include <fmt/format.h>

#include "CommandLine.h"
#include "Failure.h"
#include "FileIo.h"
#include "HandPdf.h"
#include "HandRecords.h"
#include "Layout.h"
#include "ResultsHtml.h"
#include "ScoreFile.h"
#include "Version.h"

namespace dw {
namespace fs = std::filesystem;
namespace {

std::string PercentEncode(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') out += char(c);
    else out += fmt::format("%{:02X}", c);
  }
  return out;
}

std::unique_ptr<LayoutSettings> LoadLayout(const std::optional<fs::path>& path, std::vector<std::string>& warnings) {
  if (!path) return nullptr;
  return std::make_unique<LayoutSettings>(ReadLayout(*path, warnings));
}

int Convert(const CommandLine& cl, std::ostream& out, std::vector<std::string>& warnings) {
  const auto pdfSettings = LoadLayout(cl.Pdf ? cl.Pdf->Layout : std::nullopt, warnings);
  const auto htmlSettings = LoadLayout(cl.Html ? cl.Html->Layout : std::nullopt, warnings);
  const PdfLayout pdfLayout = MakePdfLayout(pdfSettings.get(), warnings);
  const HtmlLayout htmlLayout = MakeHtmlLayout(htmlSettings.get(), warnings);

  const bool handsNeeded = cl.Pdf || (cl.Html && (htmlLayout.HandRecords || !cl.ScoreFile));
  std::optional<HandRecordSet> hands;
  if (cl.HandRecords && handsNeeded) {
    hands = ReadHandRecords(*cl.HandRecords, warnings);
  } else if (cl.HandRecords) {
    std::error_code ec;
    if (!fs::is_regular_file(*cl.HandRecords, ec))
      warnings.push_back(fmt::format("The hand record file \"{}\" is not there; nothing needs it.", cl.HandRecords->string()));
  }
  std::optional<ScoreFileText> scores;
  if (cl.ScoreFile) scores = ReadScoreFile(*cl.ScoreFile, warnings);

  OutputSet outputs;
  std::vector<std::string> made;
  if (cl.Pdf) {
    PdfOptions po{pdfLayout, cl.Pdf->DoubleDummy, cl.HandRecords->stem().string()};
    outputs.Add(cl.Pdf->File, MakeHandRecordPdf(*hands, po));
    made.push_back(cl.Pdf->File.string());
  }
  if (cl.Html) {
    const fs::path& html = cl.Html->File;
    HtmlOptions ho;
    ho.Layout = htmlLayout;
    ho.Sort = cl.Sort;
    ho.DoubleDummy = cl.Html->DoubleDummy;
    ho.FallbackTitle = (cl.ScoreFile ? *cl.ScoreFile : *cl.HandRecords).stem().string();
    const std::string folderName = html.stem().string() + "_files";
    ho.CssHref = PercentEncode(folderName + "/dealwright.css");
    if (htmlLayout.Stylesheet == StylesheetMode::External) {
      const fs::path folder = html.parent_path() / folderName;
      outputs.AddDirectory(folder);
      outputs.Add(folder / "dealwright.css", ResultsCss());
      made.push_back((folder / "dealwright.css").string());
    }
    outputs.Add(html, MakeResultsHtml(scores ? &*scores : nullptr, hands ? &*hands : nullptr, ho));
    made.push_back(html.string());
  }
  outputs.Commit();
  if (!cl.Quiet)
    for (const std::string& m : made) out << "Wrote " << m << "\n";
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<std::string> warnings;
  auto flushWarnings = [&] {
    for (const std::string& w : warnings) err << "Dealwright: warning: " << w << "\n";
    warnings.clear();
  };
  try {
    CommandLine cl = ParseCommandLine(args);
    warnings = cl.Warnings;
    if (cl.Help) {
      out << UsageText();
      return 0;
    }
    if (cl.Version) {
      out << kProductName << " " << kVersion << "\n";
      return 0;
    }
    const int code = Convert(cl, out, warnings);
    flushWarnings();
    return code;
  } catch (const Failure& f) {
    flushWarnings();
    err << "Dealwright: " << f.what() << "\n";
    if (f.Code == ExitCode::Usage && args.empty()) err << "\n" << UsageText();
    return int(f.Code);
  } catch (const std::exception& e) {
    flushWarnings();
    err << "Dealwright: unexpected failure: " << e.what() << "\n";
    return int(ExitCode::Internal);
  } catch (...) {
    err << "Dealwright: unexpected failure.\n";
    return int(ExitCode::Internal);
  }
}

}  // namespace dw
