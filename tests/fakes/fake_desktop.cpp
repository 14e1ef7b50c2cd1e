// A scripted desktop standing in for user32, kernel32 and winmm natively.
#include "tests/fakes/fake_desktop.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "guide/broadcast_time.h"

namespace {

// The longest period the multimedia timer accepts (wPeriodMax on Windows).
constexpr uint32_t kLongestTimerPeriodMs = 1000000;

struct FakeWindow {
  std::string title;
  win32::Rect rect;
  win32::Wnd parent;
  bool visible = true;
  int32_t exStyle = 0;
  uint32_t process = fake::kViewerProcess;
  uint32_t thread = 0;  // the thread that added it
};

struct KeyScript {
  int pressed = 0;  // presses not yet polled
  bool held = false;
};

struct Desktop {
  std::recursive_mutex mu;
  std::map<uintptr_t, FakeWindow> windows;
  std::vector<uintptr_t> order;  // creation order
  uintptr_t nextHandle = 0x1000;
  std::map<int, KeyScript> keys;
  fake::HostHandler hostHandler;
  bool layeredAvailable = true;
  int zoneMinutes = 0;
  bool summerHour = false;
  int64_t utcNow = 0;   // UtcNowSeconds' answer
  std::string tempDir;  // GetTempPathA's answer; empty: it fails
  int dpi = 96;         // GetWindowDpi's answer
  std::vector<win32::Rect> monitors;
  std::vector<fake::SentMessage> sent;
  std::vector<fake::WindowPos> positions;
  std::vector<win32::Wnd> focus, foreground;
  std::vector<uint32_t> focusThreads, foregroundThreads;
  win32::Wnd front = fake::kViewerFront;
  std::vector<fake::KeyEvent> keyEvents;
  std::vector<std::pair<int, int>> cursor;
  std::vector<std::pair<std::string, std::string>> boxes;
  std::vector<std::string> debug;
  std::vector<fake::TimerSet> timers;
  std::vector<uint32_t> killed;
  std::vector<fake::LayeredCall> layered;
  uint32_t nextTimer = 1;
  int timerFailures = 0;
};

Desktop& D() {
  static Desktop desktop;
  return desktop;
}

uintptr_t Key(win32::Wnd w) { return reinterpret_cast<uintptr_t>(w); }

FakeWindow* Find(win32::Wnd w) {
  auto it = D().windows.find(Key(w));
  return it == D().windows.end() ? nullptr : &it->second;
}

bool Contains(const win32::Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

int TAVIK_STDCALL FakeSetLayered(win32::Wnd wnd, uint32_t key, uint8_t alpha,
                                 uint32_t flags) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().layered.push_back({wnd, key, alpha, flags});
  return Find(wnd) != nullptr;
}

}  // namespace

namespace fake {

void ResetDesktop() {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  Desktop& d = D();
  d.windows.clear();
  d.order.clear();
  d.keys.clear();
  d.hostHandler = nullptr;
  d.layeredAvailable = true;
  d.zoneMinutes = 0;
  d.summerHour = false;
  d.utcNow = 0;
  d.tempDir.clear();
  d.dpi = 96;
  d.monitors.clear();
  d.timers.clear();
  d.killed.clear();
  d.front = kViewerFront;
  d.timerFailures = 0;
  ClearRecords();
}

void ClearRecords() {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  Desktop& d = D();
  d.sent.clear();
  d.positions.clear();
  d.focus.clear();
  d.foreground.clear();
  d.focusThreads.clear();
  d.foregroundThreads.clear();
  d.keyEvents.clear();
  d.cursor.clear();
  d.boxes.clear();
  d.debug.clear();
  d.layered.clear();
}

win32::Wnd AddWindow(const std::string& title, win32::Rect rect, win32::Wnd parent) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  uintptr_t h = D().nextHandle += 0x10;
  FakeWindow w{title, rect, parent};
  w.thread = CurrentThread();
  D().windows[h] = w;
  D().order.push_back(h);
  return reinterpret_cast<win32::Wnd>(h);
}

void SetWindowProcess(win32::Wnd wnd, uint32_t process) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  if (FakeWindow* w = Find(wnd)) w->process = process;
}

