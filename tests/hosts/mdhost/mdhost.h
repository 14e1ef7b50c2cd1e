// mdhost: a small Windows host that loads a receiver plug-in, calls its exports,
// answers its commands, feeds it EIT data and runs a scenario script.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host_interface.h"
#include "tests/hosts/mdhost/host_text.h"

namespace mdhost {

// ---- exit codes ----
constexpr int kExitOk = 0;
constexpr int kExitCheckFailed = 1;
constexpr int kExitSetup = 2;
constexpr int kExitCrash = 3;
constexpr int kExitHang = 4;

// ---- private messages to the main window (posted by the script thread) ----
constexpr UINT kMsgCall = WM_APP + 1;    // lParam: CallRequest*
constexpr UINT kMsgFinish = WM_APP + 2;  // end of the scenario: unload and quit

constexpr int kDefaultDllId = 7;
constexpr int kVideoTimerId = 1;
constexpr UINT kVideoTimerMs = 100;

enum class Family { ProgDvb, AltDvb, SkyView, DvbViewer, None };

struct Options {
  std::string plugin;
  Family family = Family::ProgDvb;
  std::string channels;
  std::string scenario;
  std::string out = ".";
  std::string ts;          // capture file, "generated" for the built-in stream, "" none
  int paceMs = 100;        // pause between deliveries
  bool paceFast = false;   // summaries instead of one trace line per delivery
  int quality = 75;        // signal quality answered; -1 leaves the reply untouched
  int filterHandle = 1;    // handle written into the filter request
  int hangSeconds = 10;    // an export call or step longer than this is a hang
  bool loadFails = false;  // "#! load fails": the scenario expects LoadLibrary to fail
};

struct MenuItem {
  unsigned id = 0;
  std::string text;
  bool last = false;  // carries the end flag
};

// A request the script thread hands to the host's own thread.
enum class CallKind { Zap, Menu, HotKey, FilterClose, Reload, Load, Unload };
struct CallRequest {
  CallKind kind;
  int arg = 0;       // channel index, menu id, filter offset, reload count
  int extra = 0;     // reload: zaps per cycle
  HANDLE done = nullptr;  // signalled when the call returned (null: nobody waits)
};

// ---- process-wide state, one instance ----
struct HostState {
  Options opt;
  std::vector<Channel> channels;
  HINSTANCE instance = nullptr;
  HWND mainWnd = nullptr;
  HWND videoWnd = nullptr;
  int currentChannel = -1;
  volatile LONG videoWidth = 0, videoHeight = 0;  // 0: the video fills the main window
  volatile LONG menuDepth = 0;     // On_Menu_Select calls still running
  volatile LONG callsPending = 0;  // posted calls not yet finished
  volatile LONG failures = 0;      // checks and protocol checks that failed
  volatile LONG checks = 0;
};
HostState& State();

// ---- trace.cpp ----
bool OpenTrace(const std::string& path);
void Trace(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
void Fail(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));  // counts a failure
bool TraceContains(const std::string& text);
int TraceCount(const std::string& text);  // occurrences, not overlapping
void FlushTrace();
DWORD ElapsedMs();

// ---- watchdog (main.cpp) ----
// Marks the calling thread's current long-running step; a step that outlives
// its limit ends the process with kExitHang. Scoped: restores the previous one.
class WatchScope {
 public:
  WatchScope(int slot, const char* label, DWORD limitMs);
  ~WatchScope();
  WatchScope(const WatchScope&) = delete;
  WatchScope& operator=(const WatchScope&) = delete;

