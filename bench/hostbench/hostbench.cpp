// Timing host: loads tavik.dll the way a receiver application does and times
// what the viewer feels (channel change, load, idle), each against a floor
// timed in the same process. Not a test: it prints figures.
//   hostbench change --plugin DLL --family F [--count N]
//   hostbench load --plugin DLL --ref REF.dll
//   hostbench idle --plugin DLL|none --seconds N --marker DIR
//   hostbench huge --plugin DLL     (a channel whose logo is "Huge Logo.jpg")
//   hostbench keys --plugin DLL     (key P while idle: time until the banner shows)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host_interface.h"

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

namespace {

using StartFn = void (*)(void*, HWND, int, int, char*, char*, int*);
using NameFn = void (*)(char*);
using ChangeFn = void (*)(host::TProgram82);
using ExitFn = void (*)(void*, HWND, int);

constexpr int kScreenProbeGrid = 200;  // the discovery's probe spacing
constexpr int kVideoTimerMs = 40;      // the host's moving test picture
constexpr UINT_PTR kVideoTimer = 1;

struct Channel {
  const char* name;
  uint32_t frequency;
  uint8_t polarity;
  uint16_t sid;
  uint8_t ca;
};
// Channels with a logo in tests/e2e/logos, and one without (0.jpg).
const Channel kChannels[] = {
    {"Tavik One", 11778000, 1, 0x101, 0},   {"Harbour TV", 11778000, 1, 0x102, 0},
    {"Cinema Nord", 12188000, 0, 0x103, 5}, {"Kids Corner", 12188000, 0, 0x104, 0},
    {"Sport 24", 12640000, 13, 0x105, 1},   {"No Logo Here", 10714000, 0, 0x106, 0},
};

struct Host {
  HWND main = nullptr, video = nullptr;
  int frame = 0;
  std::string family = "skyview";
};
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
    if (static_cast<uint32_t>(wp) == host::kCmdStartFilter && lp)
      reinterpret_cast<host::EitFilterRequest*>(lp)->handle = 1;
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
  host::TProgram82 r;
  for (size_t i = 0; i < sizeof r.bytes; ++i) r.bytes[i] = static_cast<uint8_t>(0xA5 ^ i);
  std::memset(r.bytes, 0, host::kNameField);
  std::memcpy(r.bytes, c.name, std::strlen(c.name));
  std::memcpy(r.bytes + host::kFrequencyOffset, &c.frequency, 4);
  r.bytes[host::kPolarityOffset] = c.polarity;
  std::memcpy(r.bytes + host::kServiceIdOffset, &c.sid, 2);
  r.bytes[host::kCaSystemOffset] = c.ca;
  return r;
}

struct Plugin {
  HMODULE module = nullptr;
  StartFn start = nullptr;
  NameFn name = nullptr;
  ChangeFn change = nullptr;
  ExitFn exit = nullptr;
};

template <typename Fn>
Fn Export(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

bool Load(const char* path, Plugin* p) {
  p->module = LoadLibraryA(path);
  if (!p->module) return false;
  p->start = Export<StartFn>(p->module, "On_Start");
  p->name = Export<NameFn>(p->module, "On_Send_Dll_ID_Name");
  p->change = Export<ChangeFn>(p->module, "On_Channel_Change");
  p->exit = Export<ExitFn>(p->module, "On_Exit");
  return p->start && p->name && p->change && p->exit;
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

char floorTitle[256];
BOOL CALLBACK FloorEnum(HWND wnd, LPARAM) {
  GetWindowTextA(wnd, floorTitle, 31);
  return std::strncmp(floorTitle, MainTitle(hostApp.family), 7) != 0;
}

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

double Percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  size_t i = static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

std::string Folder(const std::string& path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string(".") : path.substr(0, cut);
}

int RunChange(const std::string& plugin, int count) {
  MakeHostWindows();
  Pump(300);
  Plugin p;
  if (!Load(plugin.c_str(), &p)) {
    std::printf("cannot load %s\n", plugin.c_str());
    return 2;
  }
  Start(p);
  p.change(Record(kChannels[0]));  // the first change only counts down
  Pump(800);
  const std::string logo = Folder(plugin) + "\\tavik_icon\\0.jpg";
  std::vector<double> change, withPaint, floor;
  const size_t nChannels = sizeof kChannels / sizeof kChannels[0];
  for (int i = 0; i < count; ++i) {
    const Channel& c = kChannels[(i + 1) % nChannels];
    if (hostApp.family == "progdvb") SetWindowTextA(hostApp.video, c.name);
    host::TProgram82 rec = Record(c);
    double t0 = Now();
    p.change(rec);
    double t1 = Now();
    double paint = Drain();
    change.push_back(t1 - t0);
    withPaint.push_back(t1 - t0 + paint);
    floor.push_back(FloorDiscovery() + FloorDecode(logo.c_str()));
    Pump(15);
  }
  Unload(p);
  const double fm = Percentile(floor, 0.5), f99 = Percentile(floor, 0.99);
  const double cm = Percentile(change, 0.5), c99 = Percentile(change, 0.99);
  const double pm = Percentile(withPaint, 0.5), p99 = Percentile(withPaint, 0.99);
  std::printf("change %s: median %.2f ms (%.2fx floor), p99 %.2f ms (%.2fx floor p99)\n",
              hostApp.family.c_str(), cm, cm / fm, c99, c99 / f99);
  std::printf("change+paint %s: median %.2f ms (%.2fx floor), p99 %.2f ms (%.2fx floor p99)\n",
              hostApp.family.c_str(), pm, pm / fm, p99, p99 / f99);
  std::printf("floor %s: median %.2f ms, p99 %.2f ms (enumeration + 31 probes + one decode)\n",
              hostApp.family.c_str(), fm, f99);
  return 0;
}

// The reference first (cold: it brings the system DLLs in), the plug-in, then
// the reference again under the plug-in's conditions.
int RunLoad(const std::string& plugin, const std::string& ref) {
  MakeHostWindows();
  Pump(300);
  double t0 = Now();
  HMODULE r1 = LoadLibraryA(ref.c_str());
  double refCold = Now() - t0;
  if (!r1) return 2;
  FreeLibrary(r1);
  Pump(100);
  Plugin p;
  t0 = Now();
  if (!Load(plugin.c_str(), &p)) return 2;
  Start(p);
  double load = Now() - t0;
  Pump(100);
  Unload(p);
  Pump(100);
  t0 = Now();
  HMODULE r2 = LoadLibraryA(ref.c_str());
  double refAgain = Now() - t0;
  if (r2) FreeLibrary(r2);
  std::printf("load: plug-in %.2f ms, reference cold %.2f ms (%.2fx), reference again %.2f ms "
              "(%.2fx)\n",
              load, refCold, load / refCold, refAgain, load / refAgain);
  return 0;
}

void Touch(const std::string& path) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

// The banner shown once and hidden again, then the host idles: the script
// reads the CPU times between the two marker files.
int RunIdle(const std::string& plugin, double seconds, const std::string& marker) {
  MakeHostWindows();
  Pump(300);
  Plugin p;
  const bool with = plugin != "none";
  if (with) {
    if (!Load(plugin.c_str(), &p)) return 2;
    Start(p);
    p.change(Record(kChannels[0]));
    Pump(800);
    p.change(Record(kChannels[1]));
  }
  Pump(5000);  // 3.0 s display time and the slide-out
  Touch(marker + "\\idle.begin");
  Pump(seconds * 1000.0);
  Touch(marker + "\\idle.end");
  Pump(500);
  if (with) Unload(p);
  return 0;
}

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX pmc = {};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                       sizeof pmc);
  return pmc.PagefileUsage > pmc.WorkingSetSize ? pmc.PagefileUsage : pmc.WorkingSetSize;
}

