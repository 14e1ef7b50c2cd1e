// Deliveries from several threads, deliveries racing the plug-in's exit and
// unload, and many load/unload cycles in one process with the heap in use and
// the process's windows measured.
#include <cstring>

#include "tests/hosts/hostile/hostile.h"

namespace hostile {
namespace {

constexpr int kThreads = 4;
constexpr DWORD kThreadRunMs = 3000;
constexpr DWORD kZapEveryMs = 150;
constexpr DWORD kCarelessMs = 500;
constexpr DWORD kCycleDeliverMs = 40;
constexpr DWORD kSettleMs = 300;
constexpr long kHeapGrowthLimit = 256 * 1024;
constexpr int kNowControl = 10;

struct Shooter {
  volatile LONG* stop;
  uint32_t seed;
  long calls = 0;
};

// Whole units of every service of the demo stream and random units, in
// deliveries of 1 to 10 units, until told to stop.
DWORD WINAPI ShooterThread(void* arg) {
  auto* s = static_cast<Shooter*>(arg);
  GuardedBuffer buffer;
  const std::vector<uint8_t>& units = DemoUnits();
  const size_t unitCount = units.size() / kUnit;
  std::vector<uint8_t> chunk(10 * kUnit);
  uint32_t r = s->seed;
  auto next = [&] {
    r ^= r << 13;
    r ^= r >> 17;
    r ^= r << 5;
    return r;
  };
  while (!*s->stop) {
    const int n = 1 + static_cast<int>(next() % 10);
    for (int u = 0; u < n; ++u) {
      uint8_t* dst = chunk.data() + u * kUnit;
      if (next() % 4 == 0)
        for (int b = 0; b < kUnit; ++b) dst[b] = static_cast<uint8_t>(next());
      else
        std::memcpy(dst, units.data() + (next() % unitCount) * kUnit, kUnit);
    }
    DeliverRaw(host::kEitFilterId, n * kUnit, buffer.Place(chunk.data(), static_cast<size_t>(n) * kUnit));
    ++s->calls;
  }
  return 0;
}

const DemoChannel* ChannelOfLine(const std::string& now) {
  for (const DemoChannel& ch : DemoChannels())
    if (now.compare(0, ch.nowPrefix.size(), ch.nowPrefix) == 0) return &ch;
  return nullptr;
}

}  // namespace

void CaseFourThreads() {
  CheckStillWorks(0, "the first change");
  volatile LONG stop = 0;
  Shooter shooters[kThreads];
  HANDLE threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    shooters[i].stop = &stop;
    shooters[i].seed = 0x1234567u * static_cast<uint32_t>(i + 1);
    threads[i] = CreateThread(nullptr, 0, ShooterThread, &shooters[i], 0, nullptr);
  }
  // Channel changes meanwhile: a present line, when there is one, must always
  // be the tuned service's, never one decoded for the channel before.
  const std::vector<DemoChannel>& list = DemoChannels();
  const DWORD t0 = GetTickCount();
  int zaps = 0, wrong = 0;
  while (GetTickCount() - t0 < kThreadRunMs) {
    const DemoChannel& ch = list[zaps++ % list.size()];
    ChannelChange(ch.record);
    Pump(kZapEveryMs);
    const DemoChannel* shown = ChannelOfLine(ControlText(BannerWindow(), kNowControl));
    if (shown && shown != &ch) {
      if (wrong++ == 0) Check(false, "\"%s\" tuned, the present line is \"%s\"'s", ch.name.c_str(), shown->name.c_str());
    }
  }
  InterlockedExchange(&stop, 1);
  WaitForMultipleObjects(kThreads, threads, TRUE, INFINITE);
  long calls = 0;
  for (int i = 0; i < kThreads; ++i) {
    CloseHandle(threads[i]);
    calls += shooters[i].calls;
  }
  Note("%ld deliveries from %d threads, %d channel changes, %d wrong present lines", calls, kThreads, zaps, wrong);
  CheckStillWorks(3, "deliveries from four threads");
}

