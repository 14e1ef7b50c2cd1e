// hostile_host: a small Windows host that loads the real tavik.dll and runs
// hostile cases against it in one process. Shared declarations.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/hostkit/record.h"
#include "platform/host_interface.h"

namespace hostile {

constexpr int kExitHang = 4;
constexpr int kExitCrash = 3;
constexpr int kDllId = 7;
constexpr int32_t kFilterHandle = 5;  // the handle this host gives the filter
constexpr DWORD kPage = 4096;
constexpr int kUnit = host::kUnitSize;

// A small generator of our own: runs repeat exactly.
struct Random {
  uint32_t s;
  explicit Random(uint32_t seed) : s(seed) {}
  uint32_t Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
  }
};

// ---- hostile_main.cpp: the case runner ----
// Case bodies report what went wrong through Check; a case passes when none did.
bool Check(bool condition, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
void Note(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));  // an indented figure
const std::string& PluginPath();
bool AllocAll();  // --alloc-all: allocation_failures fails every N, however many
// Pumps this thread's messages for ms milliseconds (the plug-in's panels live here).
void Pump(DWORD ms);
// Pumps until test() holds or ms passed; true when it held.
template <typename Test>
bool PumpUntil(DWORD ms, Test test) {
  const DWORD t0 = GetTickCount();
  for (;;) {
    if (test()) return true;
    if (GetTickCount() - t0 >= ms) return false;
    Pump(20);
  }
}

// ---- host_side.cpp: the host's window, commands, plug-in and filter ----
bool CreateHostWindow(std::string& error);
HWND HostWindow();
void SetHostRect(const RECT& rect);  // before CreateHostWindow
DWORD FeederThreadId();
HMODULE PluginModule();
// On_Menu_Select: returns when the panel's loop ends (see CloseSoon).
void MenuSelect(unsigned menuId);
// Closes the plug-in panel with this title (WM_CLOSE) once a loop runs.
void CloseSoon(const char* title);
bool LoadPlugin(std::string& error);  // LoadLibrary, exports, On_Start
void ExitPlugin();                    // On_Exit only
void FreePlugin();                    // FreeLibrary only
bool PluginLoaded();
void ChannelChange(const host::TProgram82& record);
void FilterClose(unsigned handle);
// A record as this host hands it over: the host kit's, the host's own bytes
// in a pattern.
inline host::TProgram82 MakeRecord(const char* name, uint32_t frequency, uint8_t polarity,
                                   uint16_t serviceId, uint8_t caSystem) {
  return hostkit::MakeRecord(name, frequency, polarity, serviceId, caSystem,
                             hostkit::HostFields::kPattern);
}

// The filter as the host sees it.
struct FilterView {
  bool open = false;
  int starts = 0, stops = 0;
  int32_t lastStopHandle = 0;
  host::DataCallback routine = nullptr;
};
FilterView Filter();

// A delivery placed so that it ends exactly at an inaccessible page: a read
// past its last byte faults. At most kGuardedMax bytes.
constexpr size_t kGuardedMax = 16 * kPage;
class GuardedBuffer {
 public:
  GuardedBuffer();
  ~GuardedBuffer();
  // Copies size bytes so they end at the inaccessible page; returns their address.
  uint8_t* Place(const uint8_t* data, size_t size);
 private:
  uint8_t* base_ = nullptr;
};

// Calls the filter's routine directly (the routine the plug-in last gave).
void DeliverRaw(int filterId, int length, const uint8_t* buffer);

// The units of the generated stream (PID 0x0012 payloads, 184 bytes each).
const std::vector<uint8_t>& DemoUnits();
// The feeder: a thread of the host that delivers the generated stream from
// the start command on, as a real host does. A sound host stops it inside the
// stop command and waits for a call in flight; a careless one keeps
// delivering after the stop command until StopFeeder is called.
void SetCareless(bool careless);
// Feeding off: the start command opens the filter but nothing is delivered,
// so a case's own deliveries are the only ones. On again: the feeder starts
// at once when the filter is open.
void SetFeeding(bool on);
void StopFeeder();
// Deliveries back to back from now on (this process), so that the feeder is
// mostly found inside the plug-in.
void SetFeederWithoutPause();
long FeederCalls();
long FeederCallsAfterStop();  // deliveries made after the stop command

// ---- banner reading ----
HWND BannerWindow();
std::string ControlText(HWND panel, int id);
// A demo service: its record and the start of its expected programme lines.
struct DemoChannel {
  std::string name;
  uint16_t serviceId;
  host::TProgram82 record;
  std::string nowPrefix, nextPrefix;  // "(19:45) Harbour Life"
};
const std::vector<DemoChannel>& DemoChannels();
// True when, within ms, the banner shows the channel's name and its present
// and following lines; detail says what it showed otherwise.
bool BannerShows(const DemoChannel& ch, DWORD ms, std::string& detail);
// The normal channel change a user makes after the hostile input: the banner
// must show that channel with its programme lines. Records a failure otherwise.
void CheckStillWorks(int channelIndex, const char* after);
// The first channel change after a load only arms the banner (a countdown of
// the banner timer); this makes changes to the first demo channel until one
// shows, which also starts the filter.
void ArmBanner();

// A panel of the plug-in's by its title (class and process checked), or null.
HWND PluginPanel(const char* title);
// Presses a key as a user does (down, up).
void TapKey(BYTE vk);

// ---- process figures ----
size_t HeapInUse(size_t* blocks = nullptr);  // busy bytes over every heap of the process
int ProcessWindowCount();                    // top-level windows of this process

// ---- cases_schedule.cpp: the schedule's settings, deliveries and bound ----
// Appends lines to the plug-in's tavik.ini (after the run's eighteen: line 19
// on); returns the file as it was, for RestoreIni.
std::string AddIniLines(const char* lines);
void RestoreIni(const std::string& saved);
// Delivers units in deliveries of 1 to 10 of them, each ending at an
// inaccessible page so a read past a delivery faults.
void DeliverUnits(const std::vector<uint8_t>& units, Random& rng);
// Records a failure when the heap holds more than the store's bound (and some
// slack) more than before.
void CheckScheduleHeap(size_t before, const char* after);

// ---- the cases ----
void CaseRecords();
void CaseOtherStreamsFlood();
void CaseRandomDeliveries();
void CaseCutSections();
void CaseBadLengths();
void CaseAfterStop();
void CaseFourThreads();
void CaseRacingExit();
void CaseCarelessHost();
void CaseUnloadWithoutExit();
void CaseCycles(int cycles);
void CaseExitInFlight();
void CaseWindowsOfOurTitles();
void CaseSecondViewer();
void CaseLinesTogether();
void CaseKeysInOtherProgram();
void CaseKeyBeforeLoad();
void CaseAllocationFailures();
// The same with the schedule and the progress on (cases_memory.cpp).
void CaseScheduleAllocationFailures();
void CasePanelFileHugeSizes();
// Loads the plug-in itself, with the schedule on (cases_schedule.cpp).
void CaseScheduleDeliveries();
// The child processes those cases start (hostile_host.exe --child NAME).
int RunChild(const std::string& name);
// This program started again with --child NAME (on another copy of the
// plug-in when given); its process handle, or null.
HANDLE StartChild(const char* name, const char* plugin = nullptr);

}  // namespace hostile
