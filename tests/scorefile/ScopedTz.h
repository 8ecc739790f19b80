#pragma once
// Pins TZ for a test and computes the expected local times of that zone independently of the
// code under test.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "platform/CivilTime.h"

namespace tx::test {

class ScopedTz {
 public:
  explicit ScopedTz(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", tz, 1);
    CivilResetTimeZone();
  }
  ~ScopedTz() {
    if (old_)
      setenv("TZ", old_->c_str(), 1);
    else
      unsetenv("TZ");
    CivilResetTimeZone();
  }

 private:
  std::optional<std::string> old_;
};

// Days since 1970-01-01 of a proleptic Gregorian date.
inline int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

inline int Weekday(int y, int m, int d) {  // 0 = Sunday
  int64_t days = DaysFromCivil(y, m, d);
  return int(((days % 7) + 11) % 7);
}

// Local time in "EST5EDT,M3.2.0,M11.1.0" (daylight saving from 2:00 on the second Sunday of
// March to 2:00 on the first Sunday of November).
inline int64_t UsEastern(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
  int dstStart = 8 + (7 - Weekday(y, 3, 8)) % 7;
  int dstEnd = 1 + (7 - Weekday(y, 11, 1)) % 7;
  auto key = [](int mm, int dd, int hh) { return (mm * 100 + dd) * 100 + hh; };
  int now = key(m, d, h);
  bool dst = now >= key(3, dstStart, 2) && now < key(11, dstEnd, 1);
  int64_t utc = DaysFromCivil(y, m, d) * 86400 + h * 3600 + mi * 60 + s;
  return utc + (dst ? 4 : 5) * 3600;
}

inline constexpr const char* UsEasternTz = "EST5EDT,M3.2.0,M11.1.0";

// A new empty folder, removed with its content at the end.
class ScratchDir {
 public:
  ScratchDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("tx-scorefile-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tx::test