void CaseRacingExit() {
  // A sound host: its delivery thread runs until the plug-in's stop command,
  // which returns only once no delivery is in flight.
  CheckStillWorks(0, "the first change");
  const long before = FeederCalls();
  Pump(100);
  Check(FeederCalls() > before, "the host's deliveries are not running before On_Exit");
  ExitPlugin();
  const FilterView f = Filter();
  Check(f.stops == 1 && f.lastStopHandle == kFilterHandle,
        "On_Exit sent %d stop commands, last handle %ld; 1 with handle %ld wanted", f.stops,
        static_cast<long>(f.lastStopHandle), static_cast<long>(kFilterHandle));
  Check(!f.open, "the filter is still open after On_Exit");
  FreePlugin();
  Check(BannerWindow() == nullptr, "a window titled \"Tavik\" is left after unload");
}

void CaseCarelessHost() {
  // A careless host goes on delivering after the stop command, up to the
  // moment it unloads the library: the plug-in ignores those deliveries.
  SetCareless(true);
  CheckStillWorks(0, "the first change");
  ExitPlugin();
  Check(Filter().stops == 1, "On_Exit sent %d stop commands, 1 wanted", Filter().stops);
  Pump(kCarelessMs);
  const long after = FeederCallsAfterStop();
  StopFeeder();
  Check(after > 0, "the careless host made no delivery after the stop command");
  HWND banner = BannerWindow();
  Check(!banner || !IsWindowVisible(banner), "the banner is visible after On_Exit");
  Note("%ld deliveries after the stop command", after);
  FreePlugin();
}

void CaseUnloadWithoutExit() {
  // A host that unloads without On_Exit: the library's detach stops the
  // filter itself, and the host's thread is stopped before the code goes.
  CheckStillWorks(0, "the first change");
  FreePlugin();
  const FilterView f = Filter();
  Check(f.stops == 1 && f.lastStopHandle == kFilterHandle,
        "unload without On_Exit sent %d stop commands, last handle %ld; 1 with handle %ld wanted",
        f.stops, static_cast<long>(f.lastStopHandle), static_cast<long>(kFilterHandle));
  Check(FeederCallsAfterStop() == 0, "deliveries after the stop command");
  Check(BannerWindow() == nullptr, "a window titled \"Tavik\" is left after unload");
}

void CaseCycles(int cycles) {
  size_t heapStart = 0, blocksStart = 0;
  int windowsStart = 0;
  long deliveries = 0;
  std::string error;
  for (int i = 0; i < cycles; ++i) {
    if (!Check(LoadPlugin(error), "cycle %d: load: %s", i + 1, error.c_str())) return;
    ArmBanner();
    // The second change starts the filter: deliveries run until On_Exit stops them.
    const DemoChannel& ch = DemoChannels()[static_cast<size_t>(i) % DemoChannels().size()];
    ChannelChange(ch.record);
    if (i == cycles - 1) {
      std::string detail;
      const bool shown = BannerShows(ch, 8000, detail);
  Check(shown, "last cycle: %s", detail.c_str());
    } else {
      Pump(kCycleDeliverMs);
    }
    Check(Filter().open, "cycle %d: no filter open before On_Exit", i + 1);
    deliveries += FeederCalls();
    ExitPlugin();
    FreePlugin();
    Check(!Filter().open, "cycle %d: the filter is still open after unload", i + 1);
    if (i == 0) {
      // After one warm-up cycle: wine's caches are filled.
      Pump(kSettleMs);
      heapStart = HeapInUse(&blocksStart);
      windowsStart = ProcessWindowCount();
    }
  }
  Pump(kSettleMs);
  size_t blocksEnd = 0;
  const size_t heapEnd = HeapInUse(&blocksEnd);
  const int windowsEnd = ProcessWindowCount();
  const long growth = static_cast<long>(heapEnd) - static_cast<long>(heapStart);
  const int measured = cycles > 1 ? cycles - 1 : 1;
  Note("%d cycles, %ld deliveries in flight", cycles, deliveries);
  Note("heap in use after the warm-up cycle %zu bytes in %zu blocks, at the end %zu bytes in %zu blocks",
       heapStart, blocksStart, heapEnd, blocksEnd);
  Note("heap growth %ld bytes over %d cycles (%ld bytes per cycle)", growth, measured, growth / measured);
  Note("top-level windows of the process after the warm-up %d, at the end %d", windowsStart, windowsEnd);
  Check(heapStart > 0, "the heap walk found nothing");
  Check(growth <= kHeapGrowthLimit, "the heap grew %ld bytes over %d cycles (limit %ld)", growth,
        measured, kHeapGrowthLimit);
  Check(windowsEnd == windowsStart, "%d top-level windows at the end, %d after the warm-up", windowsEnd,
        windowsStart);
}

}  // namespace hostile
