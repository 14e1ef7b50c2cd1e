// Finding packets in a transport stream and following their counters.
#include "tools/hostkit/ts_packets.h"

namespace hostkit {

const uint8_t* NextPacket(const uint8_t* ts, size_t size, size_t* pos, size_t* skipped) {
  size_t i = *pos;
  while (i + kPacketSize <= size) {
    const bool nextOk = i + 2 * kPacketSize > size || ts[i + kPacketSize] == kSyncByte;
    if (ts[i] == kSyncByte && nextOk) {
      *pos = i + kPacketSize;
      return ts + i;
    }
    ++i;
    if (skipped != nullptr) ++*skipped;
  }
  *pos = i;
  return nullptr;
}

Continuity FollowCounter(const uint8_t* p, int* last) {
  const int counter = p[3] & 0x0F;
  const int before = *last;
  *last = counter;
  if (before < 0) return Continuity::kFirst;
  if (counter == before) return Continuity::kRepeat;
  return counter == ((before + 1) & 0x0F) ? Continuity::kNext : Continuity::kGap;
}

}  // namespace hostkit
