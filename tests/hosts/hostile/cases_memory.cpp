// Allocations that fail: the host fails the N-th allocation the plug-in makes
// (its imports of malloc, calloc and realloc are bent to ours as the library
// is mapped, before its DllMain runs) over a load, a channel change,
// deliveries, the About panel, key O and a save, for every N the step makes
// (every few N when a step makes many); then, with the schedule and the
// progress on, over the banner's arming, schedule deliveries and key O.
// The process must live on, and the next channel change show the banner.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/hostkit/ts_units.h"
#include "tests/hosts/eitgen/dated_streams.h"
#include "tests/hosts/hostile/hostile.h"

#include <commctrl.h>  // after windows.h (hostile.h)

namespace hostile {
namespace {

struct UnicodeString {
  USHORT length, maximumLength;
  PWSTR buffer;
};
struct DllLoadedData {
  ULONG flags;
  const UnicodeString* fullDllName;
  const UnicodeString* baseDllName;
  void* dllBase;
  ULONG sizeOfImage;
};
using DllNotification = void(CALLBACK*)(ULONG reason, const DllLoadedData* data, void* context);
using RegisterFn = LONG(NTAPI*)(ULONG, DllNotification, void*, void**);
constexpr ULONG kDllLoaded = 1;

using MallocFn = void*(__cdecl*)(size_t);
using CallocFn = void*(__cdecl*)(size_t, size_t);
using ReallocFn = void*(__cdecl*)(void*, size_t);

struct Injection {
  MallocFn realMalloc = nullptr;
  CallocFn realCalloc = nullptr;
  ReallocFn realRealloc = nullptr;
  volatile LONG count = 0;   // allocations the plug-in made since Arm
  volatile LONG failAt = 0;  // the one to fail (1-based); 0: none
  volatile LONG failed = 0;
  bool hooked = false;
};
Injection g_inj;

bool FailThisOne(const char* what, void* caller) {
  const LONG n = InterlockedIncrement(&g_inj.count);
  if (n != g_inj.failAt) return false;
  InterlockedIncrement(&g_inj.failed);
  if (AllocAll())
    std::fprintf(stderr, "  %s fails, called from %p (the plug-in at %p)\n", what, caller,
                 static_cast<void*>(GetModuleHandleA("tavik.dll")));
  return true;
}
void* __cdecl HookMalloc(size_t n) {
  return FailThisOne("malloc", __builtin_return_address(0)) ? nullptr : g_inj.realMalloc(n);
}
void* __cdecl HookCalloc(size_t n, size_t s) {
  return FailThisOne("calloc", __builtin_return_address(0)) ? nullptr : g_inj.realCalloc(n, s);
}
void* __cdecl HookRealloc(void* p, size_t n) {
  return FailThisOne("realloc", __builtin_return_address(0)) ? nullptr : g_inj.realRealloc(p, n);
}

// Points the library's imports of malloc, calloc and realloc at ours.
void BendImports(BYTE* base) {
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!dir.VirtualAddress) return;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name; ++imp) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + imp->Name), "msvcrt.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (names->u1.Ordinal & IMAGE_ORDINAL_FLAG) continue;
      const char* name =
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      void* to = nullptr;
      if (!std::strcmp(name, "malloc")) to = reinterpret_cast<void*>(&HookMalloc);
      else if (!std::strcmp(name, "calloc")) to = reinterpret_cast<void*>(&HookCalloc);
      else if (!std::strcmp(name, "realloc")) to = reinterpret_cast<void*>(&HookRealloc);
      if (!to) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<DWORD>(to);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      g_inj.hooked = true;
    }
  }
}

void CALLBACK OnDllLoaded(ULONG reason, const DllLoadedData* data, void*) {
  if (reason != kDllLoaded || !data->baseDllName) return;
  if (_wcsicmp(data->baseDllName->buffer, L"tavik.dll") == 0)
    BendImports(static_cast<BYTE*>(data->dllBase));
}

