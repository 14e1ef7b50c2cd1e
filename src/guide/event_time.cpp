// Event start times in local time: the MJD date to a calendar date, and the
// UTC moment handed to Windows' time-zone rules (never the C runtime's, which
// reads a TZ variable wrongly when one is set).
#include "guide/event_time.h"

#include "platform/win32.h"

namespace guide {

CivilDate DateOfMjd(uint16_t mjd) {
  // Days from 1970-01-01 (MJD 40587), then the proleptic Gregorian date of
  // a day count (eras of 400 years from 0000-03-01).
  const long z = static_cast<long>(mjd) - 40587 + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  CivilDate d;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
  return d;
}

namespace {
// A BCD byte's value, -1 when a digit is above 9.
int Bcd(uint8_t b) { return (b >> 4) > 9 || (b & 0x0F) > 9 ? -1 : (b >> 4) * 10 + (b & 0x0F); }
constexpr long kMjdOf1970 = 40587;
}  // namespace

bool StartUtcSeconds(uint16_t mjd, uint8_t hour, uint8_t minute, uint8_t second, int64_t* out) {
  const int h = Bcd(hour), m = Bcd(minute), s = Bcd(second);
  if (mjd == 0xFFFF || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  *out = (static_cast<int64_t>(mjd) - kMjdOf1970) * 86400 + h * 3600 + m * 60 + s;
  return true;
}

bool DurationSeconds(uint32_t bcd, int32_t* out) {
  const int h = Bcd(static_cast<uint8_t>(bcd >> 16)), m = Bcd(static_cast<uint8_t>(bcd >> 8)),
            s = Bcd(static_cast<uint8_t>(bcd));
  if (h < 0 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  *out = h * 3600 + m * 60 + s;
  return true;
}

bool LocalStartTime(uint16_t mjd, int hour, int minute, int* localHour, int* localMinute) {
  const CivilDate date = DateOfMjd(mjd);
  win32::SystemTime utc = {};
  utc.year = static_cast<uint16_t>(date.year);
  utc.month = static_cast<uint16_t>(date.month);
  utc.day = static_cast<uint16_t>(date.day);
  utc.hour = static_cast<uint16_t>(hour);
  utc.minute = static_cast<uint16_t>(minute);
  win32::SystemTime local = {};
  if (!win32::SystemTimeToTzSpecificLocalTime(&utc, &local)) return false;
  if (local.hour > 23 || local.minute > 59) return false;
  *localHour = local.hour;
  *localMinute = local.minute;
  return true;
}

}  // namespace guide
