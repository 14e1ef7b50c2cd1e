// Panel windows: runtime start and end, loading panels from the panel file,
// showing, hiding, discarding them, and the panel window procedure.
#include <algorithm>

#include "common/text.h"
#include "runtime/win/ui_internal.h"

namespace ui {
namespace rt {

Runtime& TheRuntime() {
  static Runtime runtime;
  return runtime;
}

struct LastReason {
  Lock lock;
  char text[600] TAVIK_GUARDED_BY(lock) = "";
};
LastReason& Last() {
  static LastReason last;
  return last;
}

void Report(const std::string& text) {
  std::string line = "Tavik runtime: " + text + "\n";
  OutputDebugStringA(line.c_str());
  LockGuard guard(Last().lock);
  CopyText(Last().text, sizeof Last().text, text.c_str());
}

PanelState* FindPanel(int handle) {
  auto it = TheRuntime().panels.find(handle);
  return it == TheRuntime().panels.end() ? nullptr : it->second.get();
}

bool OnOwnerThread(const PanelState& p) { return p.owner == GetCurrentThreadId(); }

namespace {

// Frees what a panel holds; its window is gone or about to go.
void FreePanelObjects(PanelState& p) {
  for (auto& c : p.ctrls) {
    if (c.font) DeleteObject(c.font);
    if (c.inputFont) DeleteObject(c.inputFont);
    for (HFONT f : c.retiredFonts) DeleteObject(f);
    if (c.picture) DeleteObject(c.picture);
    c.font = c.inputFont = nullptr;
    c.retiredFonts.clear();
    c.picture = nullptr;
  }
  if (p.backBrush) DeleteObject(p.backBrush);
  p.backBrush = nullptr;
  if (p.backBuffer) DeleteObject(p.backBuffer);
  p.backBuffer = nullptr;
}

// Destroys the window of a discarded panel and frees it. Owner thread.
void DestroyDiscarded(HWND wnd) {
  std::unique_ptr<PanelState> dead;
  {
    LockGuard guard(TheRuntime().lock);
    auto& list = TheRuntime().discarded;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if ((*it)->wnd == wnd) {
        dead = std::move(*it);
        list.erase(it);
        break;
      }
    }
  }
  if (!dead) return;
  DestroyWindow(wnd);  // children first, then their fonts can go
  FreePanelObjects(*dead);
}

int HandleOf(HWND wnd) { return static_cast<int>(GetWindowLongPtrA(wnd, GWLP_USERDATA)); }

LRESULT CALLBACK PanelProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  int handle = HandleOf(wnd);
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      RECT client;
      GetClientRect(wnd, &client);
      {
        LockGuard guard(TheRuntime().lock);
        PanelState* p = FindPanel(handle);
        if (p) PaintPanel(*p, dc, client);
      }
      EndPaint(wnd, &ps);
      return 0;
    }
    case kMsgSync:
      ApplyPanel(handle);
      return 0;
    case kMsgDestroy:
      DestroyDiscarded(wnd);
      return 0;
    case kMsgFront: {
      // Still the window that was meant (handles are reused once destroyed).
      HWND target = reinterpret_cast<HWND>(lp);
      if (IsWindow(target) && GetWindowThreadProcessId(target, nullptr) == GetCurrentThreadId())
        HandFrontHere(target);
      return 0;
    }
    case WM_COMMAND:
      OnPanelCommand(handle, wnd, LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_DRAWITEM:
      if (PaintListRow(reinterpret_cast<const DRAWITEMSTRUCT*>(lp))) return TRUE;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(handle, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), false);
    case WM_CTLCOLOREDIT:
      return OnCtlColor(handle, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), true);
    case WM_CLOSE:
      // The close box and Escape: a dialog panel is hidden and its loop ends,
      // as its own closing button does (the settings are not saved). The
      // banner has no close box and stays.
      if ((GetWindowLongA(wnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
        HidePanel(handle);
        QuitUserInterface(0);
      }
      return 0;
    case WM_MOUSEACTIVATE: {
      bool caption = (GetWindowLongA(wnd, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
      if (!caption) return MA_NOACTIVATE;  // clicking the banner keeps the host's focus
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

bool RegisterClasses(HINSTANCE module) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PanelProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kPanelClass;
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  // Display controls are Unicode windows, so their window text holds a
  // Unicode value whole (an ANSI value is widened by the system as before).
  WNDCLASSW dc = {};
  dc.lpfnWndProc = DisplayProc;
  dc.hInstance = module;
  dc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  dc.lpszClassName = kDisplayClassW;
  if (!RegisterClassW(&dc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  return RegisterFontDialogClass(module);
}

void UnregisterClasses(HINSTANCE module) {
  UnregisterClassA(kPanelClass, module);
  UnregisterClassA(kDisplayClass, module);
  UnregisterClassA(kFontDialogClass, module);
}

// The panel file's panels, parsed once per path.
const PanelDef* PanelFromFile(const char* path, int panelId, std::string* error)
    TAVIK_REQUIRES(TheRuntime().lock) {
  auto& cache = TheRuntime().fileCache;
  auto it = cache.find(path);
  if (it == cache.end()) {
    std::vector<PanelDef> defs;
    if (!LoadPanelFile(path, &defs, error)) return nullptr;
    it = cache.emplace(path, std::move(defs)).first;
  }
  const PanelDef* def = ui::FindPanel(it->second, panelId);
  if (!def) *error = std::string(path) + ": no panel with id " + std::to_string(panelId);
  return def;
}

BOOL CALLBACK DetachWindow(HWND wnd, LPARAM) {
  char cls[32];
  GetClassNameA(wnd, cls, sizeof cls);
  if (lstrcmpiA(cls, kPanelClass) == 0 || lstrcmpiA(cls, kDisplayClass) == 0)
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
  return TRUE;
}

void InitControl(CtrlState& c, const CtrlDef& def) TAVIK_REQUIRES(TheRuntime().lock) {
  c.def = def;
  c.left = c.designLeft = def.left;
  c.top = c.designTop = def.top;
  c.width = def.width;
  c.height = def.height;
  c.face = def.font.empty() ? kDefaultFace : def.font;
  c.pointSize = c.designPointSize = def.pointSize;
  c.bold = def.bold;
  c.textColor = def.textColor;
  c.bgColor = def.bgColor;
  c.color = def.color;
  c.justify = def.justify;
  c.caption = def.label;
  c.visible = !def.hidden;
  c.text = def.value;
  c.intValue = static_cast<int>(std::strtol(def.value.c_str(), nullptr, 0));
  c.dblValue = ReadNumber(def.value.c_str(), nullptr);
  if (def.kind == CtrlKind::Ring && !def.items.empty()) {
    bool known = false;
    for (const auto& it : def.items) known = known || it.second == c.intValue;
    if (!known) c.intValue = def.items.front().second;
  }
  if (def.kind == CtrlKind::List) c.intValue = -1;  // no row selected
  if (def.kind == CtrlKind::Progress) c.intValue = c.intValue < 0 ? 0 : c.intValue > 100 ? 100 : c.intValue;
  if (def.autosize) Autosize(c, c.left, c.width);
}

}  // namespace
}  // namespace rt

using namespace rt;

int InitRuntime(void* module, const CallbackEntry* table, int count) {
  LockGuard guard(TheRuntime().lock);
  HINSTANCE inst = static_cast<HINSTANCE>(module);
  if (!inst) {
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&InitRuntime), &inst);
  }
  TheRuntime().module = inst;
  TheRuntime().callbacks.clear();
  for (int i = 0; table && i < count; ++i)
    if (table[i].name && table[i].fn) TheRuntime().callbacks.push_back(table[i]);
  if (!TheRuntime().classesRegistered) {
    if (!RegisterClasses(inst)) {
      Report("cannot register the window classes (error " + std::to_string(GetLastError()) +
             ")");
      return 0;
    }
    TheRuntime().classesRegistered = true;
  }
  TheRuntime().initialised = true;
  return 1;
}

void CloseRuntime() {
  std::vector<std::unique_ptr<PanelState>> all;
  {
    LockGuard guard(TheRuntime().lock);
    for (auto& kv : TheRuntime().panels) all.push_back(std::move(kv.second));
    TheRuntime().panels.clear();
    for (auto& p : TheRuntime().discarded) all.push_back(std::move(p));
    TheRuntime().discarded.clear();
    TheRuntime().fileCache.clear();
    TheRuntime().initialised = false;
  }
  for (auto& p : all) {
    // Another thread's windows cannot be destroyed from here; they are
    // told to go and their objects are left to the process.
    if (p->wnd && OnOwnerThread(*p)) {
      DestroyWindow(p->wnd);
      FreePanelObjects(*p);
    } else if (p->wnd) {
      // The library may be unloaded next: leave these windows with the
      // system's own procedure so nothing calls back into freed code.
      EnumChildWindows(p->wnd, DetachWindow, 0);
      DetachWindow(p->wnd, 0);
      ShowWindowAsync(p->wnd, SW_HIDE);
      p.release();
    }
  }
  FreeCachedPictures();  // GDI+ is never shut down from here: this may run in DllMain
  LockGuard guard(TheRuntime().lock);
  if (TheRuntime().scratchDC) DeleteDC(TheRuntime().scratchDC);
  TheRuntime().scratchDC = nullptr;
  if (TheRuntime().classesRegistered) {
    UnregisterClasses(TheRuntime().module);
    TheRuntime().classesRegistered = false;
  }
  TheRuntime().callbacks.clear();
}

int LoadPanelEx(int /*parent*/, const char* path, int panelId, void* module) {
  if (!path) return kErrFile;
  PanelDef def;
  HINSTANCE inst;
  {
    LockGuard guard(TheRuntime().lock);
    if (!TheRuntime().initialised) {
      Report("LoadPanelEx before InitRuntime");
      return kErrBadPanel;
    }
    std::string error;
    const PanelDef* found = PanelFromFile(path, panelId, &error);
    if (!found) {
      Report(error);
      return error.find("no panel with id") != std::string::npos ? kErrBadPanel : kErrFile;
    }
    // A button bound to no callback could never be pressed to any effect: a
    // panel that cannot be left is not loaded.
    std::string unbound =
        UnknownCallback(*found, TheRuntime().callbacks.data(), TheRuntime().callbacks.size());
    if (!unbound.empty()) {
      Report(std::string(path) + ": panel " + std::to_string(panelId) +
             ": a button names no known callback: " + unbound);
      return kErrFile;
    }
    def = *found;
    inst = TheRuntime().module ? TheRuntime().module : static_cast<HINSTANCE>(module);
  }
  // The new panel is not published yet: its windows are made without the
  // lock, since making them sends messages to the panel procedure.
  auto state = std::make_unique<PanelState>();
  PanelState* p = state.get();
  p->id = def.id;
  p->title = def.title;
  p->caption = def.caption;
  p->backColor = def.backColor;
  p->fileWidth = def.width;
  p->fileHeight = def.height;
  p->owner = GetCurrentThreadId();
  p->ctrls.resize(def.controls.size());
  for (size_t i = 0; i < def.controls.size(); ++i) {
    if (def.controls[i].kind != CtrlKind::List) continue;
    p->ctrls[i].list = static_cast<int>(p->lists.size());
    p->lists.emplace_back();
  }
  {
    LockGuard guard(TheRuntime().lock);  // autosizing measures with the shared DC
    for (size_t i = 0; i < def.controls.size(); ++i) InitControl(p->ctrls[i], def.controls[i]);
  }

  DWORD style = WS_POPUP | WS_CLIPSIBLINGS;
  DWORD exStyle = WS_EX_TOPMOST;
  if (def.caption) {
    style |= WS_CAPTION | WS_SYSMENU;  // a close box
    exStyle |= WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
  } else {
    exStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  }
  p->wnd = CreateWindowExA(exStyle, kPanelClass, def.title.c_str(), style, 50, 50, def.width,
                           def.height, nullptr, nullptr, inst, nullptr);
  if (!p->wnd) {
    Report("cannot create the window of panel " + std::to_string(panelId) + " (error " +
           std::to_string(GetLastError()) + ")");
    return kErrNoWindow;
  }
  // The controls' windows are made when the panel is first shown.
  int handle;
  {
    LockGuard guard(TheRuntime().lock);
    handle = TheRuntime().nextHandle++;
    p->handle = handle;
    SetWindowLongPtrA(p->wnd, GWLP_USERDATA, handle);
    TheRuntime().panels[handle] = std::move(state);
  }
  ApplyPanel(handle);  // fonts, values and lists of the children
  return handle;
}

void LastRuntimeReason(char* text, int capacity) {
  if (!text || capacity <= 0) return;
  LockGuard guard(Last().lock);
  CopyText(text, static_cast<size_t>(capacity), Last().text);
}

int DisplayPanel(int panel) {
  HWND wnd;
  bool owner, deferred, firstTime;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(panel);
    if (!p) return kErrBadPanel;
    p->visible = true;
    wnd = p->wnd;
    owner = OnOwnerThread(*p);
    deferred = p->deferDepth > 0;
    firstTime = !p->childrenMade;
  }
  if (!IsWindowVisible(wnd)) NotePanelShown();
  if (owner) {
    if (firstTime) ApplyPanel(panel);  // the controls' windows, made on the first display
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    // Deferred: the one paint comes after the changes, not before them.
    if (!deferred) UpdateWindow(wnd);
  } else {
    ShowWindowAsync(wnd, SW_SHOWNOACTIVATE);
    if (firstTime) Commit(panel);  // the owner makes the controls' windows
  }
  return 0;
}

int HidePanel(int panel) {
  HWND wnd;
  bool owner;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(panel);
    if (!p) return kErrBadPanel;
    p->visible = false;
    wnd = p->wnd;
    owner = OnOwnerThread(*p);
  }
  if (owner) ShowWindow(wnd, SW_HIDE);
  else ShowWindowAsync(wnd, SW_HIDE);
  WakeLoopFor(panel);
  return 0;
}

