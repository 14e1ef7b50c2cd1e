// Transport stream to delivered units (the rule is stated in ts_units.h).
#include "tools/hostkit/ts_units.h"

#include <algorithm>
#include <cstdint>

namespace hostkit {

std::vector<Unit> PidUnits(const uint8_t* ts, size_t size, uint16_t pid, UnitStats* statsOut,
                           Payload payload) {
  std::vector<Unit> units;
  UnitStats stats;
  int lastCounter = -1;
  size_t pos = 0;
  while (const uint8_t* p = NextPacket(ts, size, &pos, &stats.resyncBytes)) {
    ++stats.packets;
    if (PacketPid(p) != pid) continue;
    if (!PacketHasPayload(p) || (PacketDamaged(p) && payload == Payload::kAsHost)) {
      ++stats.skipped;
      continue;
    }
    size_t start = 4;
    if (PayloadStart(p) != 4) {
      ++stats.withAdaptation;
      if (payload == Payload::kAsHost) start = PayloadStart(p);
      if (start >= kPacketSize) {
        ++stats.skipped;
        continue;
      }
    }
    if (FollowCounter(p, &lastCounter) == Continuity::kGap) ++stats.continuityErrors;
    Unit u;
    u.bytes.fill(0xFF);
    std::copy(p + start, p + kPacketSize, u.bytes.begin());
    u.start = PacketStartsUnit(p);
    units.push_back(u);
  }
  if (statsOut != nullptr) *statsOut = stats;
  return units;
}

std::vector<Unit> PidUnits(const std::vector<uint8_t>& ts, uint16_t pid, UnitStats* stats,
                           Payload payload) {
  return PidUnits(ts.data(), ts.size(), pid, stats, payload);
}

std::vector<uint8_t> Concatenate(const std::vector<Unit>& units, size_t first, size_t count) {
  std::vector<uint8_t> out;
  for (size_t k = first; k < units.size() && k - first < count; ++k)
    out.insert(out.end(), units[k].bytes.begin(), units[k].bytes.end());
  return out;
}

}  // namespace hostkit