 private:
  int slot_;
  bool hadPrevious_;
  bool previousSuspended_;
  char previousLabel_[128];
  DWORD previousStart_, previousLimit_;
};
constexpr int kSlotHostCall = 0;  // export calls on the host's thread
constexpr int kSlotScript = 1;    // the current scenario step
void SuspendWatch(int slot, bool suspended);  // a modal menu call may last
void Die(int code, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

// ---- channels.cpp ----
bool LoadChannels(const std::string& path, std::vector<Channel>& out, std::string& error);
int FindChannel(const std::vector<Channel>& list, const std::string& key);  // -1 when absent

// ---- plugin.cpp ----
// LoadLibrary, menu, exports, On_Start, name; refused is set when LoadLibrary
// itself failed (the library's entry routine refused the load).
bool LoadPlugin(std::string& error, bool* refused = nullptr);
// While on, the system refuses every window the plug-in's module creates on
// the host's thread (window_refusal.cpp).
void RefusePluginWindows(bool refuse);
void UnloadPlugin();                   // On_Exit, stop delivery, FreeLibrary
bool PluginLoaded();
void CallChannelChange(int index);
void CallMenuSelect(unsigned id);
void CallHotKey();
void CallFilterClose(unsigned offset);
bool AddressInPlugin(const void* address);
bool AddressInFormerPlugin(const void* address);  // code of a plug-in already unloaded
const std::vector<MenuItem>& PluginMenu();

// ---- host_window.cpp ----
bool CreateHostWindows(std::string& error);
const char* FamilyTitle(Family f);
bool ParseFamily(const std::string& name, Family& out);
void SetQuality(int quality);
// Gives the video window that size at the main window's top left corner;
// 0 0 makes it fill the main window again.
void SetVideoSize(int width, int height);

// ---- delivery.cpp ----
bool LoadStream(const std::string& source, std::string& error);
void StartDelivery(host::DataCallback routine);
void StopDelivery();  // returns once no call into the routine is in flight
bool DeliveryRunning();
long DeliveryCount();

// ---- scenario.cpp ----
bool LoadScenario(const std::string& path, std::string& error);
void StartScript();
// The "#! key words..." header lines, in file order.
const std::vector<std::vector<std::string>>& ScenarioHeaders();

// ---- plugin_folder.cpp ----
// "#! remove FILE", "#! ini LINE...", "#! load fails": applied before the first load.
bool ApplyHeaders(std::string& error);
bool RemovePluginFile(const std::string& name, std::string& error);
// Writes tavik.ini in the plug-in's folder: words[from..] one a line, CR LF.
bool WriteSettingsFile(const std::vector<std::string>& words, size_t from, std::string& error);
std::string PluginFolderPath(const std::string& rel);  // a relative path from the plug-in's folder

// ---- folder_files.cpp ----
// "file NAME ACTION...": words[from] is the file; see folder_files.cpp.
bool FileCommand(const std::vector<std::string>& words, size_t from, std::string& error);

// ---- scenario.cpp ----
bool ToInt(const std::string& s, long& out);  // decimal or 0x-hex, the whole word

// ---- load_watch.cpp ----
void StartLoadWatch();          // before the first LoadLibrary
void WatchLoad(bool loading);   // marks a load (boxes are answered at any time)
// A message box with that title and text (or, with part, a text holding it) was raised.
bool DialogSeen(const std::string& title, const std::string& text, std::string& detail,
                bool part = false);

// ---- screen_checks.cpp ----
// The checks of screen_checks.cpp; known is false for a check it does not know.
bool EvaluateScreen(const std::vector<std::string>& args, std::string& detail, bool& known);

// ---- samples.cpp ----
// "sample [LABEL]": traces the window count and the GDI object count.
bool TakeSample(const std::vector<std::string>& args, std::string& error);

// ---- checks.cpp ----
// One expect line (tokens after "expect"); true when the check held.
bool RunExpect(const std::vector<std::string>& args, std::string& error);
bool PressButton(const std::string& panel, const std::string& button, std::string& error);
// Clicks the close box of the visible window with that title (fails when it has none).
bool ClosePanel(const std::string& panel, std::string& error);
bool SetControl(const std::string& panel, int control, const std::string& value, std::string& error);
// The whole screen, or only `area` (screen coordinates) of it, as a BMP file.
bool SaveScreenshot(const std::string& path, std::string& error, const RECT* area = nullptr);
// The screen's pixels in r (on the screen) as a bottom-up DIB section of
// bitCount bits a pixel, or null; the caller deletes it.
HBITMAP GrabScreen(const RECT& r, int bitCount, void** bits);
HWND FindOwnWindow(const std::string& title);

}  // namespace mdhost