void FailTimers(int count) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().timerFailures = count;
}

void SetForeground(win32::Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().front = wnd;
}

uint32_t CurrentThread() {
  return static_cast<uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id())) | 1u;
}

void RemoveWindow(win32::Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().windows.erase(Key(wnd));
  auto& o = D().order;
  o.erase(std::remove(o.begin(), o.end(), Key(wnd)), o.end());
}

void SetWindowTitle(win32::Wnd wnd, const std::string& title) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  if (FakeWindow* w = Find(wnd)) w->title = title;
}

std::string WindowTitle(win32::Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  return w ? w->title : std::string();
}

bool WindowVisible(win32::Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  return w && w->visible;
}

void SetWindowVisible(win32::Wnd wnd, bool visible) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  if (FakeWindow* w = Find(wnd)) w->visible = visible;
}

int32_t WindowExStyle(win32::Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  return w ? w->exStyle : 0;
}

void PressKey(int vk) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().keys[vk].pressed++;
}
void HoldKey(int vk) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().keys[vk].held = true;
  D().keys[vk].pressed++;
}
namespace {
std::atomic<win32::KeyUpSeen> keyHook{nullptr};
}
bool HostThreadTakesKeyUp(int vk) {
  win32::KeyUpSeen keyUp = keyHook.load();
  if (keyUp == nullptr) return false;
  keyUp(vk);
  return true;
}
void ReleaseKey(int vk) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().keys[vk].held = false;
}

void SetHostHandler(HostHandler handler) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().hostHandler = std::move(handler);
}

void SetTimeZone(int offsetMinutes, bool summerHour) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().zoneMinutes = offsetMinutes;
  D().summerHour = summerHour;
}

void SetUtcNow(int64_t seconds) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().utcNow = seconds;
}

void SetLayeredAvailable(bool available) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().layeredAvailable = available;
}

void SetDpi(int dpi) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().dpi = dpi;
}

void AddMonitor(win32::Rect rect) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().monitors.push_back(rect);
}

void SetTempDir(const std::string& dir) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().tempDir = dir;
}

#define FAKE_RECORD_GETTER(Type, Name, field)        \
  Type Name() {                                      \
    std::lock_guard<std::recursive_mutex> g(D().mu); \
    return D().field;                                \
  }
FAKE_RECORD_GETTER(std::vector<SentMessage>, SentMessages, sent)
FAKE_RECORD_GETTER(std::vector<WindowPos>, WindowPositions, positions)
FAKE_RECORD_GETTER(std::vector<win32::Wnd>, FocusCalls, focus)
FAKE_RECORD_GETTER(std::vector<win32::Wnd>, ForegroundCalls, foreground)
FAKE_RECORD_GETTER(std::vector<uint32_t>, FocusThreads, focusThreads)
FAKE_RECORD_GETTER(std::vector<uint32_t>, ForegroundThreads, foregroundThreads)
FAKE_RECORD_GETTER(std::vector<KeyEvent>, KeyEvents, keyEvents)
using IntPairs = std::vector<std::pair<int, int>>;
FAKE_RECORD_GETTER(IntPairs, CursorMoves, cursor)
using TextPairs = std::vector<std::pair<std::string, std::string>>;
FAKE_RECORD_GETTER(TextPairs, MessageBoxes, boxes)
FAKE_RECORD_GETTER(std::vector<std::string>, DebugStrings, debug)
FAKE_RECORD_GETTER(std::vector<TimerSet>, TimersSet, timers)
FAKE_RECORD_GETTER(std::vector<uint32_t>, TimersKilled, killed)
FAKE_RECORD_GETTER(std::vector<LayeredCall>, LayeredCalls, layered)
#undef FAKE_RECORD_GETTER

bool FireTimer(uint32_t id) {
  win32::TimerCallback proc = nullptr;
  {
    std::lock_guard<std::recursive_mutex> g(D().mu);
    for (const TimerSet& t : D().timers)
      if (t.id == id) proc = t.proc;
    for (uint32_t k : D().killed)
      if (k == id) proc = nullptr;
  }
  if (proc == nullptr) return false;
  proc(id, 0, 0, 0, 0);
  return true;
}

}  // namespace fake

