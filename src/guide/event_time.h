// An event's start in the local time of Windows' time zone: the section's
// MJD date and UTC time, with the daylight saving of that date.
#pragma once

#include <cstdint>

namespace guide {

struct CivilDate {
  int year, month, day;
};

// The calendar date of a Modified Julian Date.
CivilDate DateOfMjd(uint16_t mjd);

// Seconds since 1970-01-01 UTC of a section's start: MJD date and BCD hour,
// minute and second. False for an undefined or invalid start (all bits set,
// a BCD digit above 9, an hour above 23, a minute or second above 59).
bool StartUtcSeconds(uint16_t mjd, uint8_t hour, uint8_t minute, uint8_t second, int64_t* out);

// Seconds of a BCD duration hhmmss (24 bits); false for an undefined or
// invalid one.
bool DurationSeconds(uint32_t bcd, int32_t* out);

// The local hour and minute of a UTC start; false when Windows cannot say.
// Its address goes in LineSettings::localTime.
bool LocalStartTime(uint16_t mjd, int hour, int minute, int* localHour, int* localMinute);

}  // namespace guide