bool InstallOnce() {
  static bool done = false, ok = false;
  if (done) return ok;
  done = true;
  HMODULE crt = GetModuleHandleA("msvcrt.dll");
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  g_inj.realMalloc = reinterpret_cast<MallocFn>(reinterpret_cast<void*>(GetProcAddress(crt, "malloc")));
  g_inj.realCalloc = reinterpret_cast<CallocFn>(reinterpret_cast<void*>(GetProcAddress(crt, "calloc")));
  g_inj.realRealloc = reinterpret_cast<ReallocFn>(reinterpret_cast<void*>(GetProcAddress(crt, "realloc")));
  auto reg = reinterpret_cast<RegisterFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
  void* cookie = nullptr;
  ok = g_inj.realMalloc && g_inj.realCalloc && g_inj.realRealloc && reg &&
       reg(0, OnDllLoaded, nullptr, &cookie) == 0;
  return ok;
}

void Arm(LONG failAt) {
  InterlockedExchange(&g_inj.failed, 0);
  InterlockedExchange(&g_inj.count, 0);
  InterlockedExchange(&g_inj.failAt, failAt);
}
LONG Disarm() {
  InterlockedExchange(&g_inj.failAt, 0);
  return g_inj.count;
}

// Steps over a loaded, armed plug-in with feeding off, so that the counts
// repeat; each leaves no panel open.
void StepChange() { ChannelChange(DemoChannels()[2].record); }
void StepDeliveries() {
  static GuardedBuffer buffer;
  const std::vector<uint8_t>& units = DemoUnits();
  const size_t count = units.size() / kUnit;
  for (int i = 0; i < 50; ++i) {
    const uint8_t* unit = units.data() + (static_cast<size_t>(i) % count) * kUnit;
    DeliverRaw(host::kEitFilterId, kUnit, buffer.Place(unit, kUnit));
  }
}
void StepAbout() {
  CloseSoon("About");
  MenuSelect(host::kMenuAbout);
}
void StepKeyO() {
  SetForegroundWindow(HostWindow());
  TapKey('O');
  PumpUntil(600, [] { return PluginPanel("EPG") && IsWindowVisible(PluginPanel("EPG")); });
  if (HWND epg = PluginPanel("EPG")) ShowWindow(epg, SW_HIDE);
  Pump(50);
}
// The Save button of the Settings panel, pressed inside its loop.
void CALLBACK PressSave(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND panel = PluginPanel("Settings");
  HWND save = panel ? FindWindowExA(panel, nullptr, "BUTTON", "Save") : nullptr;
  if (save) PostMessageA(save, BM_CLICK, 0, 0);
  else if (panel) PostMessageA(panel, WM_CLOSE, 0, 0);
}
void StepSave() {
  SetTimer(nullptr, 0, 200, PressSave);
  MenuSelect(host::kMenuSettings);
}

struct Step {
  const char* name;
  void (*run)();
};

// Arms the banner after a load, then turns the feeder off so that the counts
// of the steps repeat.
void ArmQuietly() {
  ArmBanner();
  SetFeeding(false);
}

// The next channel change shows the banner whole; false (recorded) if not.
bool BannerBack(int channel, const char* after, LONG n) {
  SetFeeding(true);
  const DemoChannel& ch = DemoChannels()[channel % DemoChannels().size()];
  ChannelChange(ch.record);
  std::string detail;
  const bool shown = BannerShows(ch, 8000, detail);
  SetFeeding(false);
  return Check(shown, "allocation %ld failed in %s: %s", static_cast<long>(n), after,
               detail.c_str());
}

// Every allocation of a step is failed in turn, up to kMaxTries of them per
// step: beyond that every stride-th, spread over the whole step
// (--alloc-all: every one, whatever the count).
constexpr LONG kMaxTries = 40;
LONG Stride(LONG count) {
  return count > kMaxTries && !AllocAll() ? (count + kMaxTries - 1) / kMaxTries : 1;
}
LONG Tries(LONG count) { return count <= 0 ? 0 : (count - 1) / Stride(count) + 1; }  // per step

void Unload() {
  ExitPlugin();
  StopFeeder();
  FreePlugin();
  SetFeeding(true);
}

// ---- with the schedule and the progress on ----

// A channel of the run's present (its programme began ten minutes ago, so it
// has a progress), and the schedules of it and of the demo channels: more
// events than the store's first block holds.
constexpr uint16_t kNowService = 0x0777;
constexpr int kScheduleEvents = 600;  // a service's: 30 minutes each
constexpr LONG kLeakLimit = 256 * 1024;  // heap growth over the whole sweep
constexpr int kProgressBar = 16;         // the banner's control
// A step's first allocations are each failed, then every stride-th: key O
// makes the schedule's rows and orders the events first, then the list's
// rows (a thousand and more).
constexpr LONG kEachFirst = 8;

