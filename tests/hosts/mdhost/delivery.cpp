// The host's section filter: the 184-byte payload units of PID 0x0012 from a
// capture, handed to the plug-in's data routine from a thread of the host in
// deliveries of 1 to 10 units, looping the capture.
#include <cstdio>
#include <cstring>

#include "tests/hosts/eitgen/dated_streams.h"
#include "tests/hosts/eitgen/eit_sections.h"
#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

constexpr size_t kUnit = host::kUnitSize;
constexpr int kMaxUnits = 10;
constexpr long kSummaryEvery = 500;
constexpr DWORD kPage = 4096;

// The unit counts of successive deliveries: fixed, so runs repeat exactly.
constexpr int kUnitPattern[] = {1, 3, 7, 2, 10, 5, 1, 4, 9, 6, 2, 8, 1, 1, 5, 10, 3, 7};

struct DeliveryState {
  std::vector<uint8_t> units;  // all payload units of the stream, back to back
  size_t unitCount = 0;
  size_t loopFrom = 0;         // where the stream starts again after its end
  CRITICAL_SECTION callLock;   // held around each call into the routine
  HANDLE wake = nullptr;
  HANDLE thread = nullptr;
  volatile LONG running = 0;
  host::DataCallback routine = nullptr;
  long calls = 0, unitsSent = 0, loops = 0;
  size_t next = 0;
  unsigned patternPos = 0;
  uint8_t* guarded = nullptr;  // a page followed by an inaccessible page
  DeliveryState() { InitializeCriticalSection(&callLock); }
};
DeliveryState g_d;

void Deliver() {
  const int n = kUnitPattern[g_d.patternPos++ % (sizeof kUnitPattern / sizeof kUnitPattern[0])];
  const size_t len = static_cast<size_t>(n) * kUnit;
  // The delivery ends exactly at an inaccessible page: a read past it faults.
  uint8_t* buf = g_d.guarded + kPage - len;
  for (int u = 0; u < n; ++u) {
    std::memcpy(buf + u * kUnit, g_d.units.data() + g_d.next * kUnit, kUnit);
    if (++g_d.next == g_d.unitCount) {
      g_d.next = g_d.loopFrom;
      ++g_d.loops;
    }
  }
  EnterCriticalSection(&g_d.callLock);
  if (g_d.running) {
    g_d.routine(host::kEitFilterId, static_cast<int>(len), buf);
    ++g_d.calls;
    g_d.unitsSent += n;
  }
  LeaveCriticalSection(&g_d.callLock);
  const Options& o = State().opt;
  if (!o.paceFast) Trace("deliver: #%ld, %d units", g_d.calls, n);
  else if (g_d.calls % kSummaryEvery == 0)
    Trace("deliver: %ld deliveries, %ld units, %ld loops", g_d.calls, g_d.unitsSent, g_d.loops);
}

DWORD WINAPI DeliveryThread(void*) {
  Trace("host: delivery thread %lu", static_cast<unsigned long>(GetCurrentThreadId()));
  for (;;) {
    WaitForSingleObject(g_d.wake, INFINITE);
    while (g_d.running) {
      Deliver();
      Sleep(static_cast<DWORD>(State().opt.paceMs));
    }
  }
}

}  // namespace

