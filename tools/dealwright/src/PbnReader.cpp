#include <array>
#include <cctype>
#include <map>
#include <optional>

#include <fmt/format.h>

#include "Failure.h"
#include "HandRecords.h"
#include "Text.h"

namespace dw {
namespace {

struct Tag {
  std::string Value;
  std::vector<std::string> Section;  // the lines that follow the tag, such as table rows
  int Line = 0;
};

struct Game {
  std::map<std::string, Tag> Tags;  // names lower-cased
  int FirstLine = 0;
};

[[noreturn]] void Damaged(int line, const std::string& what) {
  throw Failure(ExitCode::HandRecords, fmt::format("The hand record file is damaged: line {}: {}.", line, what));
}

std::vector<Game> ReadGames(const std::string& text) {
  std::vector<Game> games;
  Game game;
  std::string lastTag;
  int line = 1;
  size_t i = 0;
  bool lineHasContent = false;
  auto endGame = [&] {
    if (!game.Tags.empty()) games.push_back(std::move(game));
    game = Game{};
    lastTag.clear();
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      if (!lineHasContent) endGame();
      lineHasContent = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++i;
      ++line;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
      ++i;
      continue;
    }
    if (c == '%' && !lineHasContent) {  // directive or comment line
      while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
      lineHasContent = true;
      continue;
    }
    lineHasContent = true;
    if (c == ';') {
      while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
      continue;
    }
    if (c == '{') {
      while (i < text.size() && text[i] != '}') {
        if (text[i] == '\n') ++line;
        ++i;
      }
      ++i;
      continue;
    }
    if (c == '[') {
      const int tagLine = line;
      ++i;
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      std::string name;
      while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) name += text[i++];
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (name.empty() || i >= text.size() || text[i] != '"') Damaged(tagLine, "a tag is not of the form [Name \"value\"]");
      ++i;
      std::string value;
      for (;;) {
        if (i >= text.size() || text[i] == '\n' || text[i] == '\r') Damaged(tagLine, fmt::format("the value of the tag {} is not closed", name));
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
          value += text[i + 1];
          i += 2;
          continue;
        }
        if (text[i] == '"') break;
        value += text[i++];
      }
      ++i;
      while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
      if (i >= text.size() || text[i] != ']') Damaged(tagLine, fmt::format("the tag {} is not closed with ]", name));
      ++i;
      if (game.Tags.empty()) game.FirstLine = tagLine;
      lastTag = Lower(name);
      game.Tags.try_emplace(lastTag, Tag{value, {}, tagLine});
      continue;
    }
    // Section data: belongs to the tag before it (auction, play, table rows).
    size_t end = i;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r' && text[end] != ';' && text[end] != '{') ++end;
    if (!lastTag.empty()) game.Tags[lastTag].Section.push_back(Trim(text.substr(i, end - i)));
    i = end;
  }
  endGame();
  return games;
}

std::optional<int> ParseInt(const std::string& s, int lo, int hi) {
  const std::string t = Trim(s);
  if (t.empty() || t.size() > 6) return std::nullopt;
  int v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return std::nullopt;
  return v;
}

std::optional<Vulnerability> ParseVul(const std::string& s) {
  const std::string t = Lower(Trim(s));
  if (t == "none" || t == "love" || t == "-") return Vulnerability::None;
  if (t == "ns" || t == "n-s") return Vulnerability::NorthSouth;
  if (t == "ew" || t == "e-w") return Vulnerability::EastWest;
  if (t == "all" || t == "both") return Vulnerability::Both;
  return std::nullopt;
}

int RankIndex(char c) {
  const char u = char(std::toupper(static_cast<unsigned char>(c)));
  for (int r = 0; r < 13; ++r)
    if (kRankChars[r] == u) return r;
  return -1;
}

// "N:AKQ.T98.765.432 - ..." -> hands by seat; throws through Damaged.
std::array<Hand, 4> ParseDealText(const std::string& value, int line, int board) {
  const std::string v = Trim(value);
  auto bad = [&](const std::string& what) { Damaged(line, fmt::format("board {}: {}", board, what)); };
  if (v.size() < 2 || v[1] != ':') bad("the deal does not start with the first seat and a colon (\"N:\")");
  const std::optional<Seat> first = SeatFromText(v.substr(0, 1));
  if (!first) bad(fmt::format("\"{}\" is not a seat", v.substr(0, 1)));
  std::vector<std::string> parts;
  {
    std::string cur;
    for (size_t i = 2; i <= v.size(); ++i) {
      if (i == v.size() || v[i] == ' ' || v[i] == '\t') {
        if (!cur.empty()) parts.push_back(cur);
        cur.clear();
      } else {
        cur += v[i];
      }
    }
  }
  if (parts.size() != 4) bad(fmt::format("the deal gives {} hands instead of 4", parts.size()));
  std::array<std::optional<Hand>, 4> hands;
  for (int k = 0; k < 4; ++k) {
    const Seat seat = Seat((int(*first) + k) % 4);
    const std::string& h = parts[size_t(k)];
    if (h == "-") continue;
    Hand hand;
    int suit = 0;
    for (size_t i = 0; i < h.size(); ++i) {
      if (h[i] == '.') {
        if (++suit > 3) bad(fmt::format("{}'s hand has more than four suits", SeatName(seat)));
        continue;
      }
      if (h[i] == '1' && i + 1 < h.size() && h[i + 1] == '0') ++i;  // "10" for the ten
      const int r = h[i] == '0' ? RankIndex('T') : RankIndex(h[i]);
      if (r < 0) bad(fmt::format("\"{}\" in {}'s hand is not a card", ToUtf8(std::string(1, h[i])), SeatName(seat)));
      hand.push_back(suit * 13 + r);
    }
    if (suit != 3) bad(fmt::format("{}'s hand does not give four suits", SeatName(seat)));
    hands[size_t(seat)] = hand;
  }
  std::array<Hand, 4> out;
  const std::string problem = CompleteAndCheck(hands, out);
  if (!problem.empty()) bad(problem);
  return out;
}

