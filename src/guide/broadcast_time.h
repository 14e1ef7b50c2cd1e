// Broadcast times as numbers: a section's MJD date and BCD times to seconds
// since 1970, and seconds back to a calendar date and time. Pure.
#pragma once

#include <cstdint>

namespace guide {

// Seconds since 1970-01-01 00:00 UTC of the start of a Modified Julian Date.
int64_t MjdSeconds(uint16_t mjd);

// Seconds since 1970-01-01 UTC of a section's start: MJD date and BCD hour,
// minute and second. False for an undefined or invalid start (all bits set,
// a BCD digit above 9, an hour above 23, a minute or second above 59).
bool StartUtcSeconds(uint16_t mjd, uint8_t hour, uint8_t minute, uint8_t second, int64_t* out);

// Seconds of a BCD duration hhmmss (24 bits); false for an undefined or
// invalid one.
bool DurationSeconds(uint32_t bcd, int32_t* out);

// A calendar date and time (proleptic Gregorian); weekday 0 is Sunday.
struct CivilTime {
  int year, month, day, weekday, hour, minute, second;
};

// The calendar time of a count of seconds since 1970-01-01 00:00 (of
// whatever clock: UTC, or a local clock).
CivilTime CivilOfSeconds(int64_t seconds);
// Seconds since 1970-01-01 00:00 of a calendar time (its weekday ignored).
int64_t SecondsOfCivil(const CivilTime& t);

struct CivilDate {
  int year, month, day;
};
// The calendar date of a Modified Julian Date.
CivilDate DateOfMjd(uint16_t mjd);

// A UTC calendar time in local time; false when it cannot be had.
using LocalCivilFn = bool (*)(const CivilTime& utc, CivilTime* local);

// The local hour and minute of a UTC start (an MJD date, hour and minute) by
// local's rules; false when it cannot say.
bool LocalHourMinute(uint16_t mjd, int hour, int minute, LocalCivilFn local, int* localHour,
                     int* localMinute);

}  // namespace guide