bool LoadStream(const std::string& source, std::string& error) {
  std::vector<uint8_t> ts;
  if (source == "generated") {
    ts = eitgen::BuildDemoStream(1);
  } else if (source == "generated-world") {
    // Broadcasters of many countries; one programme changes twice, then the
    // last part repeats.
    size_t loopPackets = 0;
    ts = eitgen::BuildWorldStream(60, &loopPackets);
    g_d.loopFrom = loopPackets;  // one unit per packet: every packet is PID 0x0012
  } else if (source == "generated-badcrc") {
    ts = eitgen::BuildDamagedFirstStream();  // damaged present sections before their good copy
  } else if (source == "generated-long") {
    // The demo services and a service with the longest texts, for layouts.
    auto services = eitgen::DemoServices();
    for (const auto& svc : eitgen::LongTextServices()) services.push_back(svc);
    ts = eitgen::BuildServiceStream(services, 1);
  } else if (source == "generated-now" || source == "generated-long-now" ||
             source == "generated-marks-now" || source == "generated-long-marks-now") {
    // The demo services (and the longest texts), each present event begun ten
    // minutes before now, 40 minutes long. With marks, Cinema Nord's present
    // film (with the longest texts too: every present event) says HD 16:9
    // video, audio description and 12+ in its own descriptors.
    const bool longText = source.find("-long-") != std::string::npos;
    const bool marks = source.find("-marks-") != std::string::npos;
    auto services = eitgen::DemoServices();
    if (longText)
      for (const auto& svc : eitgen::LongTextServices()) services.push_back(svc);
    for (size_t i = 0; marks && i < services.size(); ++i)
      if (longText || services[i].serviceId == 0x0103)
        services[i].present.leadingDescriptors = {{0x50, 6, 0xF5, 0x0B, 1, 'd', 'e', 'u'},
                                                  {0x50, 6, 0xF2, 0x47, 2, 'd', 'e', 'u'},
                                                  {0x55, 4, 'D', 'E', 'U', 0x09}};
    ts = eitgen::BuildNowStream(services, eitgen::UtcNowSeconds(), 600, 40);
  } else if (source == "generated-schedule-now") {
    // The demo services as in "generated-now", each with twelve half-hour
    // programmes after its following one, for the EPG panel's schedule.
    const int64_t now = eitgen::UtcNowSeconds();
    const auto services = eitgen::DemoServices();
    ts = eitgen::BuildNowStream(services, now, 600, 40);
    for (const auto& svc : services) {
      const int64_t followingEnd = now - 600 + (40 + svc.following.durationMinutes) * 60;
      const auto schedule =
          eitgen::BuildScheduleStream({svc.serviceId}, followingEnd + 600, 12, "Programme", 0x7000);
      ts.insert(ts.end(), schedule.begin(), schedule.end());
    }
  } else if (source.rfind("redate:", 0) == 0) {
    // The capture's EIT moved to the run's present (new CRCs).
    if (!ReadFileBytes(source.substr(7), ts)) {
      error = "cannot open capture " + source;
      return false;
    }
    eitgen::RedateStats st;
    ts = eitgen::RedateCapture(ts, eitgen::UtcNowSeconds(), &st);
    Trace("stream: re-dated by %lld s: %zu sections (%zu dropped, their CRC did not hold), %zu events",
          static_cast<long long>(st.shiftSeconds), st.sections, st.badCrc, st.events);
  } else if (!ReadFileBytes(source, ts)) {
    error = "cannot open capture " + source;
    return false;
  }
  hostkit::UnitStats stats;
  g_d.units = DeliveredUnits(ts, stats);
  g_d.unitCount = g_d.units.size() / kUnit;
  Trace("stream: %s, %zu bytes, %zu packets, %zu units of PID 0x0012 (%zu after an adaptation "
        "field, %zu without payload), %zu bytes skipped to resync",
        source.c_str(), ts.size(), stats.packets, g_d.unitCount, stats.withAdaptation,
        stats.skipped, stats.resyncBytes);
  if (g_d.unitCount == 0) {
    error = "no packets of PID 0x0012 in " + source;
    return false;
  }
  g_d.guarded = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  if (!g_d.guarded || !VirtualProtect(g_d.guarded + kPage, kPage, PAGE_NOACCESS, &old)) {
    error = "cannot set up the delivery buffer";
    return false;
  }
  g_d.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  g_d.thread = CreateThread(nullptr, 0, DeliveryThread, nullptr, 0, nullptr);
  return g_d.thread != nullptr;
}

void StartDelivery(host::DataCallback routine) {
  if (!g_d.thread) {
    Trace("host: no capture given; the filter delivers nothing");
    return;
  }
  EnterCriticalSection(&g_d.callLock);
  g_d.routine = routine;
  InterlockedExchange(&g_d.running, 1);
  LeaveCriticalSection(&g_d.callLock);
  SetEvent(g_d.wake);
}

void StopDelivery() {
  InterlockedExchange(&g_d.running, 0);
  EnterCriticalSection(&g_d.callLock);  // waits for a call in flight
  g_d.routine = nullptr;
  LeaveCriticalSection(&g_d.callLock);
  if (g_d.thread)
    Trace("deliver: stopped after %ld deliveries, %ld units, %ld loops", g_d.calls, g_d.unitsSent, g_d.loops);
}

bool DeliveryRunning() { return g_d.running != 0; }
long DeliveryCount() { return g_d.calls; }

}  // namespace mdhost
