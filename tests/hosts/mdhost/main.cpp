// mdhost entry: options, crash and hang guards, the host thread's message loop.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

struct WatchSlot {
  bool active = false;
  bool suspended = false;
  char label[128] = {};
  DWORD start = 0;
  DWORD limit = 0;
};

struct Watchdog {
  CRITICAL_SECTION lock;
  WatchSlot slots[2];
  Watchdog() { InitializeCriticalSection(&lock); }
};

Watchdog& W() {
  static Watchdog w;
  return w;
}

DWORD WINAPI WatchdogThread(void*) {
  for (;;) {
    Sleep(100);
    char label[128] = {};
    DWORD limit = 0;
    EnterCriticalSection(&W().lock);
    const DWORD now = GetTickCount();
    for (const WatchSlot& s : W().slots) {
      if (s.active && !s.suspended && now - s.start > s.limit) {
        std::memcpy(label, s.label, sizeof label);
        limit = s.limit;
      }
    }
    LeaveCriticalSection(&W().lock);
    if (label[0]) Die(kExitHang, "HANG: %s did not finish within %lu ms", label, (unsigned long)limit);
  }
}

bool FatalCode(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_IN_PAGE_ERROR:
      return true;
    default:
      return false;
  }
}

void ReportCrash(EXCEPTION_POINTERS* info, const char* how) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  const void* where = r->ExceptionAddress;
  unsigned long access = 0, target = 0;
  if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2) {
    access = static_cast<unsigned long>(r->ExceptionInformation[0]);
    target = static_cast<unsigned long>(r->ExceptionInformation[1]);
  }
  const char* place = AddressInPlugin(where) ? "inside the plug-in"
                      : AddressInFormerPlugin(where)
                          ? "where the unloaded plug-in was: its code still ran after FreeLibrary"
                          : "outside the plug-in";
  Die(kExitCrash,
      "CRASH: %s exception 0x%08lX at %p (%s) in thread %lu; access %lu of address 0x%08lX",
      how, static_cast<unsigned long>(r->ExceptionCode), where, place,
      static_cast<unsigned long>(GetCurrentThreadId()), access, target);
}

// A fault inside the plug-in's own code is fatal even if something up the stack
// would swallow it; faults elsewhere (the system's own probing) go on normally.
LONG CALLBACK VectoredHandler(EXCEPTION_POINTERS* info) {
  if (FatalCode(info->ExceptionRecord->ExceptionCode) &&
      AddressInPlugin(info->ExceptionRecord->ExceptionAddress)) {
    ReportCrash(info, "unhandled");
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI UnhandledFilter(EXCEPTION_POINTERS* info) {
  ReportCrash(info, "unhandled");
  return EXCEPTION_EXECUTE_HANDLER;
}

int Usage() {
  std::fprintf(stderr,
      "usage: mdhost --plugin DLL --family progdvb|altdvb|skyview|dvbviewer|none\n"
      "              --channels FILE --scenario FILE.scn --out FOLDER\n"
      "              [--ts CAPTURE.ts|generated] [--pace realtime|fast|MS] [--quality N]\n"
      "              [--handle N] [--hang SECONDS]\n");
  return kExitSetup;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  bool havePlugin = false, haveScenario = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return false;
    std::string v = argv[++i];
    if (a == "--plugin") { o.plugin = v; havePlugin = true; }
    else if (a == "--family") { if (!ParseFamily(v, o.family)) return false; }
    else if (a == "--channels") o.channels = v;
    else if (a == "--scenario") { o.scenario = v; haveScenario = true; }
    else if (a == "--out") o.out = v;
    else if (a == "--ts") o.ts = v;
    else if (a == "--pace") {
      if (v == "realtime") { o.paceMs = 100; o.paceFast = false; }
      else if (v == "fast") { o.paceMs = 1; o.paceFast = true; }
      else { o.paceMs = std::atoi(v.c_str()); o.paceFast = o.paceMs < 20; if (o.paceMs < 0) return false; }
    }
    else if (a == "--quality") o.quality = std::atoi(v.c_str());
    else if (a == "--handle") o.filterHandle = std::atoi(v.c_str());
    else if (a == "--hang") { o.hangSeconds = std::atoi(v.c_str()); if (o.hangSeconds < 1) return false; }
    else return false;
  }
  return havePlugin && haveScenario;
}

}  // namespace

HostState& State() {
  static HostState s;
  return s;
}