struct NowFeed {
  host::TProgram82 record;
  std::vector<uint8_t> units;  // its present and following, then the schedules
};
const NowFeed& Feed(bool anew = false) {  // anew: dated to this moment again
  static NowFeed feed;
  if (!feed.units.empty() && !anew) return feed;
  const int64_t now = eitgen::UtcNowSeconds();
  eitgen::DemoService svc = {"Evening Now", kNowService, 12345, 0, 0, {}, {}};
  svc.present.eventId = 0x7001;
  svc.present.name = "Now Showing";
  svc.following.eventId = 0x7002;
  svc.following.name = "Then Showing";
  std::vector<uint16_t> services = {kNowService};
  for (const DemoChannel& ch : DemoChannels()) services.push_back(ch.serviceId);
  std::vector<uint8_t> ts = eitgen::BuildNowStream({svc}, now, 600, 40);
  const std::vector<uint8_t> schedules =
      eitgen::BuildScheduleStream(services, now, kScheduleEvents, "Programme");
  ts.insert(ts.end(), schedules.begin(), schedules.end());
  feed.units = hostkit::Concatenate(
      hostkit::PidUnits(ts, hostkit::kEitPid, nullptr, hostkit::Payload::kRaw));
  feed.record = MakeRecord(svc.channelName, svc.frequency, 0, kNowService, 0);
  return feed;
}

// The steps, in order, each on what the ones before it left.
void StepArm() { ArmBanner(); }  // the showing change makes the engine and its store
void StepScheduleDeliveries() {
  ChannelChange(Feed().record);
  Random rng(0x5C4ED);
  DeliverUnits(Feed().units, rng);
  Pump(300);  // timer ticks: the lines and the progress shown
}
const Step kScheduleSteps[] = {{"arming with the schedule on", StepArm},
                               {"schedule deliveries", StepScheduleDeliveries},
                               {"key O with the schedule", StepKeyO}};

// A fresh load (feeding off), the steps before the one asked for as they
// are, that one with allocation failAt failing (0: none); its allocations,
// or -1 when the load failed.
LONG ScheduleTry(size_t step, LONG failAt) {
  std::string error;
  if (!Check(LoadPlugin(error), "load: %s", error.c_str())) return -1;
  SetFeeding(false);
  for (size_t k = 0; k < step; ++k) kScheduleSteps[k].run();
  Arm(failAt);
  kScheduleSteps[step].run();
  return Disarm();
}

// After the failures, on a fresh load: the progress beside the present line,
// the schedule's rows in the EPG panel, the store within its bound.
void CheckScheduleWhole() {
  std::string error;
  if (!Check(LoadPlugin(error), "load: %s", error.c_str())) return;
  SetFeeding(false);
  StepArm();
  Feed(true);
  const size_t heapBefore = HeapInUse();
  StepScheduleDeliveries();
  // Begun ten minutes before the feed was made, 40 long: 25 %, 1 % more each 24 s.
  LRESULT position = -1;
  PumpUntil(2000, [&] {
    HWND bar = GetDlgItem(BannerWindow(), kProgressBar);
    position = bar && IsWindowVisible(bar) ? SendMessageA(bar, PBM_GETPOS, 0, 0) : -1;
    return position >= 25;
  });
  Check(position >= 25 && position <= 26, "the progress stands at %ld, not 25",
        static_cast<long>(position));
  SetForegroundWindow(HostWindow());
  TapKey('O');
  int rows = -1;
  PumpUntil(2000, [&] {
    HWND epg = PluginPanel("EPG");
    HWND list = epg && IsWindowVisible(epg) ? FindWindowExA(epg, nullptr, "LISTBOX", nullptr) : nullptr;
    rows = list ? static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) : -1;
    return rows >= kScheduleEvents;
  });
  Note("afterwards: the progress at %ld %%, the EPG panel lists %d rows", static_cast<long>(position),
       rows);
  Check(rows >= kScheduleEvents, "the EPG panel shows %d rows of the schedule", rows);
  if (HWND epg = PluginPanel("EPG")) ShowWindow(epg, SW_HIDE);
  CheckScheduleHeap(heapBefore, "the schedule's deliveries");
  SetFeeding(true);
  CheckStillWorks(1, "the schedule's allocation failures");
  Unload();
}

}  // namespace

