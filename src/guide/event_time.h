// An event's start in the local time of Windows' time zone: the section's
// MJD date and UTC time, with the daylight saving of that date.
#pragma once

#include <cstdint>

#include "guide/broadcast_time.h"

namespace guide {

// The local hour and minute of a UTC start; false when Windows cannot say.
// Its address goes in LineSettings::localTime.
bool LocalStartTime(uint16_t mjd, int hour, int minute, int* localHour, int* localMinute);

// A UTC calendar time in the local time of Windows' time zone, with the
// daylight saving of that date; false when Windows cannot say.
bool LocalCivilTime(const CivilTime& utc, CivilTime* local);

}  // namespace guide