// Changes to a channel whose logo is a huge picture, against a channel with
// an ordinary one: the time of each change and the memory kept after it.
int RunHuge(const std::string& plugin) {
  MakeHostWindows();
  Pump(300);
  Plugin p;
  if (!Load(plugin.c_str(), &p)) return 2;
  Start(p);
  p.change(Record(kChannels[0]));
  Pump(800);
  const Channel huge = {"Huge Logo", 11000000, 0, 0x200, 0};
  const size_t before = PrivateBytes();
  for (int i = 0; i < 4; ++i) {
    double t0 = Now();
    p.change(Record(huge));
    double t1 = Now();
    Pump(50);
    std::printf("huge logo: change %d %.2f ms, memory in use %+.1f MB\n", i + 1, t1 - t0,
                (static_cast<double>(PrivateBytes()) - static_cast<double>(before)) / 1048576.0);
    t0 = Now();
    p.change(Record(kChannels[1]));
    t1 = Now();
    Pump(50);
    std::printf("ordinary logo: change %d %.2f ms\n", i + 1, t1 - t0);
  }
  Unload(p);
  return 0;
}

bool BannerShown() {
  HWND banner = FindWindowA(nullptr, "Tavik");
  return banner && IsWindowVisible(banner);
}

// Key P at random moments of an idle banner: how long until it shows.
int RunKeys(const std::string& plugin) {
  MakeHostWindows();
  Pump(300);
  Plugin p;
  if (!Load(plugin.c_str(), &p)) return 2;
  Start(p);
  p.change(Record(kChannels[0]));
  Pump(800);
  std::vector<double> waits;
  for (int i = 0; i < 5; ++i) {
    while (BannerShown()) Pump(50);
    Pump(300 + 37 * i);  // a different phase of the idle timer each time
    SetForegroundWindow(hostApp.main);
    keybd_event('P', 0, 0, 0);
    keybd_event('P', 0, KEYEVENTF_KEYUP, 0);
    double t0 = Now();
    while (!BannerShown() && Now() - t0 < 2000) Pump(1);
    waits.push_back(Now() - t0);
  }
  Unload(p);
  std::printf("key P while idle: shown after median %.0f ms, at most %.0f ms (%zu presses)\n",
              Percentile(waits, 0.5), Percentile(waits, 1.0), waits.size());
  return 0;
}

const char* Arg(int argc, char** argv, const char* name, const char* fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: hostbench change|load|idle --plugin DLL [options]\n");
    return 2;
  }
  setvbuf(stdout, nullptr, _IONBF, 0);
  const std::string mode = argv[1];
  const std::string plugin = Arg(argc, argv, "--plugin", "tavik.dll");
  hostApp.family = Arg(argc, argv, "--family", "skyview");
  if (mode == "change") return RunChange(plugin, std::atoi(Arg(argc, argv, "--count", "300")));
  if (mode == "load") return RunLoad(plugin, Arg(argc, argv, "--ref", "benchref.dll"));
  if (mode == "idle")
    return RunIdle(plugin, std::atof(Arg(argc, argv, "--seconds", "60")),
                   Arg(argc, argv, "--marker", "."));
  if (mode == "huge") return RunHuge(plugin);
  if (mode == "keys") return RunKeys(plugin);
  std::printf("unknown mode %s\n", mode.c_str());
  return 2;
}
