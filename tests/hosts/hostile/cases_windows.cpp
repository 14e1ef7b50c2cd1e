// What a host following the Windows rules does that wine lets pass: it ends
// its process with work of the plug-in's in flight, has windows of its own
// (or a second viewer) with our panels' titles, and lets its user type into
// another program. Some run in a child process of this program.
#include <cstdio>
#include <cstring>

#include "tests/hosts/hostile/hostile.h"

#include <tlhelp32.h>

namespace hostile {
namespace {

constexpr UINT kExitChildCode = 42;
constexpr DWORD kChildLimitMs = 20000;
constexpr DWORD kHoldTriesMs = 4000;
constexpr DWORD kShowMs = 1500;
constexpr int kNameControl = 8;

constexpr char kExitEvent[] = "TavikHostileExitNow";

bool InPlugin(DWORD eip) {
  HMODULE m = PluginModule();
  if (!m) return false;
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(m);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(reinterpret_cast<BYTE*>(m) + dos->e_lfanew);
  const DWORD base = reinterpret_cast<DWORD>(m);
  return eip >= base && eip < base + nt->OptionalHeader.SizeOfImage;
}

// Suspends threads of this process while they run the plug-in's code and
// keeps them so: the host's delivery thread and, when caught, the banner
// timer's. Returns what it holds.
void HoldThreadsInPlugin(bool* delivery, bool* other) {
  *delivery = *other = false;
  const DWORD feeder = FeederThreadId(), self = GetCurrentThreadId();
  const DWORD t0 = GetTickCount();
  while (GetTickCount() - t0 < kHoldTriesMs && !(*delivery && *other)) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te;
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
      if (te.th32OwnerProcessID != GetCurrentProcessId() || te.th32ThreadID == self) continue;
      const bool isFeeder = te.th32ThreadID == feeder;
      if (isFeeder ? *delivery : *other) continue;
      HANDLE t = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, te.th32ThreadID);
      if (!t) continue;
      SuspendThread(t);
      CONTEXT ctx;
      ctx.ContextFlags = CONTEXT_CONTROL;
      if (GetThreadContext(t, &ctx) && InPlugin(ctx.Eip)) {
        (isFeeder ? *delivery : *other) = true;  // held for good
      } else {
        ResumeThread(t);
      }
      CloseHandle(t);
    }
    CloseHandle(snap);
    Sleep(1);
  }
}

// Child "exit": inside the About panel's loop, with a delivery (the host's
// feeder, inside its own lock around the call, as a sound host delivers) and,
// when caught, a banner tick held inside the plug-in, the host ends its process.
void CALLBACK ExitFromTheLoop(HWND, UINT, UINT_PTR, DWORD) {
  bool delivery = false, tick = false;
  HoldThreadsInPlugin(&delivery, &tick);
  std::printf("     child: exits inside the About panel's loop; held in the plug-in: delivery %s, other thread %s\n",
              delivery ? "yes" : "no", tick ? "yes" : "no");
  std::fflush(stdout);
  if (HANDLE now = OpenEventA(EVENT_MODIFY_STATE, FALSE, kExitEvent)) SetEvent(now);
  ExitProcess(kExitChildCode);
}

int ChildExit() {
  std::string error;
  if (!LoadPlugin(error)) return 2;
  ArmBanner();
  ChannelChange(DemoChannels()[1].record);  // the banner shown: ticks at their fastest
  SetFeederWithoutPause();
  SetTimer(nullptr, 0, 300, ExitFromTheLoop);
  MenuSelect(host::kMenuAbout);
  return 3;  // the loop ended without the exit
}

// Child "viewer": a second viewer on the same desktop, changing channel.
int ChildViewer() {
  std::string error;
  if (!LoadPlugin(error)) return 2;
  ArmBanner();
  for (int i = 0; i < 20; ++i) {
    ChannelChange(DemoChannels()[i % DemoChannels().size()].record);
    Pump(150);
  }
  ExitPlugin();
  StopFeeder();
  FreePlugin();
  return 0;
}

// Child "front": another program in front, until it is ended.
int ChildFront() {
  HWND w = CreateWindowExA(0, "STATIC", "Editor", WS_POPUP | WS_VISIBLE, 200, 200, 400, 300,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(w);
  Pump(kChildLimitMs);
  return 0;
}

// Waits for a child; its exit code, or -1 when it was still running after the
// limit (then ended).
int WaitChild(HANDLE child, DWORD* ms) {
  const DWORD t0 = GetTickCount();
  DWORD rc = WaitForSingleObject(child, kChildLimitMs);
  *ms = GetTickCount() - t0;
  DWORD code = 0;
  if (rc != WAIT_OBJECT_0) {
    TerminateProcess(child, 99);
    WaitForSingleObject(child, 5000);
    CloseHandle(child);
    return -1;
  }
  GetExitCodeProcess(child, &code);
  CloseHandle(child);
  return static_cast<int>(code);
}

struct Decoy {
  const char* title;
  HWND wnd;
  RECT rect;
};

LRESULT CALLBACK DecoyProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// Hides the panel with this title when the next timer message runs (inside
// the panel's loop), as its user closing it would.
const char* g_closeTitle = nullptr;
void CALLBACK CloseThePanel(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (HWND p = PluginPanel(g_closeTitle)) PostMessageA(p, WM_CLOSE, 0, 0);
}

}  // namespace

