#pragma once
// Turns the lines of a text score file into a heading, ranking tables and plain text blocks.
#include <string>
#include <vector>

#include "ScoreFile.h"

namespace dw {

struct RankingTable {
  std::vector<std::string> Captions;  // the lines right above the column labels, spaces collapsed
  std::vector<std::string> Columns;
  std::vector<bool> Numeric;  // every cell of the column is a number
  int RankColumn = -1;
  std::vector<std::vector<std::string>> Rows;
};

struct PageBlock {
  bool IsTable = false;
  std::vector<std::string> Text;  // lines as they stand, for a preformatted block
  RankingTable Table;
};

struct ScorePage {
  std::string Heading;     // the event; empty when the file says nothing about itself
  std::string SubHeading;  // session and date
  std::vector<PageBlock> Blocks;
};

ScorePage BuildScorePage(const ScoreFileText& file);

// Orders rows by the first number of their rank (ties keep file order; unranked rows last).
void SortByRank(RankingTable& table);

}  // namespace dw
