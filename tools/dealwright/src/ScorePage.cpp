#include "ScorePage.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "Text.h"

namespace dw {
namespace {

struct Span {
  std::u32string Text;
  size_t Begin, End;
};

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t' || c == 0xA0; }

// Words of a line with their positions; with minGap 2 a single blank does not split.
std::vector<Span> Words(const std::u32string& line, size_t minGap) {
  std::vector<Span> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    size_t j = i;
    for (;;) {
      while (j < line.size() && !IsBlank(line[j])) ++j;
      size_t k = j;
      while (k < line.size() && IsBlank(line[k])) ++k;
      if (k < line.size() && k - j < minGap) {
        j = k;
        continue;
      }
      break;
    }
    out.push_back({line.substr(i, j - i), i, j});
    i = j;
  }
  return out;
}

std::string Key(const std::u32string& label) {
  std::string s = Lower(ToUtf8(label));
  while (!s.empty() && (s.back() == '.' || s.back() == ':')) s.pop_back();
  return s;
}

bool IsValueLabel(const std::string& k) {
  static const char* kValues[] = {"pct", "%", "percent", "score", "mps", "mp", "mpts", "masterpoints", "rank",
                                  "place", "pos", "matchpoints", "points", "total", "award", "imps", "vps"};
  for (const char* v : kValues)
    if (k == v) return true;
  return false;
}

bool IsPairLabel(const std::string& k) {
  return k == "pair" || k == "pair#" || k == "pr" || k == "no" || k == "team" || k == "pair no" || k == "#";
}

struct Header {
  std::vector<Span> Labels;
  std::optional<size_t> NameStart;  // the last column holds names
};

std::optional<Header> ReadHeader(const std::u32string& line) {
  std::vector<Span> labels = Words(line, 2);
  if (labels.size() < 3) labels = Words(line, 1);
  if (labels.size() < 2 || !IsPairLabel(Key(labels[0].Text))) return std::nullopt;
  bool anyValue = false;
  for (const Span& l : labels) anyValue = anyValue || IsValueLabel(Key(l.Text));
  if (!anyValue) return std::nullopt;
  Header h{labels, std::nullopt};
  if (!IsValueLabel(Key(labels.back().Text))) h.NameStart = labels.back().Begin;
  return h;
}

bool IsPairId(const std::u32string& t) {
  size_t i = 0, letters = 0, digits = 0;
  while (i < t.size() && ((t[i] >= U'A' && t[i] <= U'Z') || (t[i] >= U'a' && t[i] <= U'z')) && letters < 2) ++i, ++letters;
  while (i < t.size() && t[i] >= U'0' && t[i] <= U'9') ++i, ++digits;
  if (i < t.size() && ((t[i] >= U'A' && t[i] <= U'Z') || (t[i] >= U'a' && t[i] <= U'z'))) ++i;
  return digits >= 1 && digits <= 4 && i == t.size();
}

std::optional<std::vector<std::string>> ReadRow(const Header& h, const std::u32string& line) {
  const std::vector<Span> words = Words(line, 1);
  if (words.empty() || !IsPairId(words[0].Text)) return std::nullopt;
  const size_t valueColumns = h.Labels.size() - (h.NameStart ? 1 : 0);
  std::vector<std::string> cells(h.Labels.size());
  size_t filled = 0;
  for (size_t w = 0; w < words.size(); ++w) {
    const Span& word = words[w];
    if (h.NameStart && word.Begin + 1 >= *h.NameStart) {
      cells.back() = CollapseSpaces(ToUtf8(line.substr(word.Begin)));
      ++filled;
      break;
    }
    // The column the word lies under, or the nearest one within a few characters.
    size_t best = SIZE_MAX;
    long bestScore = LONG_MIN;
    for (size_t c = 0; c < valueColumns; ++c) {
      const Span& l = h.Labels[c];
      const long overlap = long(std::min(word.End, l.End)) - long(std::max(word.Begin, l.Begin));
      if (overlap > bestScore) {
        bestScore = overlap;
        best = c;
      }
    }
    if (best == SIZE_MAX || bestScore < -4) return std::nullopt;
    if (w == 0 && best != 0) return std::nullopt;
    std::string& cell = cells[best];
    if (cell.empty()) ++filled;
    else cell += ' ';
    cell += ToUtf8(word.Text);
  }
  if (filled < 2) return std::nullopt;
  return cells;
}

bool IsNumber(const std::string& s) {
  if (s.empty()) return true;
  size_t i = (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (!((c >= '0' && c <= '9') || c == '.' || c == '/' || c == '-' || c == ' ' || c == '%' || c == ',')) return false;
  }
  return true;
}

RankingTable MakeTable(const Header& h, std::vector<std::string> captions, std::vector<std::vector<std::string>> rows) {
  RankingTable t;
  t.Captions = std::move(captions);
  for (const Span& l : h.Labels) t.Columns.push_back(ToUtf8(l.Text));
  t.Rows = std::move(rows);
  t.Numeric.assign(t.Columns.size(), true);
  for (size_t c = 0; c < t.Columns.size(); ++c) {
    for (const auto& r : t.Rows) t.Numeric[c] = t.Numeric[c] && IsNumber(r[c]);
    const std::string k = Key(h.Labels[c].Text);
    if (t.RankColumn < 0 && (k == "rank" || k == "place" || k == "pos")) t.RankColumn = int(c);
  }
  if (h.NameStart) t.Numeric.back() = false;
  return t;
}

void AddText(ScorePage& page, const std::vector<std::u32string>& lines, size_t from, size_t to) {
  if (from >= to) return;
  PageBlock b;
  for (size_t i = from; i < to; ++i) b.Text.push_back(ToUtf8(lines[i]));
  page.Blocks.push_back(std::move(b));
}

void AddSegment(ScorePage& page, const std::vector<std::u32string>& seg) {
  size_t pos = 0;
  while (pos < seg.size()) {
    std::optional<Header> header;
    size_t t = pos;
    for (; t + 1 < seg.size(); ++t) {
      header = ReadHeader(seg[t]);
      if (header && ReadRow(*header, seg[t + 1])) break;
      header.reset();
    }
    if (!header) {
      AddText(page, seg, pos, seg.size());
      return;
    }
    // Up to three lines above the labels caption the table; anything before them is text.
    const size_t captionFrom = t - pos > 3 ? t - 3 : pos;
    AddText(page, seg, pos, captionFrom);
    std::vector<std::string> captions;
    for (size_t i = captionFrom; i < t; ++i) captions.push_back(CollapseSpaces(ToUtf8(seg[i])));
    std::vector<std::vector<std::string>> rows;
    size_t r = t + 1;
    for (; r < seg.size(); ++r) {
      auto row = ReadRow(*header, seg[r]);
      if (!row) break;
      rows.push_back(std::move(*row));
    }
    PageBlock b;
    b.IsTable = true;
    b.Table = MakeTable(*header, std::move(captions), std::move(rows));
    page.Blocks.push_back(std::move(b));
    pos = r;
  }
}

}  // namespace

