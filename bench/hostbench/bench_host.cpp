// The timing host's own side: windows, message loop, the plug-in's exports
// and the floor (see bench_host.h).
#include "bench/hostbench/bench_host.h"

#include <cstdio>
#include <cstring>

#include "tests/hostkit/record.h"
#include "tests/hostkit/win/plugin_loader.h"

extern "C" {
struct BenchGdiplusStartupInput {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const BenchGdiplusStartupInput* input, void* output);
int WINAPI GdipCreateBitmapFromFile(const WCHAR* file, void** bitmap);
int WINAPI GdipCreateHBITMAPFromBitmap(void* bitmap, HBITMAP* out, DWORD background);
int WINAPI GdipDisposeImage(void* image);
}
namespace bench {

Host hostApp;

double Now() {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

namespace {

const char* MainTitle(const std::string& f) {
  if (f == "progdvb") return "ProgDVB 6.x";
  if (f == "altdvb") return "ALT-DVB 2.2";
  if (f == "dvbviewer") return "DVB Viewer Pro 5";
  return "SkyView 1.0";
}

const char* VideoTitle(const std::string& f) {
  if (f == "altdvb") return "DvbVideoGraph";
  if (f == "progdvb") return "Tavik One";
  return "ActiveMovie Window";
}

LRESULT CALLBACK MainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == host::kWmUser) {
    if (static_cast<uint32_t>(wp) == host::kCmdStartFilter && lp) {
      auto* request = reinterpret_cast<host::EitFilterRequest*>(lp);
      request->handle = 1;
      hostApp.dataRoutine = reinterpret_cast<host::DataCallback>(
          static_cast<uintptr_t>(request->dataRoutine));
    }
    if (static_cast<uint32_t>(wp) == host::kCmdSignalQuery && lp) {
      auto* r = reinterpret_cast<host::SignalReply*>(lp);
      r->reserved0 = 100;
      r->quality = 75;
    }
    return 0;
  }
  if (msg == WM_DESTROY) return 0;
  return DefWindowProcA(wnd, msg, wp, lp);
}

// A moving bar over a grey field: a host that keeps painting its video.
LRESULT CALLBACK VideoProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER) {
    ++hostApp.frame;
    InvalidateRect(wnd, nullptr, FALSE);
    return 0;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT rc;
    GetClientRect(wnd, &rc);
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    RECT bar = {(hostApp.frame * 8) % (rc.right + 1), 0, (hostApp.frame * 8) % (rc.right + 1) + 40,
                rc.bottom};
    FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

void MakeHostWindows() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = inst;
  wc.lpszClassName = "BenchHostMain";
  RegisterClassA(&wc);
  wc.lpfnWndProc = VideoProc;
  wc.lpszClassName = "BenchHostVideo";
  RegisterClassA(&wc);
  hostApp.main = CreateWindowExA(0, "BenchHostMain", MainTitle(hostApp.family),
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 1280, 1000, nullptr,
                              nullptr, inst, nullptr);
  RECT rc;
  GetClientRect(hostApp.main, &rc);
  hostApp.video = CreateWindowExA(0, "BenchHostVideo", VideoTitle(hostApp.family), WS_CHILD | WS_VISIBLE,
                               0, 0, rc.right, rc.bottom, hostApp.main, nullptr, inst, nullptr);
  SetTimer(hostApp.video, kVideoTimer, kVideoTimerMs, nullptr);
  ShowWindow(hostApp.main, SW_SHOW);
  UpdateWindow(hostApp.main);
  SetForegroundWindow(hostApp.main);
}

// Runs the host's message loop for ms milliseconds.
void Pump(double ms) {
  const double end = Now() + ms;
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    double left = end - Now();
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
  }
}

// Dispatches what is queued now (the paint a change left behind); returns
// the time spent on the plug-in's windows, leaving out the host's own video
// painting that happens to fall due meanwhile.
double Drain() {
  MSG msg;
  double spent = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    const bool own = msg.hwnd == hostApp.video || msg.hwnd == hostApp.main;
    double t0 = Now();
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (!own) spent += Now() - t0;
  }
  return spent;
}

host::TProgram82 Record(const Channel& c) {
  return hostkit::MakeRecord(c.name, c.frequency, c.polarity, c.sid, c.ca,
                             hostkit::HostFields::kPattern);
}



bool Load(const char* path, Plugin* p) {
  std::string error;
  p->module = hostkit::LoadPluginLibrary(path, error);
  hostkit::PluginExports e;
  if (!p->module || !hostkit::FindExports(p->module, e, error)) return false;
  p->start = e.onStart;
  p->name = e.onSendName;
  p->change = e.onChannelChange;
  p->menu = e.onMenuSelect;
  p->exit = e.onExit;
  return true;
}

void Start(Plugin& p) {
  char hotkey[8] = "", version[8] = "1.0";
  int res = 0;
  p.start(p.module, hostApp.main, 0, 7, hotkey, version, &res);
  char name[8];
  p.name(name);
}

void Unload(Plugin& p) {
  p.exit(p.module, hostApp.main, 0);
  FreeLibrary(p.module);
}

// ---- the floor: what the discovery asks of the system, and one logo decode ----

namespace {
char floorTitle[256];
BOOL CALLBACK FloorEnum(HWND wnd, LPARAM) {
  GetWindowTextA(wnd, floorTitle, 31);
  return std::strncmp(floorTitle, MainTitle(hostApp.family), 7) != 0;
}

}  // namespace

double FloorDiscovery() {
  double t0 = Now();
  EnumWindows(FloorEnum, 0);
  int n = 1;
  GetWindowTextA(WindowFromPoint(POINT{640, 512}), floorTitle, 256);
  for (int y = kScreenProbeGrid; y < 1024; y += kScreenProbeGrid)
    for (int x = kScreenProbeGrid; x < 1280; x += kScreenProbeGrid, ++n)
      GetWindowTextA(WindowFromPoint(POINT{x, y}), floorTitle, 256);
  return Now() - t0;
}

double FloorDecode(const char* jpg) {
  static bool started = false;
  if (!started) {
    BenchGdiplusStartupInput in = {1, nullptr, TRUE, FALSE};
    ULONG_PTR token;
    static void* hooks[2];
    GdiplusStartup(&token, &in, hooks);
    started = true;
  }
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, jpg, -1, wide, MAX_PATH);
  double t0 = Now();
  void* bitmap = nullptr;
  HBITMAP out = nullptr;
  if (GdipCreateBitmapFromFile(wide, &bitmap) == 0 && bitmap) {
    GdipCreateHBITMAPFromBitmap(bitmap, &out, 0xFF000000);
    GdipDisposeImage(bitmap);
  }
  if (out) DeleteObject(out);
  return Now() - t0;
}

}  // namespace bench
