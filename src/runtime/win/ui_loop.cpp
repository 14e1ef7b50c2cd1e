// The event loop: RunUserInterface until a callback quits it, and one pass
// over pending messages. Neither ever posts a quit message of its own.
#include "runtime/win/ui_internal.h"

namespace ui {

using namespace rt;

namespace rt {

void DispatchPanelMessage(MSG& msg) {
  // Tab and Enter work in the dialog panels.
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    char cls[32];
    GetClassNameA(root, cls, sizeof cls);
    if (lstrcmpiA(cls, kPanelClass) == 0 &&
        (GetWindowLongA(root, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
      // Escape closes a dialog panel as its close box does.
      PostMessageA(root, WM_CLOSE, 0, 0);
      return;
    }
  }
  if (root && (GetWindowLongA(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)) {
    char cls[32];
    GetClassNameA(root, cls, sizeof cls);
    if ((lstrcmpiA(cls, kPanelClass) == 0 || lstrcmpiA(cls, kFontDialogClass) == 0) &&
        IsDialogMessageA(root, &msg))
      return;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace rt

namespace {

// Runs the loop until a callback quits it, the watched panel (when there is
// one) is hidden or discarded, or the host's quit message arrives (which is
// left in the queue for the host's own loop).
int RunLoop(int watchedPanel) {
  DWORD self = GetCurrentThreadId();
  DWORD outerThread;
  bool outerQuit;
  int outerWatched;
  {
    LockGuard guard(TheRuntime().lock);
    outerThread = TheRuntime().loopThread;
    outerQuit = TheRuntime().quitRequested;
    outerWatched = TheRuntime().watchedPanel;
    ++TheRuntime().loopDepth;
    TheRuntime().loopThread = self;
    TheRuntime().quitRequested = false;
    TheRuntime().watchedPanel = watchedPanel;
  }
  int result = 0;
  MSG msg;
  for (;;) {
    {
      LockGuard guard(TheRuntime().lock);
      if (TheRuntime().quitRequested) break;
      if (watchedPanel >= 0) {
        PanelState* p = FindPanel(watchedPanel);
        if (!p || !p->visible) break;
      }
    }
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      result = kErrLoopEnded;
      break;
    }
    if (got < 0) {
      result = kErrLoopEnded;
      break;
    }
    DispatchPanelMessage(msg);
  }
  LockGuard guard(TheRuntime().lock);
  --TheRuntime().loopDepth;
  TheRuntime().loopThread = outerThread;
  TheRuntime().quitRequested = outerQuit;
  TheRuntime().watchedPanel = outerWatched;
  return result;
}

}  // namespace

int RunUserInterface() {
  RunLoop(-1);
  return 0;
}

int RunPanelLoop(int panel) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(panel);
    if (!p || !p->visible) return 0;
  }
  return RunLoop(panel);
}

namespace rt {

// A panel was hidden or discarded: the loop that watches it must look again.
void WakeLoopFor(int panel) {
  DWORD loopThread = 0;
  {
    LockGuard guard(TheRuntime().lock);
    if (TheRuntime().loopDepth == 0 || TheRuntime().watchedPanel != panel) return;
    loopThread = TheRuntime().loopThread;
  }
  PostThreadMessageA(loopThread, WM_NULL, 0, 0);
}

}  // namespace rt

// With no RunUserInterface running (a panel shown outside any loop) the call
// is ignored: there is nothing to end, and the host's own loop goes on.
int QuitUserInterface(int /*code*/) {
  DWORD loopThread;
  {
    LockGuard guard(TheRuntime().lock);
    if (TheRuntime().loopDepth == 0) return 0;
    TheRuntime().quitRequested = true;
    loopThread = TheRuntime().loopThread;
  }
  // Wake the loop even from its own thread: a callback run for a message
  // sent by another thread runs inside GetMessage, which would wait on.
  PostThreadMessageA(loopThread, WM_NULL, 0, 0);
  return 0;
}

int ProcessSystemEvents() {
  constexpr int kMaxMessages = 500;  // never loops forever on a flood
  MSG msg;
  for (int i = 0; i < kMaxMessages && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the host's, put back
      break;
    }
    DispatchPanelMessage(msg);
  }
  return 0;
}

}  // namespace ui
