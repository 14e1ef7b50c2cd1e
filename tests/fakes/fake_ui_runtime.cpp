// An in-memory panel runtime that records every call, for native tests.
#include "tests/fakes/fake_ui_runtime.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "common/text.h"
#include "tests/fakes/fake_desktop.h"
#include "runtime/panel_file.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"

namespace {

struct FakeRow {
  std::string text;
  int value = 0;
  bool unicode = false;
  int colour = ui::kNoRowColour;
};

struct FakeCtrl {
  ui::CtrlKind kind = ui::CtrlKind::TextLine;
  ui::CtrlDef def;            // as the panel file gives it
  std::vector<FakeRow> rows;  // list box
  int index = -1;             // a list's selected row
  std::string text;
  bool unicode = false;  // text is UTF-8 (SetCtrlValUnicode)
  double number = 0;
  std::map<int, int> attrs;
  std::map<int, std::string> textAttrs;
  std::string image;
  std::string callback;
};

struct FakePanel {
  int id = 0;
  int width = 0, height = 0;  // as the panel file gives them
  std::string title;
  bool visible = false;
  std::map<int, int> attrs;
  std::map<int, FakeCtrl> ctrls;
  win32::Wnd wnd = nullptr;
};

struct Runtime {
  std::recursive_mutex mu;
  bool initialised = false;
  bool initFails = false;
  int windowFailsFor = -1;  // the panel id whose window cannot be made
  std::string lastReason;
  std::vector<ui::CallbackEntry> callbacks;
  std::map<int, FakePanel> panels;
  int nextHandle = 1;
  int active = -1;
  int screenW = 1280, screenH = 1024;
  int hours = 12, minutes = 34, seconds = 56;
  std::string moduleDir = ".";
  std::set<std::string> images;
  std::set<std::string> brokenImages;
  fake::FontHandler fontHandler;
  std::vector<fake::FontPopupCall> fontCalls;
  std::vector<std::function<void()>> queue;
  std::vector<std::function<void()>> posted;  // for the thread of a window
  bool quit = false;
  int loopDepth = 0;
  int loops = 0, quits = 0, processed = 0;
  std::vector<std::string> calls;
};

Runtime& TheRuntime() {
  static Runtime runtime;
  return runtime;
}

std::atomic<void (*)()> callPause{nullptr};
std::recursive_mutex& AfterPause(std::recursive_mutex& mu) {
  if (void (*pause)() = callPause.load()) pause();
  return mu;
}
// The runtime's lock, taken after the pause a race test asks for.
struct Guard : std::lock_guard<std::recursive_mutex> {
  explicit Guard(std::recursive_mutex& mu) : lock_guard(AfterPause(mu)) {}
};

void Log(const std::string& line) { TheRuntime().calls.push_back(line); }

std::string Quote(const char* s) { return std::string("\"") + (s ? s : "") + "\""; }

FakePanel* FindFakePanel(int panel) {
  auto it = TheRuntime().panels.find(panel);
  return it == TheRuntime().panels.end() ? nullptr : &it->second;
}

FakeCtrl* FindFakeCtrl(int panel, int control) {
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr) return nullptr;
  auto it = p->ctrls.find(control);
  return it == p->ctrls.end() ? nullptr : &it->second;
}

std::string NumberText(double v) {
  char buf[64];
  FormatText(buf, sizeof buf, "%g", v);
  return buf;
}

}  // namespace