WatchScope::WatchScope(int slot, const char* label, DWORD limitMs) : slot_(slot) {
  EnterCriticalSection(&W().lock);
  WatchSlot& s = W().slots[slot];
  hadPrevious_ = s.active;
  previousSuspended_ = s.suspended;
  s.suspended = false;
  std::memcpy(previousLabel_, s.label, sizeof previousLabel_);
  previousStart_ = s.start;
  previousLimit_ = s.limit;
  s.active = true;
  std::snprintf(s.label, sizeof s.label, "%s", label);
  s.start = GetTickCount();
  s.limit = limitMs;
  LeaveCriticalSection(&W().lock);
}

WatchScope::~WatchScope() {
  EnterCriticalSection(&W().lock);
  WatchSlot& s = W().slots[slot_];
  s.active = hadPrevious_;
  s.suspended = previousSuspended_;
  std::memcpy(s.label, previousLabel_, sizeof s.label);
  // A nested call's time does not count against the outer one.
  s.start = GetTickCount();
  s.limit = previousLimit_;
  (void)previousStart_;
  LeaveCriticalSection(&W().lock);
}

void SuspendWatch(int slot, bool suspended) {
  EnterCriticalSection(&W().lock);
  W().slots[slot].suspended = suspended;
  if (!suspended) W().slots[slot].start = GetTickCount();
  LeaveCriticalSection(&W().lock);
}

void Die(int code, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Trace("%s", text);
  Trace("result: exit %d after %ld checks, %ld failed", code, (long)State().checks,
        (long)State().failures);
  FlushTrace();
  // Ending at once: the plug-in's detach code must not run in a broken process.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
}

}  // namespace mdhost

int main(int argc, char** argv) {
  using namespace mdhost;
  HostState& st = State();
  if (!ParseOptions(argc, argv, st.opt)) return Usage();
  // Wine hands a Unix TZ (which sets its time zone) on to the Windows
  // environment, where a real PC has none and the C runtime would misread
  // it: the plug-in is loaded into an environment without it.
  SetEnvironmentVariableA("TZ", nullptr);
  _putenv("TZ=");
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  CreateDirectoryA(st.opt.out.c_str(), nullptr);
  if (!OpenTrace(st.opt.out + "\\trace.txt")) std::fprintf(stderr, "mdhost: cannot write the trace file\n");
  AddVectoredExceptionHandler(1, VectoredHandler);
  SetUnhandledExceptionFilter(UnhandledFilter);
  CreateThread(nullptr, 0, WatchdogThread, nullptr, 0, nullptr);

  std::string error;
  if (!st.opt.channels.empty() && !LoadChannels(st.opt.channels, st.channels, error)) {
    Trace("setup error: %s", error.c_str());
    return kExitSetup;
  }
  if (!LoadScenario(st.opt.scenario, error)) {
    Trace("setup error: %s", error.c_str());
    return kExitSetup;
  }
  if (!st.opt.ts.empty() && !LoadStream(st.opt.ts, error)) {
    Trace("setup error: %s", error.c_str());
    return kExitSetup;
  }
  st.instance = GetModuleHandleA(nullptr);
  if (!CreateHostWindows(error)) {
    Trace("setup error: %s", error.c_str());
    return kExitSetup;
  }
  Trace("host: family %s, %zu channels, scenario %s", FamilyTitle(st.opt.family),
        st.channels.size(), st.opt.scenario.c_str());
  TIME_ZONE_INFORMATION zone = {};
  GetTimeZoneInformation(&zone);
  char zoneName[64] = "";
  WideCharToMultiByte(CP_UTF8, 0, zone.StandardName, -1, zoneName, sizeof zoneName, nullptr,
                      nullptr);
  Trace("host: time zone \"%s\", %ld minutes west of UTC; TZ %s", zoneName,
        static_cast<long>(zone.Bias), getenv("TZ") ? "set" : "not set");
  if (!ApplyHeaders(error)) {
    Trace("setup error: %s", error.c_str());
    return kExitSetup;
  }
  StartLoadWatch();
  bool refused = false;
  if (!LoadPlugin(error, &refused)) {
    if (!refused || !st.opt.loadFails) {
      Trace("setup error: %s", error.c_str());
      return kExitSetup;
    }
    // The scenario goes on without a plug-in to check what the failed load left.
    Trace("load: %s, as the scenario expects", error.c_str());
  } else if (st.opt.loadFails) {
    Fail("load: the plug-in loaded, but the scenario expects its load to fail");
  }
  Trace("host: main thread %lu", static_cast<unsigned long>(GetCurrentThreadId()));
  StartScript();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  const int code = st.failures > 0 ? kExitCheckFailed : kExitOk;
  Trace("result: exit %d after %ld checks, %ld failed", code, (long)st.checks, (long)st.failures);
  FlushTrace();
  return code;
}
