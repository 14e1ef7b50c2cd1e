// hostile_host.exe: runs the hostile cases against the real plug-in in one
// process under a watchdog, one output line per case and a closing count.
//   hostile_host.exe --plugin PATH\tavik.dll [--cycles N] [--only NAME] [--alloc-all (last)]
//   --selftest crash|hang: a case that faults or hangs, to see the guard work
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tests/hosts/hostile/hostile.h"

namespace hostile {
namespace {

constexpr DWORD kWatchTickMs = 100;
constexpr int kDefaultCycles = 200;

struct Runner {
  std::string plugin;
  char caseName[64] = "";
  volatile LONG deadline = 0;  // GetTickCount at which the current case hangs; 0: none
  std::vector<std::string> problems;
  CRITICAL_SECTION lock;
  int passed = 0, failed = 0;
};
Runner g_run;

// The watchdog: a case over its limit is a hang; the process ends at once
// (a clean exit could wait forever on the hung plug-in).
DWORD WINAPI Watchdog(void*) {
  for (;;) {
    Sleep(kWatchTickMs);
    const LONG d = g_run.deadline;
    if (d != 0 && static_cast<LONG>(GetTickCount() - static_cast<DWORD>(d)) > 0) {
      std::printf("HANG %s: over its time limit\n%d passed, %d failed\n", g_run.caseName,
                  g_run.passed, g_run.failed + 1);
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), kExitHang);
    }
  }
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* r = info->ExceptionRecord;
  std::printf("CRASH %s: exception 0x%08lX at %p", g_run.caseName,
              static_cast<unsigned long>(r->ExceptionCode), r->ExceptionAddress);
  if (r->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && r->NumberParameters >= 2)
    std::printf(" (%s address 0x%08lX)", r->ExceptionInformation[0] ? "writing" : "reading",
                static_cast<unsigned long>(r->ExceptionInformation[1]));
  std::printf("\n%d passed, %d failed\n", g_run.passed, g_run.failed + 1);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), kExitCrash);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Leaves the plug-in unloaded whatever state a case left it in.
void Unload() {
  if (!PluginLoaded()) return;
  ExitPlugin();
  StopFeeder();
  FreePlugin();
}

void RunCase(const char* name, DWORD limitMs, void (*body)(), bool needsPlugin = true) {
  std::snprintf(g_run.caseName, sizeof g_run.caseName, "%s", name);
  g_run.problems.clear();
  InterlockedExchange(&g_run.deadline, static_cast<LONG>(GetTickCount() + limitMs));
  const DWORD t0 = GetTickCount();
  std::string error;
  SetFeeding(true);
  SetCareless(false);
  if (!needsPlugin) {
    body();
  } else if (!LoadPlugin(error)) {
    Check(false, "load: %s", error.c_str());
  } else {
    ArmBanner();
    body();
  }
  Unload();
  InterlockedExchange(&g_run.deadline, 0);
  const DWORD ms = GetTickCount() - t0;
  if (g_run.problems.empty()) {
    ++g_run.passed;
    std::printf("PASS %s (%lu ms)\n", name, static_cast<unsigned long>(ms));
  } else {
    ++g_run.failed;
    std::printf("FAIL %s (%lu ms):", name, static_cast<unsigned long>(ms));
    for (const std::string& p : g_run.problems) std::printf(" %s;", p.c_str());
    std::printf("\n");
  }
  std::fflush(stdout);
}

}  // namespace

bool Check(bool condition, const char* format, ...) {
  if (condition) return true;
  char text[512];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  EnterCriticalSection(&g_run.lock);
  g_run.problems.push_back(text);
  LeaveCriticalSection(&g_run.lock);
  return false;
}

void Note(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::printf("     ");
  std::vprintf(format, ap);
  std::printf("\n");
  va_end(ap);
  std::fflush(stdout);
}

const std::string& PluginPath() { return g_run.plugin; }

static bool g_allocAll = false;
bool AllocAll() { return g_allocAll; }

