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

bool LocalCivilTime(const CivilTime& utc, CivilTime* local) {
  win32::SystemTime in = {};
  in.year = static_cast<uint16_t>(utc.year);
  in.month = static_cast<uint16_t>(utc.month);
  in.day = static_cast<uint16_t>(utc.day);
  in.hour = static_cast<uint16_t>(utc.hour);
  in.minute = static_cast<uint16_t>(utc.minute);
  in.second = static_cast<uint16_t>(utc.second);
  win32::SystemTime out = {};
  if (utc.year < 1601 || utc.year > 30827 || !win32::SystemTimeToTzSpecificLocalTime(&in, &out))
    return false;
  if (out.month < 1 || out.month > 12 || out.day < 1 || out.day > 31 || out.hour > 23 ||
      out.minute > 59)
    return false;
  *local = CivilTime{out.year, out.month, out.day, out.dayOfWeek, out.hour, out.minute,
                     out.second > 59 ? 0 : out.second};
  return true;
}

}  // namespace guide
