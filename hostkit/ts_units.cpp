// Transport stream to delivered units (the rule is stated in ts_units.h).
#include "hostkit/ts_units.h"

#include <algorithm>
#include <cstdint>

namespace hostkit {
namespace {

constexpr uint8_t kSync = 0x47;

uint16_t PacketPid(const uint8_t* p) { return static_cast<uint16_t>((p[1] & 0x1F) << 8 | p[2]); }

}  // namespace

std::vector<Unit> PidUnits(const uint8_t* ts, size_t size, uint16_t pid, UnitStats* statsOut,
                           Payload payload) {
  std::vector<Unit> units;
  UnitStats stats;
  int lastCounter = -1;
  size_t i = 0;
  while (i + kPacketSize <= size) {
    const uint8_t* p = ts + i;
    const bool nextOk = i + 2 * kPacketSize > size || ts[i + kPacketSize] == kSync;
    if (p[0] != kSync || !nextOk) {
      ++i;
      ++stats.resyncBytes;
      continue;
    }
    i += kPacketSize;
    ++stats.packets;
    if (PacketPid(p) != pid) continue;
    const unsigned control = (p[3] >> 4) & 3u;  // 1 payload only, 2 adaptation only, 3 both
    const bool error = (p[1] & 0x80) != 0;
    if ((control & 1u) == 0 || (error && payload == Payload::kAsHost)) {
      ++stats.skipped;
      continue;
    }
    size_t start = 4;
    if (control == 3) {
      ++stats.withAdaptation;
      if (payload == Payload::kAsHost) start = 5 + static_cast<size_t>(p[4]);
      if (start >= kPacketSize) {
        ++stats.skipped;
        continue;
      }
    }
    const int counter = p[3] & 0x0F;
    if (lastCounter >= 0 && counter != lastCounter && counter != ((lastCounter + 1) & 0x0F))
      ++stats.continuityErrors;
    lastCounter = counter;
    Unit u;
    u.bytes.fill(0xFF);
    std::copy(p + start, p + kPacketSize, u.bytes.begin());
    u.start = (p[1] & 0x40) != 0;
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
