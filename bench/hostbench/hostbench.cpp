// Timing host: loads tavik.dll the way a receiver application does and times
// what the viewer feels (channel change, load, idle), each against a floor
// timed in the same process. Not a test: it prints figures.
//   hostbench change --plugin DLL --family F [--count N]
//   hostbench load --plugin DLL --ref REF.dll
//   hostbench idle --plugin DLL|none --seconds N --marker DIR
//   hostbench huge --plugin DLL     (a channel whose logo is "Huge Logo.jpg")
//   hostbench keys --plugin DLL     (key P while idle: time until the banner shows)
//   hostbench epg --plugin DLL --rows N --schedule 0|1
//                                   (key O: time until the EPG panel, with N rows, is painted)
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/hostbench/bench_host.h"
#include "tools/hostkit/ts_units.h"
#include "tests/hosts/eitgen/dated_streams.h"

namespace {

using namespace bench;

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

// Three idle spans of the same host, the script reading the CPU times at
// the marker files: without the plug-in, with it loaded (its banner shown
// once and hidden again), and without it again after the unload.
int RunIdle(const std::string& plugin, double seconds, const std::string& marker) {
  MakeHostWindows();
  Pump(2000);
  auto span = [&](const char* name) {
    Touch(marker + "\\" + name + ".begin");
    Pump(seconds * 1000.0);
    Touch(marker + "\\" + name + ".end");
  };
  span("none1");
  Plugin p;
  if (!Load(plugin.c_str(), &p)) return 2;
  Start(p);
  p.change(Record(kChannels[0]));
  Pump(800);
  p.change(Record(kChannels[1]));
  Pump(5000);  // 3.0 s display time and the slide-out
  span("with");
  Unload(p);
  Pump(2000);
  span("none2");
  Pump(1500);  // the script reads the last figures while the process lives
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

int64_t UtcNow() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return ((static_cast<int64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) - 116444736000000000LL) /
         10000000;
}

bool Visible(const char* title) {
  HWND wnd = FindWindowA(nullptr, title);
  return wnd && IsWindowVisible(wnd);
}

// The EPG panel shown, its list holding rows rows, nothing of it left to paint.
bool EpgPainted(int rows) {
  HWND epg = FindWindowA(nullptr, "EPG");
  if (!epg || !IsWindowVisible(epg) || GetUpdateRect(epg, nullptr, FALSE)) return false;
  if (rows == 0) return true;
  HWND list = GetDlgItem(epg, 5);
  return list && IsWindowVisible(list) && SendMessageA(list, LB_GETCOUNT, 0, 0) >= rows &&
         !GetUpdateRect(list, nullptr, FALSE);
}

// The EPG panel chosen from the menu: the time from the call until the panel
// is painted, seen by a timer of the host's thread that the panel's loop
// serves; the timer then closes the panel and the call returns.
struct MenuWatch {
  double t0 = 0, painted = 0;
  int rows = 0;
};
MenuWatch menuWatch;
void CALLBACK WatchMenu(HWND, UINT, UINT_PTR id, DWORD) {
  if (menuWatch.painted > 0 || !EpgPainted(menuWatch.rows)) return;
  menuWatch.painted = Now() - menuWatch.t0;
  KillTimer(nullptr, id);
  PostMessageA(FindWindowA(nullptr, "EPG"), WM_CLOSE, 0, 0);
}

// Key O while the banner is idle: the time until the EPG panel is painted with
// the tuned channel's rows (the schedule on), or without them; each press on
// the other of two channels, so that the list is made anew. Then the same
// panel from the menu, without the timer's polling of the key.
int RunEpg(const std::string& plugin, int rows, int schedule) {
  // Programme lines on, Unicode, the schedule on or off (tavik.ini lines 5, 19, 22).
  const std::string ini = Folder(plugin) + "\\tavik.ini";
  if (FILE* f = std::fopen(ini.c_str(), "wb")) {
    std::fprintf(f, " 3.0\r\n1\r\n0\r\n16777215\r\n1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n255\r\n"
                    "0\r\n0\r\n65535\r\n0\r\n\r\n1\r\n0\r\n0\r\n%d\r\n0\r\n", schedule);
    std::fclose(f);
  }
  MakeHostWindows();
  Pump(300);
  Plugin p;
  if (!Load(plugin.c_str(), &p)) return 2;
  Start(p);
  const std::vector<uint8_t> units = hostkit::Concatenate(hostkit::PidUnits(
      eitgen::BuildScheduleStream({kChannels[0].sid, kChannels[1].sid}, UtcNow(), rows, "Programme"),
      hostkit::kEitPid));
  p.change(Record(kChannels[0]));  // the first change only counts down
  Pump(800);
  std::vector<double> waits;
  for (int i = 0; i < 6; ++i) {
    p.change(Record(kChannels[i % 2]));  // starts the filter (the first time)
    for (size_t at = 0; hostApp.dataRoutine && at < units.size(); at += 10 * hostkit::kUnitSize) {
      const size_t n = std::min<size_t>(10 * hostkit::kUnitSize, units.size() - at);
      hostApp.dataRoutine(1, static_cast<int>(n), units.data() + at);
    }
    const double hidden0 = Now();
    while ((Visible("Tavik") || Visible("EPG")) && Now() - hidden0 < 10000)
      Pump(50);
    Pump(300 + 37 * i);  // a different phase of the idle timer each time
    SetForegroundWindow(hostApp.main);
    keybd_event('O', 0, 0, 0);
    keybd_event('O', 0, KEYEVENTF_KEYUP, 0);
    const double t0 = Now();
    while (!EpgPainted(schedule ? rows : 0) && Now() - t0 < 3000) Pump(1);
    waits.push_back(Now() - t0);
    PostMessageA(FindWindowA(nullptr, "EPG"), WM_CLOSE, 0, 0);
    Pump(100);
  }
  std::vector<double> menus;
  for (int i = 0; i < 6 && p.menu; ++i) {
    p.change(Record(kChannels[i % 2]));
    while ((Visible("Tavik") || Visible("EPG"))) Pump(50);
    menuWatch = MenuWatch();
    menuWatch.rows = schedule ? rows : 0;
    SetTimer(nullptr, 0, 1, WatchMenu);
    menuWatch.t0 = Now();
    p.menu(host::kMenuEpg);  // returns when the watch has closed the panel
    menus.push_back(menuWatch.painted);
    Pump(100);
  }
  Unload(p);
  if (!menus.empty())
    std::printf("menu EPG, schedule %d, %d rows: painted after median %.1f ms, at most %.1f ms "
                "(%zu openings)\n",
                schedule, schedule ? rows : 0, Percentile(menus, 0.5), Percentile(menus, 1.0),
                menus.size());
  std::printf("key O, schedule %d, %d rows: painted after median %.0f ms, at most %.0f ms "
              "(%zu presses, the timer's poll of the key included)\n",
              schedule, schedule ? rows : 0, Percentile(waits, 0.5), Percentile(waits, 1.0),
              waits.size());
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
  if (mode == "epg")
    return RunEpg(plugin, std::atoi(Arg(argc, argv, "--rows", "500")),
                  std::atoi(Arg(argc, argv, "--schedule", "1")));
  std::printf("unknown mode %s\n", mode.c_str());
  return 2;
}
