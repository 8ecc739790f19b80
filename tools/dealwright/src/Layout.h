#pragma once
// Layout files: settings written as PBN tag pairs, [Name "value"], one a line; '%' and ';'
// start comments.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace dw {

enum class StylesheetMode { Inline, External, None };
enum class PaperSize { Letter, A4, Legal };

struct HtmlLayout {
  StylesheetMode Stylesheet = StylesheetMode::Inline;  // External writes NAME_files/dealwright.css
  bool HandRecords = false;                           // deal diagrams below the results
};

struct PdfLayout {
  int BoardsPerPage = 6;
  PaperSize Paper = PaperSize::Letter;
  std::string Title;  // empty: the event named in the hand record file
  bool HighCardPoints = true;
};

struct LayoutSettings {
  std::filesystem::path Path;
  std::map<std::string, std::pair<std::string, int>> Values;  // lower-cased name -> value, line
};

// Raises Failure(Layout) when the file cannot be read.
LayoutSettings ReadLayout(const std::filesystem::path& path, std::vector<std::string>& warnings);
// Raise Failure(Layout) for a known setting with a value that cannot be used.
HtmlLayout MakeHtmlLayout(const LayoutSettings* settings, std::vector<std::string>& warnings);
PdfLayout MakePdfLayout(const LayoutSettings* settings, std::vector<std::string>& warnings);

}  // namespace dw
