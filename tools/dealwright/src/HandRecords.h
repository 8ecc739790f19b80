#pragma once
// Reading hand record files: PBN and the online-play ".lin" form.
#include <filesystem>
#include <string>
#include <vector>

#include "Deal.h"

namespace dw {

// text is the whole file; damaged contents raise Failure(HandRecords) naming the board and line.
HandRecordSet ReadPbn(const std::string& text, std::vector<std::string>& warnings);
HandRecordSet ReadLin(const std::string& text, std::vector<std::string>& warnings);

// Chooses the reader by extension (or by contents for other names); a file without deals,
// damaged or of a kind that is not read raises Failure(HandRecords).
HandRecordSet ReadHandRecords(const std::filesystem::path& path, std::vector<std::string>& warnings);

}  // namespace dw