void CloseSoon(const char* title) {
  g_closeTitle = title;
  SetTimer(nullptr, 0, 200, CloseThePanel);
}

int RunChild(const std::string& name) {
  std::string error;
  if (name == "viewer") SetHostRect(RECT{100, 60, 900, 560});
  if (!CreateHostWindow(error)) return 2;
  if (name == "exit") return ChildExit();
  if (name == "viewer") return ChildViewer();
  if (name == "front") return ChildFront();
  return 2;
}

HANDLE StartChild(const char* name, const char* plugin) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string cmd = std::string("\"") + exe + "\" --plugin \"" +
                    (plugin ? plugin : PluginPath().c_str()) + "\" --child " + name;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi;
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

void CaseExitInFlight() {
  HANDLE exitNow = CreateEventA(nullptr, TRUE, FALSE, kExitEvent);
  for (int run = 0; run < 3; ++run) {
    ResetEvent(exitNow);
    HANDLE child = StartChild("exit");
    if (!Check(child != nullptr, "the child could not be started")) return;
    // Timed from the moment the child calls ExitProcess.
    HANDLE both[] = {exitNow, child};
    WaitForMultipleObjects(2, both, FALSE, kChildLimitMs);
    DWORD ms = 0;
    const int code = WaitChild(child, &ms);
    Note("run %d: ExitProcess to the process's end: %lu ms (exit code %d)", run + 1,
         static_cast<unsigned long>(ms), code);
    Check(code == static_cast<int>(kExitChildCode),
          "run %d: the exiting host %s (exit code %d)", run + 1,
          code == -1 ? "was still alive after 20 s" : "did not end as it asked", code);
  }
  CloseHandle(exitNow);
}

void CaseWindowsOfOurTitles() {
  // The host's own always-on-top windows, titled as our panels.
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DecoyProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HostileDecoy";
  RegisterClassA(&wc);
  Decoy decoys[] = {{"Tavik", nullptr, {}}, {"EPG", nullptr, {}}, {"Settings", nullptr, {}},
                    {"About", nullptr, {}}};
  int x = 700;
  for (Decoy& d : decoys) {
    d.wnd = CreateWindowExA(WS_EX_TOPMOST, "HostileDecoy", d.title, WS_POPUP | WS_VISIBLE, x, 600,
                            60, 40, nullptr, nullptr, wc.hInstance, nullptr);
    x += 70;
    GetWindowRect(d.wnd, &d.rect);
  }
  CheckStillWorks(1, "the host's windows of our titles were made");
  SetForegroundWindow(HostWindow());
  Pump(200);
  TapKey('P');
  TapKey('O');
  PumpUntil(kShowMs, [] { return PluginPanel("EPG") && IsWindowVisible(PluginPanel("EPG")); });
  const struct {
    unsigned id;
    const char* title;
  } menus[] = {{host::kMenuSettings, "Settings"}, {host::kMenuAbout, "About"},
               {host::kMenuEpg, "EPG"}};
  for (const auto& m : menus) {
    CloseSoon(m.title);  // closed as its close box does: nothing saved
    MenuSelect(m.id);
  }
  CheckStillWorks(2, "the panels were shown");
  for (Decoy& d : decoys) {
    RECT now;
    GetWindowRect(d.wnd, &now);
    Check(std::memcmp(&now, &d.rect, sizeof now) == 0 && IsWindowVisible(d.wnd),
          "the host's window \"%s\" was moved, resized or hidden", d.title);
    Check(!(GetWindowLongA(d.wnd, GWL_EXSTYLE) & WS_EX_LAYERED),
          "the host's window \"%s\" was made translucent", d.title);
    DestroyWindow(d.wnd);
  }
}