namespace fake {

void ResetUi() {
  Guard g(TheRuntime().mu);
  Runtime& r = TheRuntime();
  for (auto& [handle, p] : r.panels) RemoveWindow(p.wnd);
  r.panels.clear();
  r.callbacks.clear();
  r.initialised = false;
  r.initFails = false;
  callPause = nullptr;
  r.windowFailsFor = -1;
  r.lastReason.clear();
  r.active = -1;
  r.screenW = 1280;
  r.screenH = 1024;
  r.hours = 12;
  r.minutes = 34;
  r.seconds = 56;
  r.moduleDir = ".";
  r.images.clear();
  r.brokenImages.clear();
  r.fontHandler = nullptr;
  r.fontCalls.clear();
  r.queue.clear();
  r.posted.clear();
  r.quit = false;
  r.loopDepth = 0;
  r.loops = r.quits = r.processed = 0;
  r.calls.clear();
}

void SetScreen(int width, int height) {
  Guard g(TheRuntime().mu);
  TheRuntime().screenW = width;
  TheRuntime().screenH = height;
}

void SetClock(int hours, int minutes, int seconds) {
  Guard g(TheRuntime().mu);
  TheRuntime().hours = hours;
  TheRuntime().minutes = minutes;
  TheRuntime().seconds = seconds;
}

void SetModuleDir(const std::string& dir) {
  Guard g(TheRuntime().mu);
  TheRuntime().moduleDir = dir;
}

void SetInitFails(bool fails) {
  Guard g(TheRuntime().mu);
  TheRuntime().initFails = fails;
}

void SetWindowFails(int panelId) {
  Guard g(TheRuntime().mu);
  TheRuntime().windowFailsFor = panelId;
}

void SetCallPause(void (*pause)()) { callPause = pause; }

void AddImageFile(const std::string& path) {
  Guard g(TheRuntime().mu);
  TheRuntime().images.insert(path);
}

void AddBrokenImageFile(const std::string& path) {
  Guard g(TheRuntime().mu);
  TheRuntime().brokenImages.insert(path);
}

void SetFontHandler(FontHandler handler) {
  Guard g(TheRuntime().mu);
  TheRuntime().fontHandler = std::move(handler);
}

std::vector<FontPopupCall> FontPopupCalls() {
  Guard g(TheRuntime().mu);
  return TheRuntime().fontCalls;
}

void QueueUiAction(std::function<void()> action) {
  Guard g(TheRuntime().mu);
  TheRuntime().queue.push_back(std::move(action));
}

int RunPostedCalls() {
  std::vector<std::function<void()>> calls;
  {
    Guard g(TheRuntime().mu);
    calls.swap(TheRuntime().posted);
  }
  for (auto& call : calls) call();
  return static_cast<int>(calls.size());
}

int RunLoopCount() { Guard g(TheRuntime().mu); return TheRuntime().loops; }
int QuitCount() { Guard g(TheRuntime().mu); return TheRuntime().quits; }
int ProcessEventsCount() { Guard g(TheRuntime().mu); return TheRuntime().processed; }

int PressButton(int panel, const std::string& callbackName, int event) {
  ui::CtrlCallback fn = nullptr;
  int control = -1;
  {
    Guard g(TheRuntime().mu);
    FakePanel* p = FindFakePanel(panel);
    if (p == nullptr) return -100;
    for (auto& [number, c] : p->ctrls)
      if (c.callback == callbackName) control = number;
    for (const ui::CallbackEntry& e : TheRuntime().callbacks)
      if (callbackName == e.name) fn = e.fn;
  }
  if (fn == nullptr || control < 0) return -100;
  return fn(panel, control, event, nullptr, 0, 0);
}

int PanelHandleForId(int panelId) {
  Guard g(TheRuntime().mu);
  for (auto& [handle, p] : TheRuntime().panels)
    if (p.id == panelId) return handle;
  return -1;
}

bool PanelLoaded(int panel) { Guard g(TheRuntime().mu); return FindFakePanel(panel) != nullptr; }

bool PanelVisible(int panel) {
  Guard g(TheRuntime().mu);
  FakePanel* p = FindFakePanel(panel);
  return p && p->visible;
}

int ActivePanel() { Guard g(TheRuntime().mu); return TheRuntime().active; }

int PanelAttr(int panel, int attr) {
  Guard g(TheRuntime().mu);
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr || !p->attrs.count(attr)) return kUnsetAttr;
  return p->attrs[attr];
}

win32::Wnd PanelWindow(int panel) {
  Guard g(TheRuntime().mu);
  FakePanel* p = FindFakePanel(panel);
  return p ? p->wnd : nullptr;
}

