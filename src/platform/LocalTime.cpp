#include "platform/LocalTime.h"

#include <locale.h>
#include <time.h>

#include <chrono>

namespace tx {
namespace {

locale_t CLocale() {
  static locale_t loc = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
  return loc;
}

std::string Format(const struct tm& tm, const char* format) {
  if (!format || !*format) return {};
  // strftime gives 0 both for "too small" and for an empty result; grow a few times.
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::string out(size, '\0');
    size_t n = ::strftime_l(out.data(), out.size(), format, &tm, CLocale());
    if (n > 0) {
      out.resize(n);
      return out;
    }
  }
  return {};
}

bool ToTimeT(int64_t t, time_t& out) {
  out = time_t(t);
  return int64_t(out) == t;
}

}  // namespace

int64_t Now() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string FormatLocalTime(int64_t t, const char* strftimeFormat) {
  time_t tt;
  struct tm tm {};
  if (!ToTimeT(t, tt) || !::localtime_r(&tt, &tm)) return {};
  return Format(tm, strftimeFormat);
}

std::string FormatUtcTime(int64_t t, const char* strftimeFormat) {
  time_t tt;
  struct tm tm {};
  if (!ToTimeT(t, tt) || !::gmtime_r(&tt, &tm)) return {};
  return Format(tm, strftimeFormat);
}

LocalTimeParts BreakLocalTime(int64_t t) {
  LocalTimeParts p;
  time_t tt;
  struct tm tm {};
  if (!ToTimeT(t, tt) || !::localtime_r(&tt, &tm)) return p;
  p.Valid = true;
  p.Year = tm.tm_year + 1900;
  p.Month = tm.tm_mon + 1;
  p.Day = tm.tm_mday;
  p.Hour = tm.tm_hour;
  p.Minute = tm.tm_min;
  p.Second = tm.tm_sec;
  p.DayOfWeek = tm.tm_wday;
  p.DayOfYear = tm.tm_yday + 1;
  p.Dst = tm.tm_isdst > 0;
  return p;
}

bool MakeLocalTime(int year, int month, int day, int hour, int minute, int second, int64_t& out) {
  out = -1;
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59 || year < 1 || year > 9999)
    return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > days[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
  struct tm tm {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  time_t t = ::mktime(&tm);
  if (t == time_t(-1)) {
    // -1 is also one second before 1970 in UTC; tell the two apart by the fields.
    if (!(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31)) return false;
  }
  out = int64_t(t);
  return true;
}

int64_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
  int64_t t;
  return MakeLocalTime(year, month, day, hour, minute, second, t) ? t : -1;
}

void ResetTimeZone() { ::tzset(); }

}  // namespace tx
