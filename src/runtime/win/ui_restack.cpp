// Placing our panels on top and handing the front back to the host's window,
// with the restack that keeps our topmost panels above it on the screen under
// wine (Windows itself never lets a plain window cover a topmost one).
#include <atomic>
#include <vector>

#include "runtime/win/ui_internal.h"

namespace ui {
namespace rt {

namespace {

// A hidden panel shown may lie under other windows on the screen (no window
// manager under wine) until it is restacked.
std::atomic<bool> panelsShown{false};

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
  if (!(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST)) return TRUE;
  char cls[32];
  GetClassNameA(wnd, cls, sizeof cls);
  if (lstrcmpiA(cls, kPanelClass) == 0)
    reinterpret_cast<std::vector<HWND>*>(lparam)->push_back(wnd);
  return TRUE;
}

// Wine, found once at run time by its own export from ntdll. Only the thread
// that owns the host's window asks (mayAsk), in a hand-back, never DllMain nor
// the timer's thread: a tick must not wait for the loader's lock, which a
// FreeLibrary holds while it waits for the tick. Until then: not known, no
// restack.
bool UnderWine(bool mayAsk) {
  static std::atomic<int> known{-1};
  int wine = known.load();
  if (wine < 0) {
    if (!mayAsk) return false;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    wine = ntdll && GetProcAddress(ntdll, "wine_get_version") ? 1 : 0;
    known = wine;
  }
  return wine == 1;
}

// Without a window manager (wine under a bare X server) bringing a window to
// the front raises it on the screen above everything, topmost windows
// included, while the window list still has them on top. Windows never lets
// a plain window cover a topmost one, so our topmost panels are restacked,
// bottom one first, without activating them: out of the topmost band and back
// in, which leaves the window list as it was and makes the screen follow it.
void KeepOwnPanelsOnTop(bool mayAsk) {
  if (!UnderWine(mayAsk)) return;
  std::vector<HWND> own;
  EnumWindows(&CollectOwnTopmost, reinterpret_cast<LPARAM>(&own));
  for (auto it = own.rbegin(); it != own.rend(); ++it) {
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (OtherThread(*it)) flags |= SWP_ASYNCWINDOWPOS;
    SetWindowPos(*it, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(*it, HWND_TOPMOST, 0, 0, 0, 0, flags);
  }
}

// A visible window already first in the window list, at that very place,
// stays as it is when asked to the top of the topmost band there again.
bool AlreadyOnTopAt(HWND wnd, int x, int y, int cx, int cy) {
  if (!IsWindowVisible(wnd) || GetTopWindow(nullptr) != wnd || panelsShown.load()) return false;
  RECT r;
  return GetWindowRect(wnd, &r) && r.left == x && r.top == y && r.right - r.left == cx &&
         r.bottom - r.top == cy;
}

// A window of ours owned by that thread, to carry work to it; null if none.
HWND OwnWindowOfThread(DWORD thread) {
  LockGuard guard(TheRuntime().lock);
  for (auto& kv : TheRuntime().panels)
    if (kv.second->wnd && kv.second->owner == thread) return kv.second->wnd;
  return nullptr;
}

}  // namespace

void NotePanelShown() { panelsShown = true; }

// On the thread that owns the window (directly, or from kMsgFront).
void HandFrontHere(HWND wnd) {
  // Handing the focus back to a window that already has it changes nothing on
  // Windows; under wine it would still cost a round of messages and restacking.
  if (!wnd || GetFocus() != wnd) SetFocus(wnd);
  // Already in front, and none of our panels shown since the last restack:
  // nothing on the screen would move, so nothing is done.
  const bool shown = panelsShown.exchange(false);
  if (wnd && GetForegroundWindow() == wnd && !shown) return;
  SetForegroundWindow(wnd);
  KeepOwnPanelsOnTop(true);
}

}  // namespace rt

using namespace rt;

int PlaceOnTop(void* window, int x, int y, int width, int height) {
  HWND wnd = static_cast<HWND>(window);
  if (!wnd) return kErrBadValue;
  if (AlreadyOnTopAt(wnd, x, y, width, height)) return 0;
  UINT flags = SWP_SHOWWINDOW;
  if (OtherThread(wnd)) flags |= SWP_ASYNCWINDOWPOS | SWP_NOACTIVATE;
  // A window made not to be activated (the banner) is not activated by being
  // placed either: activating it would take the host's window out of the
  // front, and the host's window brought back would then cover it.
  if (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_NOACTIVATE) flags |= SWP_NOACTIVATE;
  return SetWindowPos(wnd, HWND_TOPMOST, x, y, width, height, flags) ? 0 : kErrBadValue;
}

void HandFrontTo(void* window) {
  HWND wnd = static_cast<HWND>(window);
  const DWORD owner = wnd ? GetWindowThreadProcessId(wnd, nullptr) : 0;
  if (owner == 0 || owner == GetCurrentThreadId()) return HandFrontHere(wnd);
  // SetFocus from another thread fails on Windows: the owner does it.
  HWND carrier = OwnWindowOfThread(owner);
  if (carrier && PostMessageA(carrier, kMsgFront, 0, reinterpret_cast<LPARAM>(wnd))) return;
  // No window of ours there (or the post failed): the foreground at least,
  // which any thread may ask for.
  SetForegroundWindow(wnd);
  KeepOwnPanelsOnTop(false);
}

void* PanelWindow(int panel) {
  LockGuard guard(TheRuntime().lock);
  PanelState* p = FindPanel(panel);
  return p ? p->wnd : nullptr;
}

}  // namespace ui
