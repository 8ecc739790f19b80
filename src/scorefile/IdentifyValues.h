#pragma once
// The values the Identify Score File dialog shows and edits. Identify fills them from the
// record and takes them back after OK; CIdentifyModel (ui) validates them.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/LocalTime.h"

namespace tx {

class CIdentifyValues {
 public:
  std::string FileName;                         // the record's Path
  bool Local = false;                           // the LocalFile flag
  const std::vector<uint8_t>* Contents = nullptr;  // the record's Data, not copied; null: none
  std::string Event;
  int64_t SessionDate = Now();
  int SessionIndex = 0;  // 0..3, -1 for no selection
  std::string Limit;
  std::string Section;
};

}  // namespace tx
