// Streams dated to the run's present: a real capture's EIT moved forward in
// time with new CRCs, and the demo stream whose present events began minutes
// ago. The plug-in keeps only events that have not long ended by the PC's
// clock, and our captures are years old.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/hosts/eitgen/eit_sections.h"

namespace eitgen {

struct RedateStats {
  size_t sections = 0;    // whole EIT sections found by the packet headers
  size_t badCrc = 0;      // of them, dropped: their CRC did not hold
  size_t events = 0;      // events whose start was moved
  int64_t shiftSeconds = 0;
};

// The run's present: seconds since 1970-01-01 UTC by the PC's clock.
int64_t UtcNowSeconds();

// Seconds since 1970-01-01 UTC of an EIT start_time (MJD and BCD hh mm ss);
// false when it is undefined or not BCD.
bool EitStartSeconds(const uint8_t* start, int64_t* out);

// The EIT sections (table_id 0x4E to 0x6F) of a capture's PID 0x0012,
// reassembled from the packet headers (payload_unit_start, pointer_field,
// continuity; a packet flagged with an error or out of order drops the
// section it belongs to), those whose CRC holds, with every event's start
// moved by one shift: the first present event (table 0x4E, section 0; in a
// capture without one, the first following event) begins in the minute
// before nowUtc, the shift a whole number of minutes. Each
// section gets its CRC anew and is packetised again (PID 0x0012).
std::vector<uint8_t> RedateCapture(const std::vector<uint8_t>& ts, int64_t nowUtc,
                                   RedateStats* stats = nullptr);

// The services with every present event begun agoSeconds before nowUtc (to
// the second) and lasting durationMinutes, the following event after it.
std::vector<uint8_t> BuildNowStream(std::vector<DemoService> services, int64_t nowUtc,
                                    int agoSeconds, int durationMinutes);

// Schedule sections (tables 0x50 on, actual transport stream) of each
// service: count events of 30 minutes, the first begun ten minutes before
// nowUtc, named "<prefix> N" with a short text, laid out as broadcasters do
// (a section per three-hour segment, 32 segments a table); event ids count
// up from firstEventId.
std::vector<uint8_t> BuildScheduleStream(const std::vector<uint16_t>& serviceIds, int64_t nowUtc,
                                         int count, const char* prefix,
                                         uint16_t firstEventId = 0x1000);

}  // namespace eitgen