std::string CtrlText(int panel, int control) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  return c ? c->text : std::string();
}

bool CtrlUnicode(int panel, int control) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  return c != nullptr && c->unicode;
}

int CtrlInt(int panel, int control) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  return c ? static_cast<int>(c->number) : 0;
}

double CtrlDouble(int panel, int control) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  return c ? c->number : 0;
}

int CtrlAttr(int panel, int control, int attr) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr || !c->attrs.count(attr)) return kUnsetAttr;
  return c->attrs[attr];
}

std::string CtrlAttrText(int panel, int control, int attr) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr || !c->textAttrs.count(attr)) return std::string();
  return c->textAttrs[attr];
}

std::string CtrlImage(int panel, int control) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  return c ? c->image : std::string();
}

bool HasControl(int panel, int control) {
  Guard g(TheRuntime().mu);
  return FindFakeCtrl(panel, control) != nullptr;
}

std::vector<std::string> ListRows(int panel, int control) {
  Guard g(TheRuntime().mu);
  std::vector<std::string> rows;
  if (FakeCtrl* c = FindFakeCtrl(panel, control))
    for (const FakeRow& row : c->rows) rows.push_back(row.text);
  return rows;
}

int ListIndex(int panel, int control) {
  Guard g(TheRuntime().mu);
  FakeCtrl* c = FindFakeCtrl(panel, control);
  return c ? c->index : -1;
}

std::vector<std::string> UiCalls() {
  Guard g(TheRuntime().mu);
  return TheRuntime().calls;
}

void ClearUiCalls() {
  Guard g(TheRuntime().mu);
  TheRuntime().calls.clear();
}

}  // namespace fake

namespace ui {

int InitRuntime(void*, const CallbackEntry* table, int count) {
  Guard g(TheRuntime().mu);
  Log("InitRuntime");
  if (TheRuntime().initFails) {
    TheRuntime().lastReason = "cannot register the window classes";
    return 0;
  }
  TheRuntime().callbacks.assign(table, table + (table ? count : 0));
  TheRuntime().initialised = true;
  return 1;
}

void CloseRuntime() {
  Guard g(TheRuntime().mu);
  Log("CloseRuntime");
  TheRuntime().initialised = false;
}

int LoadPanelEx(int, const char* path, int panelId, void*) {
  Guard g(TheRuntime().mu);
  Log("LoadPanelEx(" + std::to_string(panelId) + ")");
  std::vector<PanelDef> defs;
  std::string error;
  if (path == nullptr || !LoadPanelFile(path, &defs, &error)) {
    win32::OutputDebugStringA(error.c_str());
    TheRuntime().lastReason = error;
    return kErrFile;
  }
  if (panelId == TheRuntime().windowFailsFor) {
    TheRuntime().lastReason = "cannot create the window of panel " + std::to_string(panelId);
    return kErrNoWindow;
  }
  for (const PanelDef& def : defs) {
    if (def.id != panelId) continue;
    // Tests that load panels without a callback table skip the binding check.
    std::string unbound =
        UnknownCallback(def, TheRuntime().callbacks.data(), TheRuntime().callbacks.size());
    if (!TheRuntime().callbacks.empty() && !unbound.empty()) {
      win32::OutputDebugStringA(("a button names no known callback: " + unbound).c_str());
      return kErrFile;
    }
    int handle = TheRuntime().nextHandle++;
    FakePanel& p = TheRuntime().panels[handle];
    p.id = panelId;
    p.title = def.title;
    p.width = def.width;
    p.height = def.height;
    for (const CtrlDef& c : def.controls) {
      FakeCtrl& fc = p.ctrls[c.number];
      fc.kind = c.kind;
      fc.callback = c.callback;
      fc.attrs[kAttrLeft] = c.left;
      fc.attrs[kAttrTop] = c.top;
      fc.def = c;
    }
    p.wnd = fake::AddWindow(def.title, win32::Rect{0, 0, def.width, def.height});
    fake::SetWindowVisible(p.wnd, false);
    return handle;
  }
  win32::OutputDebugStringA("panel id not in the panel file");
  return kErrBadPanel;
}

int DisplayPanel(int panel) {
  Guard g(TheRuntime().mu);
  Log("DisplayPanel(" + std::to_string(panel) + ")");
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr) return kErrBadPanel;
  p->visible = true;
  fake::SetWindowVisible(p->wnd, true);
  return 0;
}

