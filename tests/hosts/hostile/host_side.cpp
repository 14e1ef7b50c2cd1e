// The hostile host's own side: its window and the plug-in's commands, loading
// and unloading the plug-in, guarded delivery buffers and the feeder thread.
#include <cstdio>
#include <cstring>

#include "tools/hostkit/ts_units.h"
#include "tests/hostkit/win/plugin_loader.h"
#include "tests/hosts/hostile/hostile.h"
#include "tests/hosts/eitgen/eit_sections.h"

namespace hostile {
namespace {

constexpr char kMainClass[] = "HostileMain";
constexpr char kVideoClass[] = "HostileVideo";
constexpr char kMainTitle[] = "Media Host";
constexpr int kFeederMaxUnits = 10;
constexpr DWORD kFeederPauseMs = 2;

// The module and its exports (found by the host kit).
struct Plugin : hostkit::PluginExports {
  HMODULE module = nullptr;
};
Plugin g_plugin;
HWND g_main = nullptr, g_video = nullptr;
RECT g_hostRect = {0, 0, 1024, 700};

struct Feeder {
  CRITICAL_SECTION callLock;  // held around each call into the routine
  HANDLE wake = nullptr;
  HANDLE thread = nullptr;
  volatile LONG running = 0;
  volatile LONG careless = 0;
  volatile LONG feeding = 1;
  volatile LONG noPause = 0;
  volatile LONG stopSeen = 0;
  volatile LONG calls = 0, callsAfterStop = 0;
  host::DataCallback routine = nullptr;
  Feeder() { InitializeCriticalSection(&callLock); }
};
Feeder g_feed;

CRITICAL_SECTION g_filterLock;
FilterView g_filter;

void StopFeederLocked() {
  InterlockedExchange(&g_feed.running, 0);
  EnterCriticalSection(&g_feed.callLock);  // waits for a call in flight
  g_feed.routine = nullptr;
  LeaveCriticalSection(&g_feed.callLock);
}

void StartFeederLocked(host::DataCallback routine) {
  EnterCriticalSection(&g_feed.callLock);
  g_feed.routine = routine;
  InterlockedExchange(&g_feed.running, 1);
  LeaveCriticalSection(&g_feed.callLock);
  SetEvent(g_feed.wake);
}

DWORD WINAPI FeederThread(void*) {
  static const int kPattern[] = {1, 3, 7, 2, 10, 5, 1, 4, 9, 6, 2, 8};
  GuardedBuffer buffer;
  const std::vector<uint8_t>& units = DemoUnits();
  const size_t unitCount = units.size() / kUnit;
  size_t next = 0;
  unsigned pos = 0;
  std::vector<uint8_t> chunk(kFeederMaxUnits * kUnit);
  for (;;) {
    WaitForSingleObject(g_feed.wake, INFINITE);
    while (g_feed.running) {
      const int n = kPattern[pos++ % (sizeof kPattern / sizeof kPattern[0])];
      for (int u = 0; u < n; ++u) {
        std::memcpy(chunk.data() + u * kUnit, units.data() + next * kUnit, kUnit);
        next = (next + 1) % unitCount;
      }
      uint8_t* at = buffer.Place(chunk.data(), static_cast<size_t>(n) * kUnit);
      EnterCriticalSection(&g_feed.callLock);
      if (g_feed.running && g_feed.routine) {
        g_feed.routine(host::kEitFilterId, n * kUnit, at);
        InterlockedIncrement(&g_feed.calls);
        if (g_feed.stopSeen) InterlockedIncrement(&g_feed.callsAfterStop);
      }
      LeaveCriticalSection(&g_feed.callLock);
      if (!g_feed.noPause) Sleep(kFeederPauseMs);
    }
  }
}

void OnStartFilter(host::EitFilterRequest* req) {
  host::DataCallback routine =
      reinterpret_cast<host::DataCallback>(static_cast<uintptr_t>(req->dataRoutine));
  req->handle = kFilterHandle;
  EnterCriticalSection(&g_filterLock);
  g_filter.open = true;
  ++g_filter.starts;
  g_filter.routine = routine;
  LeaveCriticalSection(&g_filterLock);
  InterlockedExchange(&g_feed.stopSeen, 0);
  if (g_feed.feeding) StartFeederLocked(routine);
}

void OnStopFilter(LPARAM handle) {
  EnterCriticalSection(&g_filterLock);
  g_filter.open = false;
  ++g_filter.stops;
  g_filter.lastStopHandle = static_cast<int32_t>(handle);
  LeaveCriticalSection(&g_filterLock);
  InterlockedExchange(&g_feed.stopSeen, 1);
  // A sound host: no call into the routine once the command has returned.
  if (!g_feed.careless) StopFeederLocked();
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER) {
    switch (static_cast<uint32_t>(wp)) {
      case host::kCmdStartFilter: OnStartFilter(reinterpret_cast<host::EitFilterRequest*>(lp)); return 0;
      case host::kCmdStopFilter: OnStopFilter(lp); return 0;
      case host::kCmdSignalQuery: {
        auto* reply = reinterpret_cast<host::SignalReply*>(lp);
        reply->reserved0 = 100;
        reply->quality = 75;
        return 0;
      }
      default: return 0;
    }
  }
  if (msg == WM_SIZE && g_video) {
    MoveWindow(g_video, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
    return 0;
  }
  if (msg == WM_CLOSE) return 0;
  return DefWindowProcA(wnd, msg, wp, lp);
}

LRESULT CALLBACK VideoProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

bool CreateHostWindow(std::string& error) {
  InitializeCriticalSection(&g_filterLock);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kMainClass;
  if (!RegisterClassA(&wc)) return error = "RegisterClass failed", false;
  wc.lpfnWndProc = VideoProc;
  wc.lpszClassName = kVideoClass;
  if (!RegisterClassA(&wc)) return error = "RegisterClass failed", false;
  g_main = CreateWindowExA(0, kMainClass, kMainTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           g_hostRect.left, g_hostRect.top, g_hostRect.right - g_hostRect.left,
                           g_hostRect.bottom - g_hostRect.top, nullptr, nullptr, inst, nullptr);
  if (!g_main) return error = "CreateWindow failed", false;
  RECT rc;
  GetClientRect(g_main, &rc);
  g_video = CreateWindowExA(0, kVideoClass, "Video", WS_CHILD | WS_VISIBLE, 0, 0, rc.right,
                            rc.bottom, g_main, nullptr, inst, nullptr);
  ShowWindow(g_main, SW_SHOW);
  UpdateWindow(g_main);
  g_feed.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  g_feed.thread = CreateThread(nullptr, 0, FeederThread, nullptr, 0, nullptr);
  return g_video && g_feed.thread;
}

HWND HostWindow() { return g_main; }
void SetHostRect(const RECT& rect) { g_hostRect = rect; }
DWORD FeederThreadId() { return GetThreadId(g_feed.thread); }
HMODULE PluginModule() { return g_plugin.module; }

void MenuSelect(unsigned menuId) {
  if (g_plugin.module) g_plugin.onMenuSelect(menuId);
}

bool LoadPlugin(std::string& error) {
  HMODULE h = hostkit::LoadPluginLibrary(PluginPath(), error);
  if (!h) return false;
  g_plugin = Plugin();
  g_plugin.module = h;
  if (!hostkit::FindExports(h, g_plugin, error)) {
    FreeLibrary(h);
    g_plugin = Plugin();
    return false;
  }
  EnterCriticalSection(&g_filterLock);
  g_filter = FilterView();
  LeaveCriticalSection(&g_filterLock);
  InterlockedExchange(&g_feed.calls, 0);
  InterlockedExchange(&g_feed.callsAfterStop, 0);
  char hotKey[64] = "";
  char version[] = "1.0";
  int res = 0;
  g_plugin.onStart(GetModuleHandleA(nullptr), g_main, 0, kDllId, hotKey, version, &res);
  return true;
}

void ExitPlugin() {
  if (g_plugin.module) g_plugin.onExit(GetModuleHandleA(nullptr), g_main, 0);
}

void FreePlugin() {
  if (!g_plugin.module) return;
  FreeLibrary(g_plugin.module);
  g_plugin = Plugin();
}

bool PluginLoaded() { return g_plugin.module != nullptr; }

void ChannelChange(const host::TProgram82& record) {
  if (g_plugin.module) g_plugin.onChannelChange(record);
}

void FilterClose(unsigned handle) {
  if (g_plugin.module) g_plugin.onFilterClose(handle);
}

FilterView Filter() {
  EnterCriticalSection(&g_filterLock);
  FilterView v = g_filter;
  LeaveCriticalSection(&g_filterLock);
  return v;
}

GuardedBuffer::GuardedBuffer() {
  base_ = static_cast<uint8_t*>(
      VirtualAlloc(nullptr, kGuardedMax + kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  if (base_) VirtualProtect(base_ + kGuardedMax, kPage, PAGE_NOACCESS, &old);
}

GuardedBuffer::~GuardedBuffer() {
  if (base_) VirtualFree(base_, 0, MEM_RELEASE);
}

uint8_t* GuardedBuffer::Place(const uint8_t* data, size_t size) {
  if (size > kGuardedMax) size = kGuardedMax;
  uint8_t* at = base_ + kGuardedMax - size;
  if (size) std::memcpy(at, data, size);
  return at;
}

void DeliverRaw(int filterId, int length, const uint8_t* buffer) {
  host::DataCallback routine = Filter().routine;
  if (routine) routine(filterId, length, buffer);
}

// The payloads as they come (Payload::kRaw), as a careless host would hand
// them over; the generated stream has no adaptation field and no error flag,
// so a sound host hands over the same bytes.
const std::vector<uint8_t>& DemoUnits() {
  static std::vector<uint8_t> units;
  if (units.empty())
    units = hostkit::Concatenate(hostkit::PidUnits(eitgen::BuildDemoStream(1), hostkit::kEitPid,
                                                   nullptr, hostkit::Payload::kRaw));
  return units;
}

void SetCareless(bool careless) { InterlockedExchange(&g_feed.careless, careless ? 1 : 0); }

void SetFeeding(bool on) {
  InterlockedExchange(&g_feed.feeding, on ? 1 : 0);
  const FilterView f = Filter();
  if (!on) StopFeederLocked();
  else if (f.open && f.routine) StartFeederLocked(f.routine);
}

void StopFeeder() {
  StopFeederLocked();
  InterlockedExchange(&g_feed.careless, 0);
}

void SetFeederWithoutPause() { InterlockedExchange(&g_feed.noPause, 1); }

long FeederCalls() { return g_feed.calls; }
long FeederCallsAfterStop() { return g_feed.callsAfterStop; }

}  // namespace hostile
