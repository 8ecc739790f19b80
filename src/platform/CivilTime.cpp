#include "platform/CivilTime.h"

#include <cerrno>
#include <clocale>
#include <ctime>
#include <limits>
#include <locale.h>
#include <time.h>

namespace tx {
namespace {

bool ToLocal(int64_t t, std::tm& out) {
  if (t < std::numeric_limits<time_t>::min() || t > std::numeric_limits<time_t>::max()) return false;
  time_t tt = time_t(t);
  return localtime_r(&tt, &out) != nullptr;
}

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

}  // namespace

int64_t CivilNow() { return int64_t(std::time(nullptr)); }

bool CivilLocalMidnight(int year, int month, int day, int64_t& out) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_isdst = -1;  // the calendar decides
  errno = 0;
  time_t t = mktime(&tm);
  if (t == time_t(-1) && errno != 0) return false;
  // mktime rolls Feb 30 into March; such a day does not exist.
  if (tm.tm_year != year - 1900 || tm.tm_mon != month - 1 || tm.tm_mday != day) return false;
  out = int64_t(t);
  return true;
}

std::string CivilFormat(int64_t t, const char* format) {
  std::tm tm;
  if (!ToLocal(t, tm)) return {};
  char buffer[256];
  size_t n = CLocale() ? strftime_l(buffer, sizeof buffer, format, &tm, CLocale())
                       : std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, n);
}

int CivilYear(int64_t t) {
  std::tm tm;
  return ToLocal(t, tm) ? tm.tm_year + 1900 : 0;
}

void CivilResetTimeZone() { tzset(); }

}  // namespace tx