// The fake applies nothing to windows: deferring changes nothing it records.
int DeferPanelUpdates(int panel, int /*defer*/) {
  Guard g(TheRuntime().mu);
  return FindFakePanel(panel) == nullptr ? kErrBadPanel : 0;
}

int HidePanel(int panel) {
  Guard g(TheRuntime().mu);
  Log("HidePanel(" + std::to_string(panel) + ")");
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr) return kErrBadPanel;
  p->visible = false;
  fake::SetWindowVisible(p->wnd, false);
  return 0;
}

int DiscardPanel(int panel) {
  Guard g(TheRuntime().mu);
  Log("DiscardPanel(" + std::to_string(panel) + ")");
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr) return kErrBadPanel;
  fake::RemoveWindow(p->wnd);
  TheRuntime().panels.erase(panel);
  if (TheRuntime().active == panel) TheRuntime().active = -1;
  return 0;
}

// Placement and the front go to the fake desktop, where tests read them.
int PlaceOnTop(void* window, int x, int y, int width, int height) {
  return win32::SetWindowPos(window, win32::kHwndTopmost, x, y, width, height,
                             win32::kSwpShowWindow)
             ? 0
             : kErrBadValue;
}

// From a thread other than the window's, the work waits for that thread
// (fake::RunPostedCalls), as a posted message would.
void HandFrontTo(void* window) {
  const uint32_t thread = win32::GetWindowThreadProcessId(window, nullptr);
  if (thread != 0 && thread != win32::GetCurrentThreadId()) {
    Guard g(TheRuntime().mu);
    TheRuntime().posted.push_back([window] { HandFrontTo(window); });
    return;
  }
  win32::SetFocus(window);
  win32::SetForegroundWindow(window);
}

void* PanelWindow(int panel) {
  Guard g(TheRuntime().mu);
  FakePanel* p = FindFakePanel(panel);
  return p ? p->wnd : nullptr;
}

int SetActivePanel(int panel) {
  Guard g(TheRuntime().mu);
  Log("SetActivePanel(" + std::to_string(panel) + ")");
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  TheRuntime().active = panel;
  return 0;
}

int SetPanelAttribute(int panel, int attr, int value) {
  Guard g(TheRuntime().mu);
  Log("SetPanelAttribute(" + std::to_string(panel) + "," + std::to_string(attr) + "," +
      std::to_string(value) + ")");
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr) return kErrBadPanel;
  p->attrs[attr] = value;
  return 0;
}

int SetCtrlAttribute(int panel, int control, int attr, int value) {
  Guard g(TheRuntime().mu);
  Log("SetCtrlAttribute(" + std::to_string(panel) + "," + std::to_string(control) + "," +
      std::to_string(attr) + "," + std::to_string(value) + ")");
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr) return kErrBadControl;
  c->attrs[attr] = value;
  return 0;
}

int SetCtrlAttribute(int panel, int control, int attr, const char* value) {
  Guard g(TheRuntime().mu);
  Log("SetCtrlAttribute(" + std::to_string(panel) + "," + std::to_string(control) + "," +
      std::to_string(attr) + "," + Quote(value) + ")");
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr) return kErrBadControl;
  c->textAttrs[attr] = value ? value : "";
  return 0;
}

