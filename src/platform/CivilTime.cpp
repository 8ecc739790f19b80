#include "platform/CivilTime.h"

#include <cerrno>
#include <clocale>
#include <ctime>
#include <limits>
#include <mutex>
#include <unordered_map>
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

// Dates already converted. mktime looks at the zone file on every call when TZ is unset, which
// dominates loading a long history; the zone does not change while the program runs (tests that
// change TZ call CivilResetTimeZone).
struct MidnightCache {
  std::mutex lock;
  std::unordered_map<int64_t, int64_t> known;  // date key -> midnight, or Invalid
};
constexpr int64_t Invalid = std::numeric_limits<int64_t>::min();
MidnightCache& Cache() {
  static MidnightCache cache;
  return cache;
}

bool ComputeMidnight(int year, int month, int day, int64_t& out) {
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

}  // namespace

int64_t CivilNow() { return int64_t(std::time(nullptr)); }

bool CivilLocalMidnight(int year, int month, int day, int64_t& out) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  int64_t key = (int64_t(year) * 100 + month) * 100 + day;
  MidnightCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  auto it = cache.known.find(key);
  if (it == cache.known.end()) {
    int64_t t;
    if (!ComputeMidnight(year, month, day, t)) t = Invalid;
    if (cache.known.size() >= 100000) cache.known.clear();
    it = cache.known.emplace(key, t).first;
  }
  if (it->second == Invalid) return false;
  out = it->second;
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

void CivilResetTimeZone() {
  tzset();
  MidnightCache& cache = Cache();
  std::lock_guard<std::mutex> guard(cache.lock);
  cache.known.clear();
}

}  // namespace tx
