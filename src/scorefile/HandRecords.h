#pragma once
// Choosing a score file's hand record file, and where its wireless scoring database lies.
#include <string>

namespace tx {

class CScoreFile;
struct CSetup;
struct Services;

// The open-file filter of hand record files: 6 entries, 5 in BridgeWebs mode (no ".lin").
std::string HandRecordFilter(bool bridgeWebs);
// Number of entries of that filter.
int HandRecordFilterCount(bool bridgeWebs);

// Automatic: the first existing LastHandRecordDirectory/SessionBaseName.<ext> becomes
// HandRecordPath (true), no dialog. Interactive: asks for a file; on OK stores it and the
// folder and filter entry in the setup. True when the record has (or was given) a file.
bool SelectHandRecords(CScoreFile& record, Services& services, CSetup& setup, bool automatic);

}  // namespace tx