int DiscardPanel(int panel) {
  HWND wnd;
  bool owner;
  {
    LockGuard guard(TheRuntime().lock);
    auto it = TheRuntime().panels.find(panel);
    if (it == TheRuntime().panels.end()) return kErrBadPanel;
    wnd = it->second->wnd;
    owner = OnOwnerThread(*it->second);
    TheRuntime().discarded.push_back(std::move(it->second));
    TheRuntime().panels.erase(it);  // the handle is rejected from now on
  }
  if (owner) DestroyDiscarded(wnd);
  else PostMessageA(wnd, kMsgDestroy, 0, 0);
  WakeLoopFor(panel);
  return 0;
}

int SetActivePanel(int panel) {
  HWND wnd;
  bool owner;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(panel);
    if (!p) return kErrBadPanel;
    wnd = p->wnd;
    owner = OnOwnerThread(*p);
  }
  if (!owner) {
    // Activation belongs to the owner thread; from elsewhere only raise it.
    SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    return 0;
  }
  SetForegroundWindow(wnd);
  SetActiveWindow(wnd);
  HWND first = GetNextDlgTabItem(wnd, nullptr, FALSE);
  SetFocus(first ? first : wnd);
  return 0;
}

int GetPanelAttribute(int panel, int attr, int* value) {
  LockGuard guard(TheRuntime().lock);
  PanelState* p = FindPanel(panel);
  if (!p) return kErrBadPanel;
  if (!value) return kErrBadValue;
  if (attr == kAttrVisible) *value = p->visible ? 1 : 0;
  else if (attr == kAttrWidth) *value = p->fileWidth;
  else if (attr == kAttrHeight) *value = p->fileHeight;
  else return kErrBadValue;
  return 0;
}

