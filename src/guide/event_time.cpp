// Event start times in local time: the UTC moment handed to Windows'
// time-zone rules (never the C runtime's, which reads a TZ variable wrongly
// when one is set).
#include "guide/event_time.h"

#include "platform/win32.h"

namespace guide {

bool LocalStartTime(uint16_t mjd, int hour, int minute, int* localHour, int* localMinute) {
  return LocalHourMinute(mjd, hour, minute, &LocalCivilTime, localHour, localMinute);
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