void CaseAllocationFailures() {
  if (!Check(InstallOnce(), "the allocation hooks could not be installed")) return;
  // The load: LoadLibrary (DllMain) and On_Start.
  Arm(0);
  std::string error;
  if (!Check(LoadPlugin(error), "load: %s", error.c_str())) return;
  const LONG loadCount = Disarm();
  Check(g_inj.hooked && loadCount > 0, "no allocation of the plug-in's was seen at its load");
  Note("the load makes %ld allocations", static_cast<long>(loadCount));
  Unload();
  int refused = 0, broken = 0, tried = 0;
  LONG stride = Stride(loadCount);
  char from[16] = "";
  GetEnvironmentVariableA("HOSTILE_ALLOC_FROM", from, sizeof from);  // to look at one N
  for (LONG n = from[0] ? std::atol(from) : 1; n <= loadCount; n += stride) {
    if (AllocAll()) std::fprintf(stderr, "load, allocation %ld fails\n", static_cast<long>(n));
    ++tried;
    Arm(n);
    bool loaded = LoadPlugin(error);
    Disarm();
    if (!loaded) {
      ++refused;  // a load refused is a sound answer too; the next one must work
      if (!Check(LoadPlugin(error), "load after a refused one: %s", error.c_str())) return;
    }
    ArmQuietly();
    if (!BannerBack(static_cast<int>(n), "the load", n)) ++broken;
    Unload();
  }
  Note("load: %ld allocations, every %ld. failed once: process alive; %d loads refused; banner "
       "back %d of %d", static_cast<long>(loadCount), static_cast<long>(stride), refused,
       tried - broken, tried);

  const Step steps[] = {{"a channel change", StepChange}, {"50 deliveries", StepDeliveries},
                        {"the About panel", StepAbout},   {"key O", StepKeyO},
                        {"a save", StepSave}};
  for (const Step& step : steps) {
    if (!Check(LoadPlugin(error), "load: %s", error.c_str())) return;
    ArmQuietly();
    Arm(0);
    step.run();
    const LONG count = Disarm();
    broken = 0;
    stride = Stride(count);
    for (LONG n = 1; n <= count; n += stride) {
      Arm(n);
      step.run();
      Disarm();
      if (!BannerBack(static_cast<int>(n), step.name, n)) ++broken;
    }
    Note("%s: %ld allocations, every %ld. failed once: process alive; banner back %ld of %ld",
         step.name, static_cast<long>(count), static_cast<long>(stride),
         static_cast<long>(Tries(count) - broken), static_cast<long>(Tries(count)));
    Unload();
  }
}

void CaseScheduleAllocationFailures() {
  if (!Check(InstallOnce(), "the allocation hooks could not be installed")) return;
  // Lines 19 to 23: the schedule and the progress on; put back at the end.
  const std::string saved = AddIniLines("0\r\n0\r\n0\r\n1\r\n1\r\n");
  Feed();
  size_t heapStart = 0;
  // Each try on a fresh load: the engine, its store and the rows are made anew.
  for (size_t step = 0; step < sizeof kScheduleSteps / sizeof kScheduleSteps[0]; ++step) {
    const LONG count = ScheduleTry(step, 0);
    if (count < 0) break;
    Unload();
    if (step == 0) {
      Pump(300);  // wine's caches filled by one load
      heapStart = HeapInUse();
    }
    int broken = 0, tried = 0;
    const LONG stride = Stride(count);
    for (LONG n = 1; n <= count; n += n < kEachFirst ? 1 : stride, ++tried) {
      if (ScheduleTry(step, n) < 0) break;
      if (!BannerBack(static_cast<int>(n), kScheduleSteps[step].name, n)) ++broken;
      Unload();
    }
    Note("%s: %ld allocations, the first %ld then every %ld failed once: process alive; banner "
         "back %d of %d", kScheduleSteps[step].name, static_cast<long>(count),
         static_cast<long>(kEachFirst), static_cast<long>(stride), tried - broken, tried);
  }
  CheckScheduleWhole();
  Pump(300);
  const long growth = static_cast<long>(HeapInUse()) - static_cast<long>(heapStart);
  Note("heap growth over the sweep %ld bytes", growth);
  Check(growth <= kLeakLimit, "the heap grew %ld bytes over the sweep (limit %ld)", growth,
        static_cast<long>(kLeakLimit));
  RestoreIni(saved);
}

}  // namespace hostile
