// How a change reaches a panel's windows. Every runtime call, from any thread
// (the host's, the banner timer's, the host's data thread), changes only the
// tables under the runtime's lock and then commits the panel:
// - on the thread that owns the panel (the one that loaded it), the windows
//   are brought in line at once (ApplyPanel), or, inside a deferral
//   (DeferPanelUpdates), once when the deferral ends;
// - on any other thread, one sync message is posted to the panel's window
//   without waiting; the owner's window procedure applies every change made
//   until it runs (kMsgSync -> ApplyPanel); inside that thread's deferral,
//   one sync is posted when the deferral ends instead of one per change. The
//   owner still paints from the tables and applies them whole when it commits
//   a change of its own, so a deferral is no barrier (runtime/ui_runtime.h).
// The controls' windows themselves are made by the owner when the panel is
// first shown (MakeChildren); until then every change stays in the tables.
#include "runtime/win/ui_internal.h"

#include <commctrl.h>

namespace ui {
namespace rt {

namespace {

// Everything one control's windows need, taken under the lock.
struct ControlWork {
  HWND wnd = nullptr, pick = nullptr;
  CtrlKind kind = CtrlKind::TextLine;
  unsigned dirty = 0;
  RECT rect{}, pickRect{};
  bool visible = true;
  std::string text, caption;
  bool unicode = false;  // text is UTF-8
  HFONT font = nullptr;
  std::vector<HFONT> retired;
  std::vector<std::string> items;
  std::vector<ListItem> rows;  // list box
  int selection = -1;          // ring, list box
  bool checked = false;
  int position = 0, barColor = 0, backColor = kNoColor;  // progress bar
};

COLORREF Ref(int rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A list box's rows and selection, a progress bar's position and colours.
// True when the control is one of them (its window text is not its value).
bool RunIndexKind(const ControlWork& op) {
  if (op.kind == CtrlKind::List) {
    if (op.dirty & kDirtyItems) RebuildList(op.wnd, op.rows, op.selection);
    else if (op.dirty & kDirtyText) SendMessageW(op.wnd, LB_SETCURSEL, static_cast<WPARAM>(op.selection), 0);
    return true;
  }
  if (op.kind != CtrlKind::Progress) return false;
  if (op.dirty & kDirtyText) {
    SendMessageW(op.wnd, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(Ref(op.barColor)));
    SendMessageW(op.wnd, PBM_SETBKCOLOR, 0,
                 static_cast<LPARAM>(op.backColor == kNoColor ? CLR_DEFAULT : Ref(op.backColor)));
    SendMessageW(op.wnd, PBM_SETPOS, static_cast<WPARAM>(op.position), 0);
  }
  return true;
}

int RingIndex(const CtrlState& c) {
  for (size_t i = 0; i < c.def.items.size(); ++i)
    if (c.def.items[i].second == c.intValue) return static_cast<int>(i);
  return c.hasExtraItem ? static_cast<int>(c.def.items.size()) : -1;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A display control's window already holding this place and text is left
// alone: every call to a window is a round trip under wine. Inputs are always
// set, since the user may have typed into them.
void SkipUnchanged(CtrlState& c, ControlWork& op) {
  if (c.pick == nullptr) {
    if ((op.dirty & kDirtyGeometry) && SameRect(op.rect, c.appliedRect)) op.dirty &= ~kDirtyGeometry;
    c.appliedRect = op.rect;
  }
  if (SelfPainting(c.def.kind)) return;
  if ((op.dirty & kDirtyText) && c.textApplied && c.appliedText == op.text)
    op.dirty &= ~kDirtyText;
  if (op.dirty & kDirtyText) {
    c.appliedText = op.text;
    c.textApplied = true;
  }
}

void Run(const ControlWork& op) {
  if (op.dirty & kDirtyFont && op.font) {
    SendMessageA(op.wnd, WM_SETFONT, reinterpret_cast<WPARAM>(op.font), TRUE);
    if (op.pick) SendMessageA(op.pick, WM_SETFONT, reinterpret_cast<WPARAM>(op.font), TRUE);
  }
  for (HFONT f : op.retired) DeleteObject(f);
  if (op.dirty & kDirtyGeometry) {
    int h = op.rect.bottom - op.rect.top;
    SetWindowPos(op.wnd, nullptr, op.rect.left, op.rect.top, op.rect.right - op.rect.left, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (op.pick)
      SetWindowPos(op.pick, nullptr, op.pickRect.left, op.pickRect.top,
                   op.pickRect.right - op.pickRect.left, op.pickRect.bottom - op.pickRect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (op.dirty & kDirtyVisible) {
    ShowWindow(op.wnd, op.visible ? SW_SHOWNA : SW_HIDE);
    if (op.pick) ShowWindow(op.pick, op.visible ? SW_SHOWNA : SW_HIDE);
  }
  if (RunIndexKind(op)) return;
  if (op.dirty & kDirtyItems && op.kind == CtrlKind::Ring) {
    SendMessageA(op.wnd, CB_RESETCONTENT, 0, 0);
    for (const auto& s : op.items)
      SendMessageA(op.wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
  }
  if (op.dirty & (kDirtyText | kDirtyItems)) {
    if (op.kind == CtrlKind::Ring) SendMessageA(op.wnd, CB_SETCURSEL, op.selection, 0);
    else if (op.kind == CtrlKind::Toggle)
      SendMessageA(op.wnd, BM_SETCHECK, op.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    else if (op.kind != CtrlKind::Button && op.unicode) SetWindowTextW(op.wnd, Widen(op.text).c_str());
    else if (op.kind != CtrlKind::Button) SetWindowTextA(op.wnd, op.text.c_str());
  }
  if (op.dirty & kDirtyCaption &&
      (op.kind == CtrlKind::Button || op.kind == CtrlKind::Toggle))
    SetWindowTextA(op.wnd, op.caption.c_str());
}

}  // namespace

void Commit(int handle) {
  HWND wnd = nullptr;
  bool owner = false;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(handle);
    if (!p || !p->wnd) return;
    owner = OnOwnerThread(*p);
    if (owner && p->deferDepth > 0) {
      p->deferredApply = true;  // applied once when the deferral ends
      return;
    }
    if (!owner) {
      if (p->otherDeferDepth > 0 && p->otherDeferThread == GetCurrentThreadId()) {
        p->otherDeferredPost = true;  // posted once when the deferral ends
        return;
      }
      if (p->syncPosted) return;  // one pending sync covers every change
      p->syncPosted = true;
    }
    wnd = p->wnd;
  }
  if (owner) {
    ApplyPanel(handle);
    return;
  }
  if (PostMessageA(wnd, kMsgSync, 0, 0)) return;
  // Not posted (the owner's queue is full): the changes stay in the tables
  // and the next change posts again.
  LockGuard guard(TheRuntime().lock);
  if (PanelState* p = FindPanel(handle)) p->syncPosted = false;
}

// The controls' windows of a panel that is shown for the first time: made on
// the owner thread from a copy of the tables (making them sends messages to
// the panel procedure, which takes the lock), then recorded under the lock.
// Until then every change stays in the tables.
void MakeChildren(int handle) {
  std::vector<size_t> missing;
  std::vector<CtrlState> shapes;
  HWND panelWnd;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(handle);
    if (!p || p->childrenMade || !p->visible || !OnOwnerThread(*p)) return;
    p->childrenMade = true;
    for (size_t i = 0; i < p->ctrls.size(); ++i) {
      if (p->ctrls[i].wnd) continue;
      missing.push_back(i);
      shapes.push_back(p->ctrls[i]);
    }
    panelWnd = p->wnd;
  }
  for (auto& c : shapes) {
    c.wnd = c.pick = nullptr;
    CreateControlWindows(panelWnd, c);
    if (c.wnd && c.def.kind == CtrlKind::ColorPicker && !c.pick) {
      DestroyWindow(c.wnd);  // made again whole, with its button
      c.wnd = nullptr;
    }
  }
  LockGuard guard(TheRuntime().lock);
  PanelState* p = FindPanel(handle);
  if (!p) return;  // discarded meanwhile: the windows go with the panel's
  for (size_t k = 0; k < shapes.size(); ++k) {
    if (missing[k] >= p->ctrls.size()) continue;
    CtrlState& c = p->ctrls[missing[k]];
    c.wnd = shapes[k].wnd;
    c.pick = shapes[k].pick;
    c.dirty |= kAllDirty;
    // A window that could not be made is made at the next chance.
    if (!c.wnd) p->childrenMade = false;
    if (c.font && c.wnd && !SelfPainting(c.def.kind)) SetPropA(c.wnd, kFontProp, c.font);
  }
}

void ApplyPanel(int handle) {
  {
    // A change committed from another thread from here on posts a sync of
    // its own: the windows made or changed below may already be past it
    // (a panel shown meanwhile would otherwise never get its controls).
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(handle);
    if (p && OnOwnerThread(*p)) p->syncPosted = false;
  }
  MakeChildren(handle);
  std::vector<ControlWork> ops;
  HWND panelWnd = nullptr;
  bool repaintAll = false;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(handle);
    if (!p || !OnOwnerThread(*p)) return;
    panelWnd = p->wnd;
    repaintAll = p->repaint;
    p->repaint = false;
    RefitRooms(*p);
    const int panelWidth = PanelClientWidth(*p);
    for (auto& c : p->ctrls) {
      if (!c.dirty || !c.wnd) continue;
      ControlWork op;
      op.wnd = c.wnd;
      op.pick = c.pick;
      op.kind = c.def.kind;
      op.dirty = c.dirty;
      op.visible = c.visible;
      op.rect = ShownRect(*p, c, panelWidth);
      if (c.def.kind == CtrlKind::Ring) op.rect.bottom = c.top + DropHeight(c);
      op.pickRect = PickRect(c);
      op.text = ValueText(c);
      op.unicode = c.unicode;
      SkipUnchanged(c, op);
      op.caption = c.caption;
      op.checked = c.intValue != 0;
      if (c.def.kind == CtrlKind::Ring) {
        for (const auto& it : c.def.items) op.items.push_back(it.first);
        if (c.hasExtraItem) op.items.push_back(std::to_string(c.extraValue));
        op.selection = RingIndex(c);
      } else if (c.def.kind == CtrlKind::List) {
        if (c.dirty & kDirtyItems) op.rows = RowsOf(*p, c);
        op.selection = c.intValue;
      } else if (c.def.kind == CtrlKind::Progress) {
        op.position = c.intValue;
        op.barColor = c.color;
        op.backColor = c.bgColor;
      }
      // A text box (or a list box's rows) whose Unicode text its font cannot
      // show takes the fallback face; back to its own with the next 8-bit text.
      const bool newText = (c.def.kind == CtrlKind::TextBox && (c.dirty & kDirtyText)) ||
                           (c.def.kind == CtrlKind::List && (c.dirty & kDirtyItems));
      if (newText && DrawFace(c) != c.inputFace) {
        c.dirty |= kDirtyFont;
        op.dirty |= kDirtyFont;
      }
      if (c.dirty & kDirtyFont && SelfPainting(c.def.kind)) {
        if (c.inputFont) c.retiredFonts.push_back(c.inputFont);
        c.inputFace = DrawFace(c);
        c.inputFont = NewFont(c.inputFace, c.pointSize, c.bold);
        op.font = c.inputFont;
        op.retired.swap(c.retiredFonts);
      }
      c.dirty = 0;
      if (op.dirty == 0 && op.retired.empty()) continue;
      ops.push_back(std::move(op));
    }
    ++p->applying;
  }
  for (const auto& op : ops) Run(op);
  {
    LockGuard guard(TheRuntime().lock);
    if (PanelState* p = FindPanel(handle)) --p->applying;
  }
  if (repaintAll) RedrawWindow(panelWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  else InvalidateRect(panelWnd, nullptr, FALSE);
}

}  // namespace rt

using namespace rt;

// On another thread than the owner, one thread at a time defers: its changes
// go in one posted sync at the end, so the owner applies them together (a
// second thread's changes meanwhile are posted as usual).
static bool DeferOnOtherThread(PanelState& p, int defer) {
  const DWORD me = GetCurrentThreadId();
  if (defer) {
    if (p.otherDeferDepth == 0) p.otherDeferThread = me;
    if (p.otherDeferThread == me) ++p.otherDeferDepth;
    return false;
  }
  if (p.otherDeferThread != me || p.otherDeferDepth == 0 || --p.otherDeferDepth > 0) return false;
  p.otherDeferThread = 0;
  const bool post = p.otherDeferredPost;
  p.otherDeferredPost = false;
  return post;
}

int DeferPanelUpdates(int panel, int defer) {
  bool apply = false, post = false;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(panel);
    if (!p) return kErrBadPanel;
    if (!OnOwnerThread(*p)) {
      post = DeferOnOtherThread(*p, defer);
    } else if (defer) {
      ++p->deferDepth;
    } else if (p->deferDepth > 0 && --p->deferDepth == 0 && p->deferredApply) {
      p->deferredApply = false;
      apply = true;
    }
  }
  if (apply) ApplyPanel(panel);
  if (post) Commit(panel);
  return 0;
}

}  // namespace ui