void CaseSecondViewer() {
  // The second viewer loads its own copy of the plug-in, whose settings give
  // it a taller banner: a banner it moves is told by its height.
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string dir = std::string(temp) + "tavik-second-viewer";
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string ours = PluginPath().substr(0, PluginPath().find_last_of('\\'));
  CopyFileA(PluginPath().c_str(), (dir + "\\tavik.dll").c_str(), FALSE);
  CopyFileA((ours + "\\tavik.uir").c_str(), (dir + "\\tavik.uir").c_str(), FALSE);
  if (FILE* ini = std::fopen((dir + "\\tavik.ini").c_str(), "wb")) {
    std::fputs(" 1.0\r\n2\r\n0\r\n16777215\r\n1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"
               "255\r\n0\r\n1\r\n65535\r\n0\r\n\r\n", ini);
    std::fclose(ini);
  }
  CheckStillWorks(0, "the first change");
  HANDLE child = StartChild("viewer", (dir + "\\tavik.dll").c_str());
  if (!Check(child != nullptr, "the second viewer could not be started")) return;
  // Our banner, placed by our own changes, must keep its place and size while
  // the second viewer changes its channels.
  int moved = 0, samples = 0, zaps = 0;
  const DWORD t0 = GetTickCount();
  while (WaitForSingleObject(child, 0) == WAIT_TIMEOUT && GetTickCount() - t0 < kChildLimitMs) {
    ChannelChange(DemoChannels()[zaps++ % DemoChannels().size()].record);
    HWND banner = BannerWindow();
    RECT placed;
    GetWindowRect(banner, &placed);
    for (int i = 0; i < 10; ++i) {
      Pump(25);
      RECT now;
      if (!IsWindowVisible(banner) || !GetWindowRect(banner, &now)) continue;
      ++samples;
      if (std::memcmp(&now, &placed, sizeof now) != 0) ++moved;
    }
  }
  DWORD ms = 0;
  const int code = WaitChild(child, &ms);
  Check(code == 0, "the second viewer ended with %d", code);
  Note("%d samples of our banner while the second viewer changed channels, %d moved", samples,
       moved);
  Check(samples > 0 && moved == 0, "the second viewer moved our banner in %d of %d samples",
        moved, samples);
}

// The banner's two programme lines reach its windows together. Read on the
// thread that owns them right after each of its messages, over channel
// changes back to back, a present line never stands beside an empty
// following line (the timer's thread sets both; the owner applies them).
void CaseLinesTogether() {
  constexpr int kNow = 10, kNext = 11;
  CheckStillWorks(0, "the first change");
  HWND banner = BannerWindow();
  int reads = 0, shown = 0, halves = 0;
  std::string sample;
  for (int zap = 0; zap < 30; ++zap) {
    ChannelChange(DemoChannels()[zap % DemoChannels().size()].record);
    const DWORD t0 = GetTickCount();
    while (GetTickCount() - t0 < 400) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        const std::string now = ControlText(banner, kNow), next = ControlText(banner, kNext);
        ++reads;
        if (!now.empty() && !next.empty()) ++shown;
        if (now.empty() != next.empty()) {
          if (halves++ == 0) sample = "\"" + now + "\" beside \"" + next + "\"";
        }
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
  Note("%d reads after the owner's messages over 30 changes, %d with both lines, %d with one",
       reads, shown, halves);
  Check(shown > 0, "the lines were never shown");
  Check(halves == 0, "one line shown without the other %d times, first %s", halves, sample.c_str());
}

void CaseKeysInOtherProgram() {
  CheckStillWorks(0, "the first change");
  HWND banner = BannerWindow();
  PumpUntil(4000, [&] { return !IsWindowVisible(banner); });
  HANDLE child = StartChild("front");
  if (!Check(child != nullptr, "the other program could not be started")) return;
  auto othersInFront = [] {
    DWORD pid = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &pid);
    return pid != 0 && pid != GetCurrentProcessId();
  };
  Check(PumpUntil(5000, othersInFront), "the other program never came to the front");
  TapKey('P');
  TapKey('O');
  Pump(600);
  auto shown = [](const char* title) {
    HWND w = PluginPanel(title);
    return w && IsWindowVisible(w);
  };
  Check(!shown("Tavik"), "key P typed into another program showed the banner");
  Check(!shown("EPG"), "key O typed into another program showed the EPG panel");
  TerminateProcess(child, 0);  // our own child: the other program goes away
  WaitForSingleObject(child, 5000);
  CloseHandle(child);
  SetForegroundWindow(HostWindow());
  Pump(600);
  Check(!shown("Tavik") && !shown("EPG"), "a key typed into another program acted later");
  TapKey('P');
  Check(PumpUntil(kShowMs, [&] { return shown("Tavik"); }),
        "key P with the viewer in front did not show the banner");
}

void CaseKeyBeforeLoad() {
  SetForegroundWindow(HostWindow());
  Pump(100);
  TapKey('P');
  TapKey('O');
  std::string error;
  if (!Check(LoadPlugin(error), "load: %s", error.c_str())) return;
  Pump(500);
  ChannelChange(DemoChannels()[0].record);  // the first change only arms the banner
  Pump(500);
  HWND banner = PluginPanel("Tavik");
  HWND epg = PluginPanel("EPG");
  Check(!(banner && IsWindowVisible(banner)), "a P typed before the load showed the banner (name \"%s\")",
        ControlText(banner, kNameControl).c_str());
  Check(!(epg && IsWindowVisible(epg)), "an O typed before the load showed the EPG panel");
  ArmBanner();
  CheckStillWorks(1, "keys typed before the load");
}

}  // namespace hostile
