// Local time for the EIT reader (--localtime), by the system it runs on.
#include "tools/tavik-eit/tool_time.h"

#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavik_eit {

bool ToolLocalCivil(const guide::CivilTime& utc, guide::CivilTime* local) {
#ifdef _WIN32
  SYSTEMTIME in = {}, out = {};
  in.wYear = static_cast<WORD>(utc.year);
  in.wMonth = static_cast<WORD>(utc.month);
  in.wDay = static_cast<WORD>(utc.day);
  in.wHour = static_cast<WORD>(utc.hour);
  in.wMinute = static_cast<WORD>(utc.minute);
  in.wSecond = static_cast<WORD>(utc.second);
  if (utc.year < 1601 || !SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return false;
  *local = guide::CivilTime{out.wYear, out.wMonth, out.wDay, out.wDayOfWeek,
                            out.wHour, out.wMinute, out.wSecond};
  return true;
#else
  const time_t t = static_cast<time_t>(guide::SecondsOfCivil(utc));
  struct tm tm;
  if (localtime_r(&t, &tm) == nullptr) return false;
  *local = guide::CivilTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                            tm.tm_hour,        tm.tm_min,     tm.tm_sec};
  return true;
#endif
}

bool ToolLocalStart(uint16_t mjd, int hour, int minute, int* localHour, int* localMinute) {
  return guide::LocalHourMinute(mjd, hour, minute, &ToolLocalCivil, localHour, localMinute);
}

}  // namespace tavik_eit
