// The plug-in's Win32 seam on Windows: thin forwards to user32, kernel32, winmm.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstring>

#include "platform/win32.h"

namespace win32 {

namespace {
HWND AsHwnd(Wnd w) { return static_cast<HWND>(w); }
}  // namespace

int EnumWindows(EnumWindowsProc proc, intptr_t lparam) {
  return ::EnumWindows(reinterpret_cast<WNDENUMPROC>(proc), static_cast<LPARAM>(lparam));
}

int GetWindowTextA(Wnd wnd, char* buf, int maxCount) {
  if (buf == nullptr || maxCount <= 0) return 0;
  buf[0] = '\0';
  int n = ::GetWindowTextA(AsHwnd(wnd), buf, maxCount);
  buf[maxCount - 1] = '\0';
  return n;
}

Wnd WindowFromPoint(int x, int y) {
  POINT p{x, y};
  return ::WindowFromPoint(p);
}

int GetWindowRect(Wnd wnd, Rect* rect) {
  RECT r;
  if (rect == nullptr || !::GetWindowRect(AsHwnd(wnd), &r)) return 0;
  *rect = Rect{r.left, r.top, r.right, r.bottom};
  return 1;
}

int SetWindowPos(Wnd wnd, Wnd insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
  return ::SetWindowPos(AsHwnd(wnd), AsHwnd(insertAfter), x, y, cx, cy, flags);
}

int32_t GetWindowLongA(Wnd wnd, int index) { return ::GetWindowLongA(AsHwnd(wnd), index); }

int32_t SetWindowLongA(Wnd wnd, int index, int32_t value) {
  return ::SetWindowLongA(AsHwnd(wnd), index, value);
}

Wnd SetFocus(Wnd wnd) { return ::SetFocus(AsHwnd(wnd)); }

int SetForegroundWindow(Wnd wnd) { return ::SetForegroundWindow(AsHwnd(wnd)); }

Wnd GetForegroundWindow() { return ::GetForegroundWindow(); }

uint32_t GetWindowThreadProcessId(Wnd wnd, uint32_t* processId) {
  DWORD pid = 0;
  DWORD thread = ::GetWindowThreadProcessId(AsHwnd(wnd), &pid);
  if (processId != nullptr) *processId = pid;
  return thread;
}

int16_t GetAsyncKeyState(int vk) { return static_cast<int16_t>(::GetAsyncKeyState(vk)); }

namespace {
std::atomic<KeyUpSeen> keyUpSeen{nullptr};

// HC_ACTION: the message leaves the queue (a peek that leaves it there gives
// HC_NOREMOVE, and the same message comes again); bit 31: the key goes up.
LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && (static_cast<uint32_t>(lParam) & 0x80000000u) != 0) {
    if (KeyUpSeen keyUp = keyUpSeen.load()) keyUp(static_cast<int>(wParam));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

uintptr_t HookThreadKeyUps(KeyUpSeen keyUp) {
  keyUpSeen = keyUp;
  HHOOK hook = ::SetWindowsHookExA(WH_KEYBOARD, &KeyboardHook, nullptr, ::GetCurrentThreadId());
  if (hook == nullptr) keyUpSeen = nullptr;
  return reinterpret_cast<uintptr_t>(hook);
}

void UnhookThreadKeyUps(uintptr_t hook) {
  keyUpSeen = nullptr;
  if (hook != 0) ::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook));
}

void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extra) {
  ::keybd_event(vk, scan, flags, static_cast<ULONG_PTR>(extra));
}

int SetCursorPos(int x, int y) { return ::SetCursorPos(x, y); }

intptr_t SendMessageA(Wnd wnd, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  return ::SendMessageA(AsHwnd(wnd), msg, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}

int MessageBoxA(Wnd owner, const char* text, const char* caption, uint32_t type) {
  return ::MessageBoxA(AsHwnd(owner), text, caption, type);
}

int GetWindowMonitorRect(Wnd wnd, Rect* rect) {
  if (wnd == nullptr || rect == nullptr) return 0;
  HMONITOR monitor = ::MonitorFromWindow(AsHwnd(wnd), MONITOR_DEFAULTTONEAREST);
  MONITORINFO info;
  info.cbSize = sizeof info;
  if (monitor == nullptr || !::GetMonitorInfoA(monitor, &info)) return 0;
  const RECT& r = info.rcMonitor;
  if (r.right <= r.left || r.bottom <= r.top) return 0;
  *rect = Rect{r.left, r.top, r.right, r.bottom};
  return 1;
}

int GetWindowDpi(Wnd wnd) {
  // Windows 10 1607 and later; looked up so the library loads on older ones.
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto dpiForWindow = reinterpret_cast<DpiForWindowFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("USER32.DLL"), "GetDpiForWindow")));
  UINT dpi = (dpiForWindow && wnd) ? dpiForWindow(AsHwnd(wnd)) : 0;
  if (dpi == 0) {
    HDC screen = ::GetDC(nullptr);
    dpi = screen ? static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSY)) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? static_cast<int>(dpi) : 96;
}

Module GetModuleHandleA(const char* name) { return ::GetModuleHandleA(name); }

SetLayeredFn GetSetLayeredWindowAttributes(Module user32) {
  if (user32 == nullptr) return nullptr;
  FARPROC proc = ::GetProcAddress(static_cast<HMODULE>(user32), "SetLayeredWindowAttributes");
  return reinterpret_cast<SetLayeredFn>(reinterpret_cast<void*>(proc));
}

void OutputDebugStringA(const char* text) { ::OutputDebugStringA(text); }

uint32_t GetCurrentProcessId() { return ::GetCurrentProcessId(); }

uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }

void Sleep(uint32_t ms) { ::Sleep(ms); }

static_assert(sizeof(SystemTime) == sizeof(SYSTEMTIME), "SystemTime is SYSTEMTIME");
int SystemTimeToTzSpecificLocalTime(const SystemTime* utc, SystemTime* local) {
  SYSTEMTIME in, out;
  std::memcpy(&in, utc, sizeof in);
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return 0;
  std::memcpy(local, &out, sizeof out);
  return 1;
}

int64_t UtcNowSeconds() {
  FILETIME ft;
  ::GetSystemTimeAsFileTime(&ft);
  // 100-nanosecond intervals since 1601-01-01; 11644473600 seconds to 1970.
  const uint64_t ticks = uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
  return static_cast<int64_t>(ticks / 10000000u) - 11644473600LL;
}

uint32_t GetTempPathA(uint32_t size, char* buf) { return ::GetTempPathA(size, buf); }

uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback proc,
                      uintptr_t user, uint32_t flags) {
  return ::timeSetEvent(delay, resolution, reinterpret_cast<LPTIMECALLBACK>(proc),
                        static_cast<DWORD_PTR>(user), flags);
}

uint32_t timeKillEvent(uint32_t id) { return ::timeKillEvent(id); }

}  // namespace win32
