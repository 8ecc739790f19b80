#pragma once
// One board of a hand record set: the four hands, dealer, vulnerability and, when the file
// carries it, the double-dummy table.
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace dw {

enum class Seat { North = 0, East = 1, South = 2, West = 3 };
enum class Vulnerability { None, NorthSouth, EastWest, Both };
enum class Strain { NoTrump = 0, Spades = 1, Hearts = 2, Diamonds = 3, Clubs = 4 };

// Cards are 0..51: suit * 13 + rank, suits spades, hearts, diamonds, clubs; rank 0 is the ace.
using Card = int;
inline int SuitOf(Card c) { return c / 13; }
inline int RankOf(Card c) { return c % 13; }
inline constexpr char kRankChars[] = "AKQJT98765432";

using Hand = std::vector<Card>;  // sorted, highest first within each suit

struct Deal {
  int Board = 0;
  Seat Dealer = Seat::North;
  Vulnerability Vul = Vulnerability::None;
  std::array<Hand, 4> Hands;  // by Seat
  // Tricks by declarer (Seat) and strain, when the file gives all twenty.
  std::optional<std::array<std::array<int, 5>, 4>> DoubleDummy;
};

struct HandRecordSet {
  std::string Event, Date, Site;  // from the file, may be empty
  std::vector<Deal> Deals;        // ordered by board number, one per board
};

Seat DealerForBoard(int board);
Vulnerability VulnerabilityForBoard(int board);
const char* SeatName(Seat s);
char SeatLetter(Seat s);
std::optional<Seat> SeatFromText(const std::string& text);
const char* VulnerabilityName(Vulnerability v);

// Fills the missing hand, sorts the hands and checks that the deal holds each card once and
// thirteen in every hand; returns the problem, or an empty text when the deal is sound.
std::string CompleteAndCheck(std::array<std::optional<Hand>, 4>& hands, std::array<Hand, 4>& out);

// Rank letters of one suit of a hand, highest first ("AKT4"); empty for a void.
std::string SuitText(const Hand& hand, int suit);
int HighCardPoints(const Hand& hand);

// Orders by board and drops repeats of the same deal; a board number with two different deals
// is an error (the text names it), returned as the problem.
std::string MergeBoards(std::vector<Deal>& deals);

}  // namespace dw
