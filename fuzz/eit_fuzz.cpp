// Fuzz target for OnDataArrival: a run of deliveries of any length and
// content for one service, under every line layout and time shift.
//
// Input: epgtext (low two bits; bit 2 epgchars, bit 3 localtime, bit 4 the
// lines shown as soon as both are whole, so later deliveries follow the
// programme), timeshift, the service id (2 bytes), then deliveries, each
// a control byte followed by its bytes. The control byte gives the length
// (low nibble x 184 + high nibble x 37, so both whole units and ragged or
// oversized lengths occur); its bit 0x80 also restarts the lines first.
//
// Seeds from the real captures are written at start-up when TAVIK_EIT_SEEDS
// names a folder (give the same folder as the corpus):
//   TAVIK_EIT_SEEDS=corpus ./eit_fuzz corpus -max_total_time=60
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "common/channel_record.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/hostkit/ts_capture.h"
#include "settings/settings.h"

namespace {

constexpr size_t kUnit = hostkit::kUnitSize;

// One seed per service (up to four per capture): its id and the first units
// of the capture in deliveries of 1 to 10 units.
void WriteSeeds(const std::string& dir) {
  int n = 0;
  for (const std::string& path : tscap::CaptureFiles()) {
    std::vector<tscap::Unit> read;  // the PID 0x0012 units, as a host delivers them
    tscap::ReadPidUnits(path, tscap::kEitPid, &read);
    const std::vector<uint8_t> units = tscap::Concatenate(read);
    std::set<uint16_t> sids;
    for (size_t u = 0; u + kUnit <= units.size() && sids.size() < 4; u += kUnit)
      if (units[u] == 0 && units[u + 1] == 0x4E)
        sids.insert(static_cast<uint16_t>(units[u + 4] << 8 | units[u + 5]));
    for (uint16_t sid : sids) {
      std::vector<uint8_t> seed = {1, 0, static_cast<uint8_t>(sid >> 8),
                                   static_cast<uint8_t>(sid)};
      size_t pos = 0;
      for (int k = 0; pos < units.size() && seed.size() < 16000; ++k) {
        size_t count = 1 + (k * 7) % 10;
        size_t len = std::min(count * kUnit, units.size() - pos);
        seed.push_back(static_cast<uint8_t>(count));
        seed.insert(seed.end(), units.begin() + pos, units.begin() + pos + len);
        pos += len;
      }
      std::ofstream(dir + "/seed_" + std::to_string(n++), std::ios::binary)
          .write(reinterpret_cast<const char*>(seed.data()), seed.size());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* dir = std::getenv("TAVIK_EIT_SEEDS")) WriteSeeds(dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  ResetGuide();
  settings.epgtext = data[0] & 3;
  settings.epgchars = (data[0] >> 2) & 1;
  settings.localtime = (data[0] >> 3) & 1;
  const bool show = (data[0] & 0x10) != 0;
  settings.timeshift = static_cast<int8_t>(data[1]);
  SaveChannelRecord(
      hostkit::MakeRecord("Fuzz", 0, 0, static_cast<uint16_t>(data[2] << 8 | data[3]), 0));
  eitState = 1;
  size_t pos = 4;
  while (pos < size) {
    uint8_t control = data[pos++];
    if (control & 0x80) eitState = 1;  // as a channel change does, without the banner
    size_t want = (control & 0x0F) * kUnit + ((control >> 4) & 7) * 37;
    size_t len = std::min(want, size - pos);
    // An exact-size copy, so reading one byte past the delivery is caught.
    std::vector<uint8_t> delivery(data + pos, data + pos + len);
    OnDataArrival(1, static_cast<int>(len), len ? delivery.data() : nullptr);
    if (show) ShowCompleteProgrammeLines(-1);
    pos += len;
  }
  char line[1024];
  CopyNowLine(line, sizeof line);
  CopyNextLine(line, sizeof line);
  CopyUnicodeNowLine(line, sizeof line);
  CopyUnicodeNextLine(line, sizeof line);
  return 0;
}