namespace {
int SetValue(int panel, int control, const std::string& text, double number,
             const std::string& logged, bool unicode = false) {
  Guard g(TheRuntime().mu);
  Log(std::string(unicode ? "SetCtrlValUnicode(" : "SetCtrlVal(") + std::to_string(panel) + "," +
      std::to_string(control) + "," + logged + ")");
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr) return kErrBadControl;
  c->text = text;
  c->number = number;
  c->unicode = unicode;
  return 0;
}
}  // namespace

int SetCtrlVal(int panel, int control, int value) {
  {
    Guard g(TheRuntime().mu);
    FakeCtrl* c = FindFakeCtrl(panel, control);
    if (c != nullptr && c->kind == CtrlKind::Progress) value = value < 0 ? 0 : value > 100 ? 100 : value;
  }
  return SetValue(panel, control, std::to_string(value), value, std::to_string(value));
}

int SetCtrlVal(int panel, int control, double value) {
  return SetValue(panel, control, NumberText(value), value, NumberText(value));
}

int SetCtrlVal(int panel, int control, const char* value) {
  std::string text = value ? value : "";
  return SetValue(panel, control, text, std::atof(text.c_str()), Quote(value));
}

int SetCtrlValUnicode(int panel, int control, const char* utf8) {
  if (utf8 == nullptr) return kErrBadValue;
  return SetValue(panel, control, utf8, 0, Quote(utf8), true);
}

int GetCtrlVal(int panel, int control, int* value) {
  Guard g(TheRuntime().mu);
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr || value == nullptr) return kErrBadControl;
  *value = static_cast<int>(c->number);
  return 0;
}

int GetCtrlVal(int panel, int control, float* value) {
  Guard g(TheRuntime().mu);
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr || value == nullptr) return kErrBadControl;
  *value = static_cast<float>(c->number);
  return 0;
}

int GetCtrlVal(int panel, int control, char* value, int capacity) {
  Guard g(TheRuntime().mu);
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr || value == nullptr || capacity <= 0) return kErrBadControl;
  CopyText(value, static_cast<size_t>(capacity), c->text.c_str());
  return 0;
}

int ResetTextBox(int panel, int control, const char* text) {
  return SetValue(panel, control, text ? text : "", 0, "reset " + Quote(text));
}

void ShutdownPictures() {}

int DeleteImage(int panel, int control) {
  Guard g(TheRuntime().mu);
  Log("DeleteImage(" + std::to_string(panel) + "," + std::to_string(control) + ")");
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr) return kErrBadPanel;
  c->image.clear();
  return 0;
}

int DisplayImageFile(int panel, int control, const char* path) {
  Guard g(TheRuntime().mu);
  Log("DisplayImageFile(" + std::to_string(panel) + "," + std::to_string(control) + "," +
      Quote(path) + ")");
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr) return kErrBadPanel;
  if (path == nullptr) return kErrBadValue;
  if (TheRuntime().brokenImages.count(path)) return kErrFile;
  if (!TheRuntime().images.count(path)) return kErrNoFile;
  c->image = path;
  return 0;
}

namespace {
// Runs the queued actions until a quit, the watched panel hidden or gone, or
// an empty queue (kErrLoopEnded: nothing more would ever happen).
int RunQueued(int watchedPanel) {
  {
    Guard g(TheRuntime().mu);
    Log(watchedPanel < 0 ? "RunUserInterface" : "RunPanelLoop(" + std::to_string(watchedPanel) + ")");
    TheRuntime().loops++;
    TheRuntime().loopDepth++;
    TheRuntime().quit = false;
  }
  int result = 0;
  for (;;) {
    std::function<void()> action;
    {
      Guard g(TheRuntime().mu);
      if (TheRuntime().quit) break;
      if (watchedPanel >= 0) {
        FakePanel* p = FindFakePanel(watchedPanel);
        if (p == nullptr || !p->visible) break;
      }
      if (TheRuntime().queue.empty()) {
        result = kErrLoopEnded;
        break;
      }
      action = TheRuntime().queue.front();
      TheRuntime().queue.erase(TheRuntime().queue.begin());
    }
    action();
  }
  Guard g(TheRuntime().mu);
  TheRuntime().loopDepth--;
  TheRuntime().quit = false;
  return result;
}
}  // namespace

