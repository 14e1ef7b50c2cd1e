// The local time of the PC the EIT reader runs on, for --localtime: Windows'
// time-zone rules in the Windows build, the C library's (TZ) in the Linux one.
#pragma once

#include <cstdint>

#include "guide/broadcast_time.h"

namespace tavik_eit {

// A UTC calendar time in local time; false when it cannot be had.
bool ToolLocalCivil(const guide::CivilTime& utc, guide::CivilTime* local);

// The local hour and minute of a section's UTC start (LineSettings::localTime).
bool ToolLocalStart(uint16_t mjd, int hour, int minute, int* localHour, int* localMinute);

}  // namespace tavik_eit