void Pump(DWORD ms) {
  const DWORD t0 = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (GetTickCount() - t0 < ms);
}

}  // namespace hostile

int main(int argc, char** argv) {
  using namespace hostile;
  InitializeCriticalSection(&g_run.lock);
  int cycles = kDefaultCycles;
  std::string only, selftest, child;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--plugin")) g_run.plugin = argv[i + 1];
    else if (!std::strcmp(argv[i], "--cycles")) cycles = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--only")) only = argv[i + 1];
    else if (!std::strcmp(argv[i], "--selftest")) selftest = argv[i + 1];
    else if (!std::strcmp(argv[i], "--child")) child = argv[i + 1];
  }
  for (int i = 1; i < argc; ++i)
    if (!std::strcmp(argv[i], "--alloc-all")) g_allocAll = true;
  if (g_run.plugin.empty()) {
    std::fprintf(stderr, "usage: hostile_host.exe --plugin PATH [--cycles N] [--only NAME]\n");
    return 2;
  }
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (!child.empty()) return RunChild(child);  // a case's other process
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(OnCrash);
  CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
  std::string error;
  if (!CreateHostWindow(error)) {
    std::printf("setup: %s\n0 passed, 1 failed\n", error.c_str());
    return 2;
  }
  if (selftest == "crash") RunCase("selftest_crash", 5000, [] { *static_cast<volatile int*>(nullptr) = 1; }, false);
  if (selftest == "hang") RunCase("selftest_hang", 1000, [] { Sleep(INFINITE); }, false);
  struct Entry {
    const char* name;
    DWORD limitMs;
    void (*body)();
  } const cases[] = {
      {"records_hostile_then_normal", 30000, CaseRecords},
      {"deliveries_random_bytes", 30000, CaseRandomDeliveries},
      {"deliveries_cut_sections", 30000, CaseCutSections},
      {"deliveries_bad_lengths", 30000, CaseBadLengths},
      {"deliveries_after_stop", 30000, CaseAfterStop},
      {"deliveries_four_threads", 40000, CaseFourThreads},
      {"deliveries_racing_exit", 30000, CaseRacingExit},
      {"deliveries_careless_host", 30000, CaseCarelessHost},
      {"unload_without_exit", 30000, CaseUnloadWithoutExit},
      {"exit_with_work_in_flight", 90000, CaseExitInFlight},
      {"host_windows_of_our_titles", 30000, CaseWindowsOfOurTitles},
      {"second_viewer_on_the_desktop", 40000, CaseSecondViewer},
      {"programme_lines_shown_together", 30000, CaseLinesTogether},
      {"keys_typed_into_another_program", 30000, CaseKeysInOtherProgram},
  };
  for (const Entry& e : cases)
    if (only.empty() || only == e.name) RunCase(e.name, e.limitMs, e.body);
  const Entry unloaded[] = {
      {"keys_typed_before_the_load", 30000, CaseKeyBeforeLoad},
      {"allocation_failures", 400000, CaseAllocationFailures},
      {"allocation_failures_with_the_schedule", 200000, CaseScheduleAllocationFailures},
      // 12 timed channel changes: seconds each if anything grew with the sizes.
      {"panel_file_huge_sizes", 30000, CasePanelFileHugeSizes},
      {"schedule_hostile_deliveries", 120000, CaseScheduleDeliveries},
      {"other_streams_flood", 120000, CaseOtherStreamsFlood},
  };
  for (const Entry& e : unloaded)
    if (only.empty() || only == e.name) RunCase(e.name, e.limitMs, e.body, false);
  static int s_cycles;
  s_cycles = cycles;
  if (only.empty() || only == "load_unload_cycles")
    RunCase("load_unload_cycles", 150000, [] { CaseCycles(s_cycles); }, false);
  std::printf("%d passed, %d failed\n", g_run.passed, g_run.failed);
  std::fflush(stdout);
  // The plug-in is gone; nothing of ours needs a clean exit.
  TerminateProcess(GetCurrentProcess(), g_run.failed == 0 ? 0 : 1);
  return g_run.failed == 0 ? 0 : 1;
}
