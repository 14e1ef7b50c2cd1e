// Cost of OnDataArrival per delivery on real payload units (or hand-made
// sections when the captures are absent).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/channel_record.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/hostkit/ts_capture.h"
#include "settings/settings.h"

namespace {

constexpr size_t kUnit = hostkit::kUnitSize;

struct Stream {
  std::vector<uint8_t> units;  // PID 0x0012 payload units end to end
  uint16_t sid = 0;            // a service whose sections start at byte 1
};

// The capture's PID 0x0012 units, as a host delivers them.
void AddCapture(const std::string& path, Stream* s) {
  std::vector<tscap::Unit> read;
  tscap::ReadPidUnits(path, tscap::kEitPid, &read);
  for (const tscap::Unit& unit : read) {
    s->units.insert(s->units.end(), unit.bytes.begin(), unit.bytes.end());
    const uint8_t* u = unit.bytes.data();
    if (s->sid == 0 && u[0] == 0 && u[1] == 0x4E)
      s->sid = static_cast<uint16_t>(u[4] << 8 | u[5]);
  }
}

// Every real capture's units, or one hand-made present section repeated.
const Stream& RealStream() {
  static Stream stream = [] {
    Stream s;
    for (const std::string& path : tscap::CaptureFiles()) AddCapture(path, &s);
    if (s.units.empty()) {
      uint8_t unit[kUnit];
      std::memset(unit, 0xFF, sizeof unit);
      const uint8_t head[] = {0x00, 0x4E, 0xB0, 0x30, 0x12, 0x34, 0xC1, 0x00, 0x01, 0, 1, 0, 2,
                              1, 0x4E, 0x12, 0x34, 0xE8, 0x2C, 0x20, 0x15, 0, 1, 0x30, 0,
                              0x80, 0x14, 0x4D, 0x12, 'e', 'n', 'g', 4, 'N', 'e', 'w', 's',
                              9, 'H', 'e', 'a', 'd', 'l', 'i', 'n', 'e', 's'};
      std::memcpy(unit, head, sizeof head);
      for (int k = 0; k < 100; ++k) s.units.insert(s.units.end(), unit, unit + kUnit);
      s.sid = 0x1234;
    }
    return s;
  }();
  return stream;
}

void Prepare(uint16_t sid) {
  ResetGuide();
  settings.epgtext = 1;
  SaveChannelRecord(hostkit::MakeRecord("Bench", 0, 0, sid, 0));
  eitState = 1;
}

// Deliveries of N units walking through the stream. The lines are complete
// after the first few deliveries; eitState is put back to 1 each time so
// every delivery decodes (the dearest case: units of the tuned service are
// built into lines again and again).
void BM_DeliveryDecoding(benchmark::State& state) {
  const Stream& s = RealStream();
  size_t units = static_cast<size_t>(state.range(0));
  size_t total = s.units.size() / kUnit;
  Prepare(s.sid);
  size_t pos = 0;
  for (auto _ : state) {
    if (pos + units > total) pos = 0;
    eitState = 1;
    OnDataArrival(1, static_cast<int>(units * kUnit), s.units.data() + pos * kUnit);
    pos += units;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(units * kUnit));
  state.counters["units"] = static_cast<double>(units);
}
BENCHMARK(BM_DeliveryDecoding)->Arg(1)->Arg(4)->Arg(10);

// Deliveries of 10 units that each begin with a section of the tuned service,
// so each one builds a line: name and text copied, cleaned, formatted; with
// epgchars 1 (the argument) also converted from the broadcaster's character
// table into the Unicode line. The guide is reset between deliveries (outside
// what is counted), as after a channel change, so no line is refused for
// showing the same event.
void BM_DeliveryBuildingALine(benchmark::State& state) {
  const Stream& s = RealStream();
  size_t total = s.units.size() / kUnit;
  std::vector<size_t> starts;
  for (size_t u = 0; u + 10 <= total; ++u) {
    const uint8_t* b = s.units.data() + u * kUnit;
    if (b[0] == 0 && b[1] == 0x4E && (b[4] << 8 | b[5]) == s.sid) starts.push_back(u);
  }
  if (starts.empty()) {
    state.SkipWithError("no section of the service starts a unit");
    return;
  }
  Prepare(s.sid);
  settings.epgchars = static_cast<int32_t>(state.range(0));
  size_t k = 0;
  for (auto _ : state) {
    ResetGuide();
    eitState = 1;
    OnDataArrival(1, static_cast<int>(10 * kUnit), s.units.data() + starts[k] * kUnit);
    k = (k + 1) % starts.size();
  }
  settings.epgchars = 0;
  state.SetItemsProcessed(state.iterations());
  state.counters["sections"] = static_cast<double>(starts.size());
}
BENCHMARK(BM_DeliveryBuildingALine)->Arg(0)->Arg(1);

// Deliveries for a service that is not in the stream: the usual case for
// most units of a multiplex.
void BM_DeliveryOtherService(benchmark::State& state) {
  const Stream& s = RealStream();
  size_t total = s.units.size() / kUnit;
  Prepare(0xFFFE);
  size_t pos = 0;
  for (auto _ : state) {
    if (pos + 10 > total) pos = 0;
    OnDataArrival(1, static_cast<int>(10 * kUnit), s.units.data() + pos * kUnit);
    pos += 10;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DeliveryOtherService);

// After the lines were shown: the units of the tuned service that repeat the
// events on screen are refused from their event id, the rest from three
// bytes (lines that follow the programme look at every delivery).
void BM_DeliveryAfterShown(benchmark::State& state) {
  const Stream& s = RealStream();
  Prepare(s.sid);
  const size_t total = s.units.size() / kUnit;
  for (size_t pos = 0; pos + 10 <= total && eitState.load() != 7; pos += 10)
    OnDataArrival(1, static_cast<int>(10 * kUnit), s.units.data() + pos * kUnit);
  ShowCompleteProgrammeLines(-1);
  for (auto _ : state) OnDataArrival(1, static_cast<int>(10 * kUnit), s.units.data());
  state.SetItemsProcessed(state.iterations());
  state.counters["shown"] = eitState.load() == 8 ? 1 : 0;
}
BENCHMARK(BM_DeliveryAfterShown);

}  // namespace
