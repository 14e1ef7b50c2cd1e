// The fake desktop behind platform/win32.h in native builds: scripted windows
// with titles and rectangles, a key-state script, and recorders of everything
// the plug-in asks of user32, kernel32 and winmm. Thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace fake {

struct SentMessage {
  win32::Wnd wnd;
  uint32_t msg;
  uintptr_t wparam;
  intptr_t lparam;
};

struct WindowPos {
  win32::Wnd wnd;
  win32::Wnd insertAfter;
  int x, y, cx, cy;
  uint32_t flags;
};

struct TimerSet {
  uint32_t id, delay, resolution, flags;
  win32::TimerCallback proc;
};

struct LayeredCall {
  win32::Wnd wnd;
  uint32_t colorKey;
  uint8_t alpha;
  uint32_t flags;
};

struct KeyEvent {
  uint8_t vk, scan;
  uint32_t flags;
  uintptr_t extra;
};

// Processes: every window belongs to the viewer's process unless a test
// says otherwise. Until a test (or the plug-in) sets one, the foreground is a
// window of the viewer's process that no enumeration finds.
constexpr uint32_t kViewerProcess = 100;
constexpr uint32_t kOtherProcess = 200;
inline win32::Wnd const kViewerFront = reinterpret_cast<win32::Wnd>(static_cast<uintptr_t>(0x10));
void SetWindowProcess(win32::Wnd wnd, uint32_t process);
void SetForeground(win32::Wnd wnd);
// A number for the calling thread, as GetCurrentThreadId gives it; a window
// belongs to the thread that added it.
uint32_t CurrentThread();

// Clears every window, script and record.
void ResetDesktop();

// Adds a window; top-level windows are enumerated in the order added.
// WindowFromPoint finds the last-added window containing the point, children
// before their parents.
win32::Wnd AddWindow(const std::string& title, win32::Rect rect,
                     win32::Wnd parent = nullptr);
void RemoveWindow(win32::Wnd wnd);
void SetWindowTitle(win32::Wnd wnd, const std::string& title);
std::string WindowTitle(win32::Wnd wnd);
bool WindowVisible(win32::Wnd wnd);
void SetWindowVisible(win32::Wnd wnd, bool visible);
int32_t WindowExStyle(win32::Wnd wnd);

// Keys: Press gives +1 at the next poll, then 0; Hold gives 0x8001 at the
// next poll, then 0x8000 until Release.
void PressKey(int vk);
void HoldKey(int vk);
void ReleaseKey(int vk);
// The host's thread takes a key-up message from its queue: the plug-in's
// keyboard hook on that thread sees it (false when there is none).
bool HostThreadTakesKeyUp(int vk);

// The host's answer to SendMessageA (the command messages).
using HostHandler = std::function<intptr_t(win32::Wnd, uint32_t, uintptr_t, intptr_t)>;
void SetHostHandler(HostHandler handler);

// The time zone SystemTimeToTzSpecificLocalTime answers with: minutes east
// of UTC, and one more hour from April to September (a daylight-saving rule
// simple enough for tests). 0 and no summer hour after ResetDesktop.
void SetTimeZone(int offsetMinutes, bool summerHour);

// What UtcNowSeconds answers (seconds since 1970 UTC); 0 after ResetDesktop.
void SetUtcNow(int64_t seconds);

// The next count timeSetEvent calls fail (return 0).
void FailTimers(int count);

// Whether user32 offers SetLayeredWindowAttributes.
void SetLayeredAvailable(bool available);
// Monitors, in the order added; none after a reset, and then
// GetWindowMonitorRect names none (the plug-in falls back to the screen).
void AddMonitor(win32::Rect rect);
// What GetWindowDpi answers (96 after a reset).
void SetDpi(int dpi);
// What GetTempPathA answers (with its trailing separator); "" makes it fail.
void SetTempDir(const std::string& dir);

// Records.
std::vector<SentMessage> SentMessages();
std::vector<WindowPos> WindowPositions();
std::vector<win32::Wnd> FocusCalls();       // SetFocus
std::vector<win32::Wnd> ForegroundCalls();  // SetForegroundWindow
std::vector<uint32_t> FocusThreads();       // the thread of each SetFocus
std::vector<uint32_t> ForegroundThreads();  // the thread of each SetForegroundWindow
std::vector<KeyEvent> KeyEvents();
std::vector<std::pair<int, int>> CursorMoves();
std::vector<std::pair<std::string, std::string>> MessageBoxes();  // text, caption
std::vector<std::string> DebugStrings();
std::vector<TimerSet> TimersSet();
std::vector<uint32_t> TimersKilled();
std::vector<LayeredCall> LayeredCalls();
void ClearRecords();

// Runs the callback of a live timer once, as the timer thread would.
bool FireTimer(uint32_t id);

}  // namespace fake
