#include "Layout.h"

#include <fmt/format.h>

#include "Failure.h"
#include "FileIo.h"
#include "Text.h"

namespace dw {
namespace {

const char* const kHtmlKeys[] = {"stylesheet", "handrecords"};
const char* const kPdfKeys[] = {"boardsperpage", "papersize", "title", "highcardpoints"};

[[noreturn]] void BadValue(const LayoutSettings& s, const std::string& name, const std::string& expected) {
  const auto& [value, line] = s.Values.at(name);
  throw Failure(ExitCode::Layout, fmt::format("The layout file \"{}\", line {}: \"{}\" is not a value for {}; use {}.",
                                              s.Path.string(), line, value, name, expected));
}

bool YesNo(const LayoutSettings& s, const std::string& name, bool fallback) {
  auto it = s.Values.find(name);
  if (it == s.Values.end()) return fallback;
  const std::string v = Lower(Trim(it->second.first));
  if (v == "yes" || v == "on" || v == "true" || v == "1") return true;
  if (v == "no" || v == "off" || v == "false" || v == "0") return false;
  BadValue(s, name, "yes or no");
}

void WarnUnknown(const LayoutSettings& s, std::vector<std::string>& warnings) {
  for (const auto& [name, v] : s.Values) {
    bool known = false;
    for (const char* k : kHtmlKeys) known = known || name == k;
    for (const char* k : kPdfKeys) known = known || name == k;
    if (!known)
      warnings.push_back(fmt::format("The layout file \"{}\", line {}: the setting {} is not known; it is ignored.",
                                     s.Path.string(), v.second, name));
  }
}

}  // namespace

LayoutSettings ReadLayout(const std::filesystem::path& path, std::vector<std::string>& warnings) {
  LayoutSettings s;
  s.Path = path;
  const std::string data = ReadWholeFile(path, fmt::format("layout file \"{}\"", path.string()), ExitCode::Layout, 1u << 20);
  const std::vector<std::string> lines = SplitLines(data);
  int ignored = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string line = Trim(ToUtf8(lines[i]));
    if (line.empty() || line[0] == '%' || line[0] == ';') continue;
    const size_t q1 = line.find('"'), q2 = line.rfind('"');
    if (line[0] != '[' || line.back() != ']' || q1 == std::string::npos || q2 <= q1) {
      ++ignored;
      continue;
    }
    const std::string name = Lower(Trim(line.substr(1, q1 - 1)));
    if (name.empty()) {
      ++ignored;
      continue;
    }
    s.Values.try_emplace(name, line.substr(q1 + 1, q2 - q1 - 1), int(i + 1));
  }
  if (ignored > 0)
    warnings.push_back(fmt::format("The layout file \"{}\" has {} line(s) that are not settings; they are ignored.",
                                   path.string(), ignored));
  WarnUnknown(s, warnings);
  return s;
}

HtmlLayout MakeHtmlLayout(const LayoutSettings* s, std::vector<std::string>&) {
  HtmlLayout l;
  if (!s) return l;
  if (auto it = s->Values.find("stylesheet"); it != s->Values.end()) {
    const std::string v = Lower(Trim(it->second.first));
    if (v == "inline") l.Stylesheet = StylesheetMode::Inline;
    else if (v == "external" || v == "file") l.Stylesheet = StylesheetMode::External;
    else if (v == "none") l.Stylesheet = StylesheetMode::None;
    else BadValue(*s, "stylesheet", "inline, external or none");
  }
  l.HandRecords = YesNo(*s, "handrecords", l.HandRecords);
  return l;
}

PdfLayout MakePdfLayout(const LayoutSettings* s, std::vector<std::string>&) {
  PdfLayout l;
  if (!s) return l;
  if (auto it = s->Values.find("boardsperpage"); it != s->Values.end()) {
    const std::string v = Trim(it->second.first);
    int n = 0;
    for (char c : v) n = (c >= '0' && c <= '9' && n < 100) ? n * 10 + (c - '0') : 1000;
    if (v.empty() || n < 1 || n > 12) BadValue(*s, "boardsperpage", "a number from 1 to 12");
    l.BoardsPerPage = n;
  }
  if (auto it = s->Values.find("papersize"); it != s->Values.end()) {
    const std::string v = Lower(Trim(it->second.first));
    if (v == "letter") l.Paper = PaperSize::Letter;
    else if (v == "a4") l.Paper = PaperSize::A4;
    else if (v == "legal") l.Paper = PaperSize::Legal;
    else BadValue(*s, "papersize", "Letter, A4 or Legal");
  }
  if (auto it = s->Values.find("title"); it != s->Values.end()) l.Title = Trim(it->second.first);
  l.HighCardPoints = YesNo(*s, "highcardpoints", l.HighCardPoints);
  return l;
}

}  // namespace dw
