// Broadcast times as numbers (MJD, BCD, seconds and calendar dates).
#include "guide/broadcast_time.h"

namespace guide {
namespace {

constexpr int64_t kMjdOf1970 = 40587;
constexpr int64_t kDay = 86400;

// A BCD byte's value, -1 when a digit is above 9.
int Bcd(uint8_t b) { return (b >> 4) > 9 || (b & 0x0F) > 9 ? -1 : (b >> 4) * 10 + (b & 0x0F); }

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

int64_t MjdSeconds(uint16_t mjd) { return (static_cast<int64_t>(mjd) - kMjdOf1970) * kDay; }

bool StartUtcSeconds(uint16_t mjd, uint8_t hour, uint8_t minute, uint8_t second, int64_t* out) {
  const int h = Bcd(hour), m = Bcd(minute), s = Bcd(second);
  if (mjd == 0xFFFF || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  *out = MjdSeconds(mjd) + h * 3600 + m * 60 + s;
  return true;
}

bool DurationSeconds(uint32_t bcd, int32_t* out) {
  const int h = Bcd(static_cast<uint8_t>(bcd >> 16)), m = Bcd(static_cast<uint8_t>(bcd >> 8)),
            s = Bcd(static_cast<uint8_t>(bcd));
  if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  *out = h * 3600 + m * 60 + s;
  return true;
}

// Days from 1970-01-01 kept where 32-bit arithmetic holds them (some five
// million years either way: every time a broadcast or a shift can give).
constexpr int64_t kDayLimit = int64_t(1) << 30;

CivilTime CivilOfSeconds(int64_t seconds) {
  int64_t wholeDays = FloorDiv(seconds, kDay);
  const int32_t rest = static_cast<int32_t>(seconds - wholeDays * kDay);
  if (wholeDays > kDayLimit) wholeDays = kDayLimit;
  if (wholeDays < -kDayLimit) wholeDays = -kDayLimit;
  const int32_t days = static_cast<int32_t>(wholeDays);
  CivilTime t;
  t.hour = rest / 3600;
  t.minute = rest / 60 % 60;
  t.second = rest % 60;
  t.weekday = ((days % 7) + 11) % 7;  // 1970-01-01 was a Thursday
  // The date of a day count, in eras of 400 years from 0000-03-01.
  const int32_t z = days + 719468;
  const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int32_t doe = z - era * 146097;
  const int32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int32_t mp = (5 * doy + 2) / 153;
  t.day = doy - (153 * mp + 2) / 5 + 1;
  t.month = mp < 10 ? mp + 3 : mp - 9;
  t.year = yoe + era * 400 + (t.month <= 2 ? 1 : 0);
  return t;
}

int64_t SecondsOfCivil(const CivilTime& t) {
  const int32_t y = t.month <= 2 ? t.year - 1 : t.year;
  const int32_t era = (y >= 0 ? y : y - 399) / 400;
  const int32_t yoe = y - era * 400;
  const int32_t doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
  const int32_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days = static_cast<int64_t>(era) * 146097 + doe - 719468;
  return days * kDay + t.hour * 3600 + t.minute * 60 + t.second;
}

CivilDate DateOfMjd(uint16_t mjd) {
  const CivilTime t = CivilOfSeconds(MjdSeconds(mjd));
  return CivilDate{t.year, t.month, t.day};
}

bool LocalHourMinute(uint16_t mjd, int hour, int minute, LocalCivilFn local, int* localHour,
                     int* localMinute) {
  CivilTime t;
  if (!local(CivilOfSeconds(MjdSeconds(mjd) + hour * 3600 + minute * 60), &t)) return false;
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59) return false;
  *localHour = t.hour;
  *localMinute = t.minute;
  return true;
}

}  // namespace guide
