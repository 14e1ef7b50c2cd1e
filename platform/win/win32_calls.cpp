// The plug-in's Win32 seam on Windows: thin forwards to user32, kernel32, winmm.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "runtime/win/ui_internal.h"
#include "platform/win32.h"

namespace win32 {

namespace {
HWND H(Wnd w) { return static_cast<HWND>(w); }

// True when the window belongs to another thread: then placement is handed to
// that thread without waiting for it.
bool OtherThread(HWND wnd) {
  return wnd && GetWindowThreadProcessId(wnd, nullptr) != GetCurrentThreadId();
}
// Our own visible topmost panels, topmost first.
BOOL CALLBACK CollectOwnTopmost(HWND wnd, LPARAM lparam) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(wnd)) return TRUE;
  if (!(::GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST)) return TRUE;
  char cls[32];
  GetClassNameA(wnd, cls, sizeof cls);
  if (lstrcmpiA(cls, ui::rt::kPanelClass) == 0)
    reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(wnd);
  return TRUE;
}

// Without a window manager (wine under a bare X server) bringing a window to
// the front raises it on the screen above everything, topmost windows
// included, while the window list still has them on top. Windows never lets
// a plain window cover a topmost one, so our topmost panels are restacked,
// bottom one first, without activating them: out of the topmost band and back
// in, which leaves the window list as it was and makes the screen follow it.
void KeepOwnPanelsOnTop() {
  std::vector<HWND> own;
  ::EnumWindows(&CollectOwnTopmost, reinterpret_cast<LPARAM>(&own));
  for (auto it = own.rbegin(); it != own.rend(); ++it) {
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (OtherThread(*it)) flags |= SWP_ASYNCWINDOWPOS;
    ::SetWindowPos(*it, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    ::SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0, flags);
  }
}

}  // namespace

int EnumWindows(EnumWindowsProc proc, intptr_t lparam) {
  return ::EnumWindows(reinterpret_cast<WNDENUMPROC>(proc), static_cast<LPARAM>(lparam));
}

Wnd FindWindowA(const char* className, const char* title) {
  return ::FindWindowA(className, title);
}

int GetWindowTextA(Wnd wnd, char* buf, int maxCount) {
  if (buf == nullptr || maxCount <= 0) return 0;
  buf[0] = '\0';
  int n = ::GetWindowTextA(H(wnd), buf, maxCount);
  buf[maxCount - 1] = '\0';
  return n;
}

Wnd WindowFromPoint(int x, int y) {
  POINT p{x, y};
  return ::WindowFromPoint(p);
}

int GetWindowRect(Wnd wnd, Rect* rect) {
  RECT r;
  if (rect == nullptr || !::GetWindowRect(H(wnd), &r)) return 0;
  *rect = Rect{r.left, r.top, r.right, r.bottom};
  return 1;
}

// A visible window already first in the window list, at that very place,
// stays as it is when asked to the top of the topmost band there again.
bool AlreadyOnTopAt(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (insertAfter != HWND_TOPMOST || (flags & ~static_cast<UINT>(SWP_SHOWWINDOW)) != 0) return false;
  if (!IsWindowVisible(wnd) || GetTopWindow(nullptr) != wnd || ui::rt::PanelsShown()) return false;
  RECT r;
  return ::GetWindowRect(wnd, &r) && r.left == x && r.top == y && r.right - r.left == cx &&
         r.bottom - r.top == cy;
}

int SetWindowPos(Wnd wnd, Wnd insertAfter, int x, int y, int cx, int cy, uint32_t flags) {
  if (AlreadyOnTopAt(H(wnd), H(insertAfter), x, y, cx, cy, flags)) return 1;
  if (OtherThread(H(wnd))) flags |= SWP_ASYNCWINDOWPOS | SWP_NOACTIVATE;
  // A window made not to be activated (the banner) is not activated by being
  // placed either: activating it would take the host's window out of the
  // front, and the host's window brought back would then cover it.
  if (::GetWindowLongA(H(wnd), GWL_EXSTYLE) & WS_EX_NOACTIVATE) flags |= SWP_NOACTIVATE;
  return ::SetWindowPos(H(wnd), H(insertAfter), x, y, cx, cy, flags);
}

int32_t GetWindowLongA(Wnd wnd, int index) { return ::GetWindowLongA(H(wnd), index); }

int32_t SetWindowLongA(Wnd wnd, int index, int32_t value) {
  return ::SetWindowLongA(H(wnd), index, value);
}

// Handing the focus back to a window that already has it changes nothing on
// Windows; under wine it would still cost a round of messages and restacking.
Wnd SetFocus(Wnd wnd) {
  HWND focus = ::GetFocus();
  if (wnd != nullptr && focus == H(wnd)) return focus;
  return ::SetFocus(H(wnd));
}

int SetForegroundWindow(Wnd wnd) {
  // Already in front, and none of our panels shown since the last restack:
  // nothing on the screen would move, so nothing is done.
  const bool shown = ui::rt::TakePanelsShown();
  if (wnd != nullptr && ::GetForegroundWindow() == H(wnd) && !shown) return 1;
  int result = ::SetForegroundWindow(H(wnd));
  KeepOwnPanelsOnTop();
  return result;
}

int16_t GetAsyncKeyState(int vk) { return static_cast<int16_t>(::GetAsyncKeyState(vk)); }

void keybd_event(uint8_t vk, uint8_t scan, uint32_t flags, uintptr_t extra) {
  ::keybd_event(vk, scan, flags, static_cast<ULONG_PTR>(extra));
}

int SetCursorPos(int x, int y) { return ::SetCursorPos(x, y); }

intptr_t SendMessageA(Wnd wnd, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  return ::SendMessageA(H(wnd), msg, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam));
}

int MessageBoxA(Wnd owner, const char* text, const char* caption, uint32_t type) {
  return ::MessageBoxA(H(owner), text, caption, type);
}

int GetWindowDpi(Wnd wnd) {
  // Windows 10 1607 and later; looked up so the library loads on older ones.
  using DpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto dpiForWindow = reinterpret_cast<DpiForWindowFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("USER32.DLL"), "GetDpiForWindow")));
  UINT dpi = (dpiForWindow && wnd) ? dpiForWindow(H(wnd)) : 0;
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

void Sleep(uint32_t ms) { ::Sleep(ms); }

static_assert(sizeof(SystemTime) == sizeof(SYSTEMTIME), "SystemTime is SYSTEMTIME");
int SystemTimeToTzSpecificLocalTime(const SystemTime* utc, SystemTime* local) {
  SYSTEMTIME in, out;
  std::memcpy(&in, utc, sizeof in);
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return 0;
  std::memcpy(local, &out, sizeof out);
  return 1;
}

uint32_t GetTempPathA(uint32_t size, char* buf) { return ::GetTempPathA(size, buf); }

uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimerCallback proc,
                      uintptr_t user, uint32_t flags) {
  return ::timeSetEvent(delay, resolution, reinterpret_cast<LPTIMECALLBACK>(proc),
                        static_cast<DWORD_PTR>(user), flags);
}

uint32_t timeKillEvent(uint32_t id) { return ::timeKillEvent(id); }

}  // namespace win32