ScorePage BuildScorePage(const ScoreFileText& file) {
  ScorePage page;
  Identification id = file.Id;
  if (file.SessionHeaderLine >= 0) MatchSessionHeader(file.Lines[size_t(file.SessionHeaderLine)], &id);
  page.Heading = CollapseSpaces(id.Event);
  std::string sub;
  if (!Trim(id.Session).empty()) sub = id.Session + " Session";
  if (!Trim(id.DateText).empty()) sub += (sub.empty() ? "" : ", ") + id.DateText;
  page.SubHeading = CollapseSpaces(sub);
  if (page.Heading.empty()) std::swap(page.Heading, page.SubHeading);
  std::vector<std::u32string> seg;
  for (size_t i = 0; i < file.Lines.size(); ++i) {
    if (file.KeyLine[i] || int(i) == file.SessionHeaderLine) continue;
    std::u32string line = ExpandTabs(ToU32(file.Lines[i]));
    while (!line.empty() && (IsBlank(line.back()) || line.back() == U'\f' || line.back() == U'\v')) line.pop_back();
    if (line.empty()) {
      if (!seg.empty()) AddSegment(page, seg);
      seg.clear();
    } else {
      seg.push_back(std::move(line));
    }
  }
  if (!seg.empty()) AddSegment(page, seg);
  return page;
}

void SortByRank(RankingTable& table) {
  if (table.RankColumn < 0) return;
  const size_t c = size_t(table.RankColumn);
  auto rank = [c](const std::vector<std::string>& row) {
    long v = 0;
    size_t i = 0;
    while (i < row[c].size() && (row[c][i] < '0' || row[c][i] > '9')) ++i;
    if (i == row[c].size()) return LONG_MAX;
    for (; i < row[c].size() && row[c][i] >= '0' && row[c][i] <= '9' && v < 1000000; ++i) v = v * 10 + (row[c][i] - '0');
    return v;
  };
  std::stable_sort(table.Rows.begin(), table.Rows.end(),
                   [&](const auto& a, const auto& b) { return rank(a) < rank(b); });
}

}  // namespace dw