int PanelHasCallback(int panel, const char* callbackName) {
  LockGuard guard(TheRuntime().lock);
  PanelState* p = FindPanel(panel);
  if (!p || !callbackName) return 0;
  for (const auto& c : p->ctrls)
    if (c.def.kind == CtrlKind::Button && c.def.callback == callbackName) return 1;
  return 0;
}

int SetPanelAttribute(int panel, int attr, int value) {
  HWND sized = nullptr;
  bool sizedByOwner = false;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(panel);
    if (!p) return kErrBadPanel;
    if (attr == kAttrWidth || attr == kAttrHeight) {
      if (value < 1 || value > 10000) return kErrBadValue;
      sized = p->wnd;
      sizedByOwner = OnOwnerThread(*p);
    } else if (attr == kAttrBackColor) {
      if (value < 0 || value > 0xFFFFFF) return kErrBadValue;
      p->backColor = value;
      p->repaint = true;
    } else if (attr == kAttrVisible) {
      p->visible = value != 0;
    } else if (attr == kAttrScale) {
      if (value < kMinScale || value > kMaxScale) return kErrBadValue;
      if (value == p->scale) return 0;
      ApplyScale(*p, value);
    } else {
      return kErrBadValue;
    }
  }
  if (attr == kAttrVisible) return value ? DisplayPanel(panel) : HidePanel(panel);
  if (sized) {
    // The window's outer size, neither shown nor moved: it is placed later.
    RECT r = {0, 0, 0, 0};
    GetWindowRect(sized, &r);
    const int width = attr == kAttrWidth ? value : r.right - r.left;
    const int height = attr == kAttrHeight ? value : r.bottom - r.top;
    UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (!sizedByOwner) flags |= SWP_ASYNCWINDOWPOS;
    SetWindowPos(sized, nullptr, 0, 0, width, height, flags);
    return 0;
  }
  Commit(panel);
  return 0;
}

}  // namespace ui
