// Transport stream to the 184-byte units a host delivers for one PID: the one
// reading every host, test, fuzz target, benchmark and user tool of ours uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/host_interface.h"
#include "tools/hostkit/ts_packets.h"

namespace hostkit {

constexpr size_t kUnitSize = host::kUnitSize;
constexpr uint16_t kEitPid = host::kEitPid;

struct Unit {
  std::array<uint8_t, kUnitSize> bytes;
  bool start;  // payload_unit_start_indicator: byte 0 is a pointer_field
};

// How a packet's payload becomes a unit.
enum class Payload {
  kAsHost,  // the rule below
  kRaw,     // the 184 bytes after the header of every packet with a payload, as
            // they come (adaptation field and error flag not looked at): what a
            // careless host hands over, for the hostile cases
};

struct UnitStats {
  size_t packets = 0;         // packets found in the stream
  size_t resyncBytes = 0;     // bytes skipped to find the next packet
  size_t withAdaptation = 0;  // pid's packets whose payload follows an adaptation field
  size_t skipped = 0;         // pid's packets left out: no payload, or the error flag
  int continuityErrors = 0;   // gaps in the continuity counter of the units taken
};

// The units of pid in stream order, as a host's section filter hands them over:
// - Packets are found by the sync rule of NextPacket (ts_packets.h).
// - Packets with the transport error flag and packets without a payload
//   (adaptation field only) give no unit.
// - The unit is the payload: after an adaptation field, the bytes that follow
//   it, padded with 0xFF to 184 bytes; a packet whose adaptation field leaves
//   no payload gives no unit.
// - A repeated packet (the counter of the one before) is delivered again, as a
//   host's PID filter passes every packet; it is no gap.
// - A counter that is neither the last one nor the next is a continuity error
//   (packets lost in the capture, or left out above for their error flag).
// Payload::kRaw keeps the sync rule and the counting, and takes every packet
// with a payload bit whole.
std::vector<Unit> PidUnits(const uint8_t* ts, size_t size, uint16_t pid,
                           UnitStats* stats = nullptr, Payload payload = Payload::kAsHost);
std::vector<Unit> PidUnits(const std::vector<uint8_t>& ts, uint16_t pid,
                           UnitStats* stats = nullptr, Payload payload = Payload::kAsHost);

// count units from first laid end to end, as a host's delivery buffer holds them.
std::vector<uint8_t> Concatenate(const std::vector<Unit>& units, size_t first = 0,
                                 size_t count = SIZE_MAX);

}  // namespace hostkit
