#pragma once
// Naming a score file's results page from its identification, and asking the user when the
// file does not say enough about itself.
#include <cstdint>
#include <string>
#include <string_view>

namespace tx {

class CScoreFile;
struct CSetup;
struct Services;

enum class IdentifyResult : int { NotIdentified = 0, Identified = 1, Canceled = 2 };

// Leading run of letters and digits of limits, lower-cased; "none" gives "n".
std::string LimitCode(std::string_view limits);
// 'm', 'a', 'e' or 'l' for session index 0..3; 0 otherwise.
char SessionLetter(int sessionIndex);
// "%Y%m%d" of SessionDate, session letter, limit code, lower-cased section code
// (e.g. "20140105anlma"); empty when the record lacks date or session.
std::string PageBaseName(const CScoreFile& record);

// Checks the identification and, with ask, shows the Identify Score File question until the
// record is complete, Skip (Selected cleared, NotIdentified) or Cancel (Canceled). With
// pageName the limit code and session time are required too and pageName gets the base name.
IdentifyResult Identify(CScoreFile& record, Services& services, bool ask, std::string* pageName);

// The name of a file plus the template's extension (lower-cased) when it has none.
std::string AddTemplateExtension(std::string name, std::string_view templateFileName);
// "%Y\%m\" of sessionDate before the file name part of name.
std::string YearMonthPath(std::string_view name, int64_t sessionDate);

// The page a score file's results go to, relative to the website's score file directory.
// previousPosting: the history record when the user chose to post the file again; its page is
// taken over when it was really posted and filled insert 0. The caller stamps the result into
// the record with SetPosted once it knows the insert.
IdentifyResult MakeWebPageName(CScoreFile& record, Services& services, const CSetup& setup,
                               const CScoreFile* previousPosting, std::string& pageName);

}  // namespace tx