namespace win32 {

int EnumWindows(EnumWindowsProc proc, intptr_t lparam) {
  std::vector<uintptr_t> tops;
  {
    std::lock_guard<std::recursive_mutex> g(D().mu);
    for (uintptr_t h : D().order)
      if (D().windows[h].parent == nullptr) tops.push_back(h);
  }
  for (uintptr_t h : tops)
    if (!proc(reinterpret_cast<Wnd>(h), lparam)) break;
  return 1;
}

int GetWindowTextA(Wnd wnd, char* buf, int maxCount) {
  if (buf == nullptr || maxCount <= 0) return 0;
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  std::string t = w ? w->title : std::string();
  size_t n = std::min(t.size(), static_cast<size_t>(maxCount - 1));
  t.copy(buf, n);
  buf[n] = '\0';
  return static_cast<int>(n);
}

Wnd WindowFromPoint(int x, int y) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  // The topmost (last created) visible window at the point; a child wins over
  // its parent.
  for (auto it = D().order.rbegin(); it != D().order.rend(); ++it) {
    const FakeWindow& w = D().windows[*it];
    if (w.parent != nullptr && w.visible && Contains(w.rect, x, y))
      return reinterpret_cast<Wnd>(*it);
  }
  for (auto it = D().order.rbegin(); it != D().order.rend(); ++it) {
    const FakeWindow& w = D().windows[*it];
    if (w.visible && Contains(w.rect, x, y)) return reinterpret_cast<Wnd>(*it);
  }
  return nullptr;
}

int GetWindowRect(Wnd wnd, Rect* rect) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  if (w == nullptr || rect == nullptr) return 0;
  *rect = w->rect;
  return 1;
}

int SetWindowPos(Wnd wnd, Wnd insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().positions.push_back({wnd, insertAfter, x, y, cx, cy, flags});
  FakeWindow* w = Find(wnd);
  if (w == nullptr) return 0;
  w->rect = Rect{x, y, x + cx, y + cy};
  if (flags & kSwpShowWindow) w->visible = true;
  return 1;
}

int32_t GetWindowLongA(Wnd wnd, int index) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  return (w && index == kGwlExStyle) ? w->exStyle : 0;
}

int32_t SetWindowLongA(Wnd wnd, int index, int32_t value) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  if (w == nullptr || index != kGwlExStyle) return 0;
  int32_t old = w->exStyle;
  w->exStyle = value;
  return old;
}

Wnd SetFocus(Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().focus.push_back(wnd);
  D().focusThreads.push_back(fake::CurrentThread());
  return nullptr;
}

int SetForegroundWindow(Wnd wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().foreground.push_back(wnd);
  D().foregroundThreads.push_back(fake::CurrentThread());
  D().front = wnd;
  return 1;
}

Wnd GetForegroundWindow() {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  return D().front;
}

uint32_t GetWindowThreadProcessId(Wnd wnd, uint32_t* processId) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  uint32_t process = 0, thread = 0;
  if (wnd == fake::kViewerFront) {
    process = fake::kViewerProcess;
  } else if (FakeWindow* w = Find(wnd)) {
    process = w->process;
    thread = w->thread;
  }
  if (processId != nullptr) *processId = process;
  return thread;
}

uint32_t GetCurrentProcessId() { return fake::kViewerProcess; }

uint32_t GetCurrentThreadId() { return fake::CurrentThread(); }

uintptr_t HookThreadKeyUps(KeyUpSeen keyUp) {
  fake::keyHook = keyUp;
  return 1;
}
void UnhookThreadKeyUps(uintptr_t hook) {
  if (hook != 0) fake::keyHook = nullptr;
}

int16_t GetAsyncKeyState(int vk) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  auto it = D().keys.find(vk);
  if (it == D().keys.end()) return 0;
  KeyScript& k = it->second;
  int16_t pressedBit = k.pressed > 0 ? 1 : 0;
  k.pressed = 0;
  if (k.held) return static_cast<int16_t>(0x8000 | pressedBit);
  return pressedBit;
}

void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extra) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().keyEvents.push_back({vk, scan, flags, extra});
}

