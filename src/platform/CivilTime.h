#pragma once
// Minimal local-time calls used by the score file record: calendar dates to local midnight and
// times to text in the "C" locale.
#include <cstdint>
#include <string>

namespace tx {

int64_t CivilNow();
// Local midnight of a calendar date; false for a day the month does not have (Feb 30) or a
// date the system cannot convert.
bool CivilLocalMidnight(int year, int month, int day, int64_t& out);
// strftime of the local time t in the "C" locale; empty when t cannot be represented.
std::string CivilFormat(int64_t t, const char* format);
// Local calendar year of t, or 0 when it cannot be represented.
int CivilYear(int64_t t);
// Re-reads TZ after the environment changed.
void CivilResetTimeZone();

}  // namespace tx