int RunUserInterface() {
  RunQueued(-1);
  return 0;
}

int RunPanelLoop(int panel) {
  {
    Guard g(TheRuntime().mu);
    FakePanel* p = FindFakePanel(panel);
    if (p == nullptr || !p->visible) return 0;
  }
  return RunQueued(panel);
}

int GetPanelAttribute(int panel, int attr, int* value) {
  Guard g(TheRuntime().mu);
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr) return kErrBadPanel;
  if (value == nullptr) return kErrBadValue;
  if (attr == kAttrVisible) *value = p->visible ? 1 : 0;
  else if (attr == kAttrWidth) *value = p->width;
  else if (attr == kAttrHeight) *value = p->height;
  else return kErrBadValue;
  return 0;
}

int GetCtrlAttribute(int panel, int control, int attr, int* value) {
  Guard g(TheRuntime().mu);
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr) return kErrBadControl;
  if (value == nullptr) return kErrBadValue;
  if (c->attrs.count(attr)) {
    *value = c->attrs[attr];
    return 0;
  }
  // Never set: as the panel file gives it.
  switch (attr) {
    case kAttrVisible: *value = c->def.hidden ? 0 : 1; return 0;
    case kAttrWidth: *value = c->def.width; return 0;
    case kAttrHeight: *value = c->def.height; return 0;
    case kAttrTextPointSize: *value = c->def.pointSize; return 0;
    default: return kErrBadValue;
  }
}

// List boxes: rows and selection recorded as the Win32 runtime keeps them.
namespace {
// Runs f on the list under the lock, after logging the call (when named).
template <typename F>
int OnList(int panel, int control, const std::string& call, F&& f) {
  Guard g(TheRuntime().mu);
  if (!call.empty()) Log(call + "(" + std::to_string(panel) + "," + std::to_string(control) + ")");
  if (FindFakePanel(panel) == nullptr) return kErrBadPanel;
  FakeCtrl* c = FindFakeCtrl(panel, control);
  if (c == nullptr || c->kind != CtrlKind::List) return kErrBadControl;
  return f(*c);
}
}  // namespace

int ClearListBox(int panel, int control) {
  return OnList(panel, control, "ClearListBox", [](FakeCtrl& c) {
    c.rows.clear();
    c.index = -1;
    return 0;
  });
}

int InsertListItem(int panel, int control, int index, const char* text, int value, bool unicode) {
  return OnList(panel, control, "InsertListItem", [&](FakeCtrl& c) {
    if (text == nullptr) return kErrBadValue;
    const int count = static_cast<int>(c.rows.size());
    const int at = index < 0 || index > count ? count : index;
    c.rows.insert(c.rows.begin() + at, FakeRow{text, value, unicode, kNoRowColour});
    if (c.index >= at) ++c.index;
    return 0;
  });
}

int ReplaceListItems(int panel, int control, const ListRow* rows, int count, bool unicode) {
  return OnList(panel, control, "ReplaceListItems", [&](FakeCtrl& c) {
    if (count < 0 || (count > 0 && rows == nullptr)) return kErrBadValue;
    const bool wasSelected = c.index >= 0 && c.index < static_cast<int>(c.rows.size());
    const int selectedValue = wasSelected ? c.rows[c.index].value : 0;
    c.rows.clear();
    c.index = -1;
    for (int i = 0; i < count; ++i) {
      if (rows[i].text == nullptr) return kErrBadValue;
      c.rows.push_back(FakeRow{rows[i].text, rows[i].value, unicode, rows[i].colour});
      if (wasSelected && c.index < 0 && rows[i].value == selectedValue) c.index = i;
    }
    return 0;
  });
}

int GetNumListItems(int panel, int control, int* count) {
  return OnList(panel, control, "", [&](FakeCtrl& c) {
    if (count == nullptr) return kErrBadValue;
    *count = static_cast<int>(c.rows.size());
    return 0;
  });
}

