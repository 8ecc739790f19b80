#include <array>
#include <cctype>
#include <cstring>
#include <optional>

#include <fmt/format.h>

#include "Failure.h"
#include "HandRecords.h"
#include "Text.h"

namespace dw {
namespace {

struct Record {
  std::string Md, Sv;
  int Board = 0;
};

[[noreturn]] void Damaged(const std::string& what) {
  throw Failure(ExitCode::HandRecords, fmt::format("The hand record file is damaged: {}.", what));
}

int LeadingNumber(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && !std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
  int v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && v < 100000; ++i) v = v * 10 + (s[i] - '0');
  return v;
}

// "3SAKQHJT9D876C5432,S...,S...," : dealer digit (1 South, 2 West, 3 North, 4 East), then the
// hands of South, West, North and East; the last may be left out.
std::array<Hand, 4> ParseMd(const std::string& md, int board, Seat& dealer) {
  auto bad = [&](const std::string& what) { Damaged(fmt::format("board {}: {}", board, what)); };
  if (md.empty() || md[0] < '1' || md[0] > '4') bad("the deal does not start with the dealer (1 to 4)");
  static const Seat kOrder[4] = {Seat::South, Seat::West, Seat::North, Seat::East};
  dealer = kOrder[md[0] - '1'];
  std::array<std::optional<Hand>, 4> hands;
  size_t pos = 1;
  for (int k = 0; k < 4; ++k) {
    size_t comma = md.find(',', pos);
    const std::string h = md.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    pos = comma == std::string::npos ? md.size() : comma + 1;
    if (Trim(h).empty()) continue;
    Hand hand;
    int suit = -1;
    for (size_t i = 0; i < h.size(); ++i) {
      const char u = char(std::toupper(static_cast<unsigned char>(h[i])));
      if (u == ' ') continue;
      // Suit letters and rank letters never coincide.
      if (const char* sp = std::strchr("SHDC", u); sp && u != '\0') {
        suit = int(sp - "SHDC");
        continue;
      }
      if (suit < 0) bad("a hand does not start with a suit letter");
      if (u == '1' && i + 1 < h.size() && h[i + 1] == '0') ++i;
      const char rank = (u == '1' || u == '0') ? 'T' : u;
      const char* rp = std::strchr(kRankChars, rank);
      if (!rp || rank == '\0') bad(fmt::format("\"{}\" is not a card", std::string(1, h[i])));
      hand.push_back(suit * 13 + int(rp - kRankChars));
    }
    hands[size_t(kOrder[k])] = hand;
  }
  std::array<Hand, 4> out;
  const std::string problem = CompleteAndCheck(hands, out);
  if (!problem.empty()) bad(problem);
  return out;
}

}  // namespace

HandRecordSet ReadLin(const std::string& raw, std::vector<std::string>& warnings) {
  std::string text;
  for (char c : ToUtf8(raw))
    if (c != '\r' && c != '\n') text += c;
  std::vector<std::string> fields;
  {
    size_t pos = 0;
    while (pos <= text.size()) {
      const size_t bar = text.find('|', pos);
      fields.push_back(text.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos));
      if (bar == std::string::npos) break;
      pos = bar + 1;
    }
  }
  std::vector<Record> records;
  Record cur;
  auto flush = [&] {
    if (!cur.Md.empty()) records.push_back(cur);
    cur = Record{};
  };
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    const std::string key = Lower(Trim(fields[i]));
    const std::string& value = fields[i + 1];
    if (key == "qx") {
      flush();
      cur.Board = LeadingNumber(value);
    } else if (key == "md") {
      if (!cur.Md.empty()) flush();
      cur.Md = Trim(value);
    } else if (key == "ah") {
      if (cur.Board == 0) cur.Board = LeadingNumber(value);
    } else if (key == "sv") {
      cur.Sv = Lower(Trim(value));
    }
  }
  flush();
  HandRecordSet set;
  int last = 0;
  for (const Record& r : records) {
    Deal d;
    d.Board = r.Board > 0 && r.Board <= 9999 ? r.Board : last + 1;
    last = d.Board;
    d.Hands = ParseMd(r.Md, d.Board, d.Dealer);
    if (r.Sv.empty()) d.Vul = VulnerabilityForBoard(d.Board);
    else if (r.Sv == "o" || r.Sv == "0" || r.Sv == "-") d.Vul = Vulnerability::None;
    else if (r.Sv == "n") d.Vul = Vulnerability::NorthSouth;
    else if (r.Sv == "e") d.Vul = Vulnerability::EastWest;
    else if (r.Sv == "b") d.Vul = Vulnerability::Both;
    else Damaged(fmt::format("board {}: \"{}\" is not a vulnerability", d.Board, r.Sv));
    set.Deals.push_back(std::move(d));
  }
  (void)warnings;
  const std::string problem = MergeBoards(set.Deals);
  if (!problem.empty()) Damaged(problem);
  return set;
}

}  // namespace dw
