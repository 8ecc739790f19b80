#include "Deal.h"

#include <algorithm>
#include <cctype>

#include <fmt/format.h>

#include "Text.h"

namespace dw {

Seat DealerForBoard(int board) { return Seat(((board - 1) % 4 + 4) % 4); }

Vulnerability VulnerabilityForBoard(int board) {
  // The standard sixteen-board cycle.
  static const Vulnerability kCycle[16] = {
      Vulnerability::None,       Vulnerability::NorthSouth, Vulnerability::EastWest,   Vulnerability::Both,
      Vulnerability::NorthSouth, Vulnerability::EastWest,   Vulnerability::Both,       Vulnerability::None,
      Vulnerability::EastWest,   Vulnerability::Both,       Vulnerability::None,       Vulnerability::NorthSouth,
      Vulnerability::Both,       Vulnerability::None,       Vulnerability::NorthSouth, Vulnerability::EastWest};
  return kCycle[((board - 1) % 16 + 16) % 16];
}

const char* SeatName(Seat s) {
  static const char* kNames[] = {"North", "East", "South", "West"};
  return kNames[int(s)];
}

char SeatLetter(Seat s) { return "NESW"[int(s)]; }

std::optional<Seat> SeatFromText(const std::string& text) {
  const std::string t = Lower(Trim(text));
  for (int s = 0; s < 4; ++s)
    if (t == std::string(1, char(std::tolower("NESW"[s]))) || t == Lower(SeatName(Seat(s)))) return Seat(s);
  return std::nullopt;
}

const char* VulnerabilityName(Vulnerability v) {
  switch (v) {
    case Vulnerability::None: return "None";
    case Vulnerability::NorthSouth: return "N-S";
    case Vulnerability::EastWest: return "E-W";
    default: return "Both";
  }
}

static void SortHand(Hand& h) { std::sort(h.begin(), h.end()); }

static std::string CardName(Card c) { return fmt::format("{}{}", "SHDC"[SuitOf(c)], kRankChars[RankOf(c)]); }

std::string CompleteAndCheck(std::array<std::optional<Hand>, 4>& hands, std::array<Hand, 4>& out) {
  std::array<int, 52> owner;
  owner.fill(-1);
  int missing = -1;
  for (int s = 0; s < 4; ++s) {
    if (!hands[size_t(s)]) {
      if (missing >= 0) return "two or more hands are not given";
      missing = s;
      continue;
    }
    for (Card c : *hands[size_t(s)]) {
      if (owner[size_t(c)] >= 0)
        return fmt::format("the card {} is given twice ({} and {})", CardName(c), SeatName(Seat(owner[size_t(c)])),
                           SeatName(Seat(s)));
      owner[size_t(c)] = s;
    }
  }
  if (missing >= 0) {
    Hand rest;
    for (Card c = 0; c < 52; ++c)
      if (owner[size_t(c)] < 0) rest.push_back(c);
    hands[size_t(missing)] = rest;
  }
  for (int s = 0; s < 4; ++s) {
    out[size_t(s)] = *hands[size_t(s)];
    SortHand(out[size_t(s)]);
    if (out[size_t(s)].size() != 13)
      return fmt::format("{} holds {} cards instead of 13", SeatName(Seat(s)), out[size_t(s)].size());
  }
  return {};
}

std::string SuitText(const Hand& hand, int suit) {
  std::string s;
  for (Card c : hand)
    if (SuitOf(c) == suit) s += kRankChars[RankOf(c)];
  return s;
}

int HighCardPoints(const Hand& hand) {
  int hcp = 0;
  for (Card c : hand)
    if (RankOf(c) < 4) hcp += 4 - RankOf(c);
  return hcp;
}

std::string MergeBoards(std::vector<Deal>& deals) {
  std::stable_sort(deals.begin(), deals.end(), [](const Deal& a, const Deal& b) { return a.Board < b.Board; });
  std::vector<Deal> out;
  for (Deal& d : deals) {
    if (!out.empty() && out.back().Board == d.Board) {
      if (out.back().Hands != d.Hands) return fmt::format("board {} is given twice with different deals", d.Board);
      if (!out.back().DoubleDummy) out.back().DoubleDummy = d.DoubleDummy;
      continue;
    }
    out.push_back(std::move(d));
  }
  deals = std::move(out);
  return {};
}

}  // namespace dw