int SetCursorPos(int x, int y) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().cursor.emplace_back(x, y);
  return 1;
}

intptr_t SendMessageA(Wnd wnd, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  fake::HostHandler handler;
  {
    std::lock_guard<std::recursive_mutex> g(D().mu);
    D().sent.push_back({wnd, msg, wparam, lparam});
    handler = D().hostHandler;
  }
  return handler ? handler(wnd, msg, wparam, lparam) : 0;
}

int MessageBoxA(Wnd, const char* text, const char* caption, uint32_t) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().boxes.emplace_back(text ? text : "", caption ? caption : "");
  return 1;
}

// The monitor the window overlaps most; of a window on none, the nearest.
int GetWindowMonitorRect(Wnd wnd, Rect* rect) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  FakeWindow* w = Find(wnd);
  if (w == nullptr || rect == nullptr || D().monitors.empty()) return 0;
  const Rect& r = w->rect;
  int64_t bestScore = INT64_MIN;
  for (const Rect& m : D().monitors) {
    const int64_t cx = std::min(r.right, m.right) - std::max(r.left, m.left);
    const int64_t cy = std::min(r.bottom, m.bottom) - std::max(r.top, m.top);
    // Overlap as a positive area; apart, minus the gap between them.
    const int64_t score =
        cx > 0 && cy > 0 ? cx * cy : std::min<int64_t>(cx, 0) + std::min<int64_t>(cy, 0);
    if (score > bestScore) {
      bestScore = score;
      *rect = m;
    }
  }
  return 1;
}

int GetWindowDpi(Wnd) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  return D().dpi;
}

Module GetModuleHandleA(const char*) { return reinterpret_cast<Module>(0x7700); }

SetLayeredFn GetSetLayeredWindowAttributes(Module) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  return D().layeredAvailable ? &FakeSetLayered : nullptr;
}

void OutputDebugStringA(const char* text) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().debug.emplace_back(text ? text : "");
}

void Sleep(uint32_t) {}

int SystemTimeToTzSpecificLocalTime(const SystemTime* utc, SystemTime* local) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  if (utc->month < 1 || utc->month > 12 || utc->hour > 23 || utc->minute > 59) return 0;
  int minutes = D().zoneMinutes;
  if (D().summerHour && utc->month >= 4 && utc->month <= 9) minutes += 60;
  *local = *utc;
  // The whole moment is moved, so the date and weekday follow the hour.
  const guide::CivilTime t = guide::CivilOfSeconds(
      guide::SecondsOfCivil(
          guide::CivilTime{utc->year, utc->month, utc->day, 0, utc->hour, utc->minute, 0}) +
      int64_t(minutes) * 60);
  local->hour = static_cast<uint16_t>(t.hour);
  local->minute = static_cast<uint16_t>(t.minute);
  local->dayOfWeek = static_cast<uint16_t>(t.weekday);
  local->day = static_cast<uint16_t>(t.day);
  local->month = static_cast<uint16_t>(t.month);
  local->year = static_cast<uint16_t>(t.year);
  return 1;
}

int64_t UtcNowSeconds() {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  return D().utcNow;
}

uint32_t GetTempPathA(uint32_t size, char* buf) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  const std::string& dir = D().tempDir;
  if (dir.empty()) return 0;
  if (dir.size() + 1 > size) return static_cast<uint32_t>(dir.size() + 1);
  dir.copy(buf, dir.size());
  buf[dir.size()] = '\0';
  return static_cast<uint32_t>(dir.size());
}

uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback proc, uintptr_t,
                      uint32_t flags) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  // The multimedia timer refuses a zero delay, and one over its longest period.
  if (delay == 0 || delay > kLongestTimerPeriodMs) return 0;
  if (D().timerFailures > 0) {
    --D().timerFailures;
    return 0;
  }
  uint32_t id = D().nextTimer++;
  D().timers.push_back({id, delay, resolution, flags, proc});
  return id;
}

uint32_t timeKillEvent(uint32_t id) {
  std::lock_guard<std::recursive_mutex> g(D().mu);
  D().killed.push_back(id);
  return 0;
}

}  // namespace win32