int GetListItemValue(int panel, int control, int index, int* value) {
  return OnList(panel, control, "", [&](FakeCtrl& c) {
    if (value == nullptr || index < 0 || index >= static_cast<int>(c.rows.size())) return kErrBadValue;
    *value = c.rows[index].value;
    return 0;
  });
}

int GetListItemColour(int panel, int control, int index, int* colour) {
  return OnList(panel, control, "", [&](FakeCtrl& c) {
    if (colour == nullptr || index < 0 || index >= static_cast<int>(c.rows.size())) return kErrBadValue;
    *colour = c.rows[index].colour;
    return 0;
  });
}

int GetCtrlIndex(int panel, int control, int* index) {
  return OnList(panel, control, "", [&](FakeCtrl& c) {
    if (index == nullptr) return kErrBadValue;
    *index = c.index;
    return 0;
  });
}

int SetCtrlIndex(int panel, int control, int index) {
  return OnList(panel, control, "SetCtrlIndex", [&](FakeCtrl& c) {
    if (index < -1 || index >= static_cast<int>(c.rows.size())) return kErrBadValue;
    c.index = index;
    return 0;
  });
}

int PanelHasCallback(int panel, const char* callbackName) {
  Guard g(TheRuntime().mu);
  FakePanel* p = FindFakePanel(panel);
  if (p == nullptr || callbackName == nullptr) return 0;
  for (const auto& kv : p->ctrls)
    if (kv.second.callback == callbackName) return 1;
  return 0;
}

int QuitUserInterface(int) {
  Guard g(TheRuntime().mu);
  Log("QuitUserInterface");
  TheRuntime().quits++;
  if (TheRuntime().loopDepth > 0) TheRuntime().quit = true;  // with no loop running it is ignored
  return 0;
}

int ProcessSystemEvents() {
  Guard g(TheRuntime().mu);
  TheRuntime().processed++;
  return 0;
}

int FontSelectPopup(const char* title, const char* sampleText, int monospacedOnly,
                    char* typeface, int typefaceCapacity, int* justification,
                    int minSize, int maxSize, int showDefaultFonts, int allowMetaFonts) {
  fake::FontHandler handler;
  {
    Guard g(TheRuntime().mu);
    Log("FontSelectPopup");
    TheRuntime().fontCalls.push_back({title ? title : "", sampleText ? sampleText : "",
                             typeface ? typeface : "", justification ? *justification : 0,
                             minSize, maxSize, monospacedOnly, showDefaultFonts,
                             allowMetaFonts});
    handler = TheRuntime().fontHandler;
  }
  if (!handler || typeface == nullptr || justification == nullptr) return 0;
  return handler(typeface, typefaceCapacity, justification);
}

void GetScreenSize(int* height, int* width) {
  Guard g(TheRuntime().mu);
  if (height) *height = TheRuntime().screenH;
  if (width) *width = TheRuntime().screenW;
}

int MakeColor(int red, int green, int blue) {
  return ((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF);
}

void LastRuntimeReason(char* text, int capacity) {
  Guard g(TheRuntime().mu);
  if (text != nullptr && capacity > 0)
    CopyText(text, static_cast<size_t>(capacity), TheRuntime().lastReason.c_str());
}

int GetModuleDir(void*, char* dir, int capacity) {
  Guard g(TheRuntime().mu);
  if (dir == nullptr || capacity <= 0) return kErrBadValue;
  if (TheRuntime().moduleDir.size() + 1 > static_cast<size_t>(capacity)) {
    dir[0] = '\0';
    return kErrBadValue;
  }
  CopyText(dir, static_cast<size_t>(capacity), TheRuntime().moduleDir.c_str());
  return 0;
}

void GetSystemTime(int* hours, int* minutes, int* seconds) {
  Guard g(TheRuntime().mu);
  if (hours) *hours = TheRuntime().hours;
  if (minutes) *minutes = TheRuntime().minutes;
  if (seconds) *seconds = TheRuntime().seconds;
}

}  // namespace ui