// Rows "N NT 9" for all four declarers and five strains; anything else gives no table.
std::optional<std::array<std::array<int, 5>, 4>> ParseOptimumTable(const Tag& tag) {
  std::array<std::array<int, 5>, 4> t;
  for (auto& r : t) r.fill(-1);
  for (const std::string& row : tag.Section) {
    std::vector<std::string> f;
    std::string cur;
    for (char c : row + " ") {
      if (c == ' ' || c == '\t') {
        if (!cur.empty()) f.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    if (f.size() < 3) return std::nullopt;
    const auto seat = SeatFromText(f[0]);
    const std::string s = Lower(f[1]);
    const int strain = s == "nt" || s == "n" ? 0 : s == "s" ? 1 : s == "h" ? 2 : s == "d" ? 3 : s == "c" ? 4 : -1;
    const auto tricks = ParseInt(f[2], 0, 13);
    if (!seat || strain < 0 || !tricks) return std::nullopt;
    t[size_t(*seat)][size_t(strain)] = *tricks;
  }
  for (const auto& r : t)
    for (int v : r)
      if (v < 0) return std::nullopt;
  return t;
}

}  // namespace

HandRecordSet ReadPbn(const std::string& raw, std::vector<std::string>& warnings) {
  const std::string text = ToUtf8(raw);
  std::vector<Game> games = ReadGames(text);
  HandRecordSet set;
  std::map<std::string, std::string> previous;  // "#" repeats the previous game's value
  int lastBoard = 0;
  bool numbered = false;
  for (Game& g : games) {
    for (auto& [name, tag] : g.Tags) {
      if (Trim(tag.Value) == "#") tag.Value = previous[name];
      previous[name] = tag.Value;
    }
    auto value = [&](const char* name) -> const Tag* {
      auto it = g.Tags.find(name);
      return it == g.Tags.end() ? nullptr : &it->second;
    };
    for (auto [field, name] : {std::pair{&set.Event, "event"}, {&set.Date, "date"}, {&set.Site, "site"}})
      if (field->empty())
        if (const Tag* t = value(name); t && !Trim(t->Value).empty() && Trim(t->Value) != "?") *field = Trim(t->Value);
    const Tag* dealTag = value("deal");
    if (!dealTag || Trim(dealTag->Value).empty()) continue;
    Deal d;
    if (const Tag* b = value("board"); b && !Trim(b->Value).empty()) {
      const auto n = ParseInt(b->Value, 1, 9999);
      if (!n) Damaged(b->Line, fmt::format("\"{}\" is not a board number", b->Value));
      d.Board = *n;
    } else {
      d.Board = lastBoard + 1;
      numbered = true;
    }
    lastBoard = d.Board;
    d.Dealer = DealerForBoard(d.Board);
    if (const Tag* t = value("dealer"); t && !Trim(t->Value).empty() && Trim(t->Value) != "?") {
      const auto s = SeatFromText(t->Value);
      if (!s) Damaged(t->Line, fmt::format("board {}: \"{}\" is not a dealer", d.Board, t->Value));
      d.Dealer = *s;
    }
    d.Vul = VulnerabilityForBoard(d.Board);
    if (const Tag* t = value("vulnerable"); t && !Trim(t->Value).empty() && Trim(t->Value) != "?") {
      const auto v = ParseVul(t->Value);
      if (!v) Damaged(t->Line, fmt::format("board {}: \"{}\" is not a vulnerability", d.Board, t->Value));
      d.Vul = *v;
    }
    d.Hands = ParseDealText(dealTag->Value, dealTag->Line, d.Board);
    if (const Tag* t = value("optimumresulttable")) {
      d.DoubleDummy = ParseOptimumTable(*t);
      if (!d.DoubleDummy)
        warnings.push_back(fmt::format("Board {}: the double-dummy table (line {}) is incomplete; it is left out.", d.Board, t->Line));
    }
    set.Deals.push_back(std::move(d));
  }
  if (numbered) warnings.push_back("Some deals carry no board number; they are numbered in file order.");
  const std::string problem = MergeBoards(set.Deals);
  if (!problem.empty()) throw Failure(ExitCode::HandRecords, fmt::format("The hand record file is damaged: {}.", problem));
  return set;
}

}  // namespace dw
