// Building the host's 868-byte channel record: the one builder of the hosts,
// the native tests, the fuzz targets and the benchmarks.
#pragma once

#include <cstdint>

#include "platform/host_interface.h"

namespace hostkit {

// What the record's other bytes hold: they belong to the host, and the
// plug-in reads nothing of them.
enum class HostFields {
  kZero,     // zeros
  kPattern,  // a recognisable pattern (byte i is 0xA5 ^ (i * 7)), as the hosts
             // hand records over, so that nothing relies on them
};

// The record with the five fields the plug-in reads, at their offsets: the
// name (at most 91 bytes of it, then zeros to the end of its 92-byte field),
// the frequency (4 bytes, little-endian), the polarity, the service id (2
// bytes, little-endian) and the CA system.
host::TProgram82 MakeRecord(const char* name, uint32_t frequency, uint8_t polarity,
                            uint16_t serviceId, uint8_t caSystem,
                            HostFields others = HostFields::kZero);

}  // namespace hostkit
