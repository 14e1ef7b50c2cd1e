// The in-memory panel runtime behind runtime/ui_runtime.h in native builds.
// It loads the real panel file (so ids and control numbers are checked),
// records every call, every value and every attribute, and lets tests press
// buttons and script the event loop. Panels get a fake desktop window with
// their title when loaded (hidden) and become visible on DisplayPanel.
// Thread-safe.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace fake {

// Clears all panels and records; sets the screen to 1280 x 1024, the clock to
// 12:34:56 and the module directory to ".".
void ResetUi();
void SetScreen(int width, int height);
void SetClock(int hours, int minutes, int seconds);
void SetModuleDir(const std::string& dir);
// Makes InitRuntime fail (returns 0).
void SetInitFails(bool fails);
// Makes LoadPanelEx of this panel id fail as a window the system refused.
void SetWindowFails(int panelId);

// Pictures: DisplayImageFile succeeds (0) only for paths added here; a path
// added as broken exists but cannot be shown; any other path does not exist.
void AddImageFile(const std::string& path);
void AddBrokenImageFile(const std::string& path);

// The font dialog: the handler receives typeface (capacity bytes) and the
// justification and returns 1 (confirmed) or 0 (cancelled). The default
// handler cancels. Each call's starting values are recorded.
using FontHandler = std::function<int(char* typeface, int capacity, int* justify)>;
void SetFontHandler(FontHandler handler);
struct FontPopupCall {
  std::string title, sample, typeface;
  int justify, minSize, maxSize, monospaced, showDefault, allowMeta;
};
std::vector<FontPopupCall> FontPopupCalls();

// Event loop: RunUserInterface runs the queued actions in order (on the
// caller's thread) until one of them leads to QuitUserInterface; with the
// queue empty it returns at once, so a test can never hang in it.
void QueueUiAction(std::function<void()> action);
// Runs, on the calling thread, the work HandFrontTo left for the thread of a
// window (as a posted message would run there); returns how many ran.
int RunPostedCalls();
int RunLoopCount();   // RunUserInterface calls so far
int QuitCount();      // QuitUserInterface calls so far
int ProcessEventsCount();

// Presses the button with this callback name on the panel (event 1, or the
// event given). Returns the callback's result, or -100 when there is none.
int PressButton(int panel, const std::string& callbackName, int event = 1);

// Panel and control state, by panel handle.
int PanelHandleForId(int panelId);  // the live handle loaded with this id, or -1
bool PanelLoaded(int panel);
bool PanelVisible(int panel);
int ActivePanel();
int PanelAttr(int panel, int attr);  // -999999 when never set
win32::Wnd PanelWindow(int panel);
std::string CtrlText(int panel, int control);     // value as text
bool CtrlUnicode(int panel, int control);         // the text was set as UTF-8
int CtrlInt(int panel, int control);              // value as integer
double CtrlDouble(int panel, int control);        // value as number
int CtrlAttr(int panel, int control, int attr);   // -999999 when never set
std::string CtrlAttrText(int panel, int control, int attr);
std::string CtrlImage(int panel, int control);    // last picture shown
bool HasControl(int panel, int control);
// A list box's row texts and its selected row (-1 none).
std::vector<std::string> ListRows(int panel, int control);
int ListIndex(int panel, int control);

// Every runtime call, one line each, for tests of call order, e.g.
// "SetCtrlAttribute(4,12,531,1115)", "SetCtrlVal(4,8,\"BBC\")", "DisplayPanel(4)".
std::vector<std::string> UiCalls();
void ClearUiCalls();

}  // namespace fake

constexpr int kUnsetAttr = -999999;
