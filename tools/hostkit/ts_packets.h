// The one walk over a transport stream's 188-byte packets, with its sync rule,
// that the units a host delivers and the tools' section reading both stand on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostkit {

constexpr size_t kPacketSize = 188;
constexpr uint8_t kSyncByte = 0x47;

// The packet at or after *pos, nullptr when no whole packet is left; *pos
// moves past it and *skipped (when given) grows by the bytes passed over.
// A packet is a sync byte 0x47 whose next packet, 188 bytes on, starts with
// 0x47 too (or the stream ends before a whole next packet); other bytes are
// skipped one at a time until such a sync byte is found again. A 0x47 inside a
// payload or in the junk a capture tool leaves after a cut is thereby passed
// over; a recording that begins mid-packet loses only that part packet, and
// the whole packet just before junk in the middle of a stream goes with it.
// A part of a packet at the end is no packet.
const uint8_t* NextPacket(const uint8_t* ts, size_t size, size_t* pos, size_t* skipped = nullptr);

inline uint16_t PacketPid(const uint8_t* p) {
  return static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]);
}
// payload_unit_start_indicator, transport_error_indicator, a payload at all
inline bool PacketStartsUnit(const uint8_t* p) { return (p[1] & 0x40) != 0; }
inline bool PacketDamaged(const uint8_t* p) { return (p[1] & 0x80) != 0; }
inline bool PacketHasPayload(const uint8_t* p) { return (p[3] & 0x10) != 0; }

// Where the payload begins: after the header and, when there is one, the
// adaptation field. kPacketSize or more: the adaptation field leaves none.
inline size_t PayloadStart(const uint8_t* p) {
  return (p[3] & 0x20) != 0 ? 5 + static_cast<size_t>(p[4]) : 4;
}

// How a packet's continuity counter follows the last one of its PID.
enum class Continuity {
  kFirst,   // no packet before
  kNext,    // the next counter
  kRepeat,  // the same counter: the multiplexer sent the packet twice
  kGap,     // packets lost in between
};

// Judges p's counter against *last (-1: none yet) and keeps it as the last.
Continuity FollowCounter(const uint8_t* p, int* last);

}  // namespace hostkit
