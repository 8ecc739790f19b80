#pragma once
// Times are int64_t seconds since 1970 UTC; they are shown and taken apart in local time
// through the C library, always in the "C" locale so texts such as "%c" read the same on
// every machine. Tests that depend on the zone set TZ themselves (and call ResetTimeZone).
#include <cstdint>
#include <string>

namespace tx {

struct LocalTimeParts {
  bool Valid = false;
  int Year = 0;       // e.g. 2025
  int Month = 0;      // 1..12
  int Day = 0;        // 1..31
  int Hour = 0;       // 0..23
  int Minute = 0;     // 0..59
  int Second = 0;     // 0..60
  int DayOfWeek = 0;  // 0 = Sunday
  int DayOfYear = 0;  // 1..366
  bool Dst = false;
};

// The current time.
int64_t Now();

// strftime in the "C" locale of the local time t ("%c", "%x", "%Y%m%d", ...).
// An empty text when t cannot be represented.
std::string FormatLocalTime(int64_t t, const char* strftimeFormat);
// The same in UTC.
std::string FormatUtcTime(int64_t t, const char* strftimeFormat);

// Local calendar fields of t; Valid false when t cannot be represented.
LocalTimeParts BreakLocalTime(int64_t t);

// The time of a local date and time (month 1..12); -1 when a field is out of range (day 31 in
// April, hour 24, ...) or the date cannot be represented. A time skipped by a daylight saving
// change is taken as the system's mktime takes it.
int64_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);
bool MakeLocalTime(int year, int month, int day, int hour, int minute, int second, int64_t& out);

// Re-reads TZ after a change of the environment.
void ResetTimeZone();

}  // namespace tx
