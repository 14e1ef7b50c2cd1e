// Input controls and buttons as standard child windows: creating them,
// bringing every child window in line with the tables, and what the user does.
#include "runtime/win/ui_internal.h"

#include <commdlg.h>

#include <cstdlib>

#include "common/text.h"

namespace ui {
namespace rt {

thread_local int tApplying = 0;

namespace {


COLORREF Ref(int rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

bool Standard(CtrlKind k) { return SelfPainting(k); }

int DropHeight(const CtrlState& c) {
  int items = static_cast<int>(c.def.items.size()) + (c.hasExtraItem ? 1 : 0);
  return c.height + 8 + items * (c.pointSize + 8);
}

RECT PickRect(const CtrlState& c) {
  int x = c.left + c.width + kSwatchGap + kSwatchWidth + kSwatchGap;
  return RECT{x, c.top, x + kPickButtonWidth, c.top + c.height};
}

// Everything one control's windows need, taken under the lock.
struct Op {
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
  int selection = -1;
  bool checked = false;
};

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
void SkipUnchanged(CtrlState& c, Op& op) {
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

void Run(const Op& op) {
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

// Parses what the user typed; false while it is not (yet) a number.
bool ParseEntry(const CtrlState& c, const char* text, int* iv, double* dv) {
  char* end = nullptr;
  while (*text == ' ') ++text;
  if (!*text) return false;
  if (c.def.kind == CtrlKind::FloatNumeric) {
    double v = std::strtod(text, &end);
    while (*end == ' ') ++end;
    if (*end || v != v) return false;
    if (c.def.hasRange) v = v < c.def.min ? c.def.min : (v > c.def.max ? c.def.max : v);
    *dv = v;
    return true;
  }
  long v = std::strtol(text, &end, c.def.kind == CtrlKind::ColorPicker ? 0 : 10);
  while (*end == ' ') ++end;
  if (*end) return false;
  if (c.def.kind == CtrlKind::ColorPicker) v = v < 0 ? 0 : (v > 0xFFFFFF ? 0xFFFFFF : v);
  if (c.def.hasRange) {
    if (v < c.def.min) v = static_cast<long>(c.def.min);
    if (v > c.def.max) v = static_cast<long>(c.def.max);
  }
  *iv = static_cast<int>(v);
  return true;
}

void PickColor(int handle, HWND panelWnd, int number) {
  static COLORREF custom[16];
  CHOOSECOLORA cc = {};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = panelWnd;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(handle);
    CtrlState* c = p ? p->Find(number) : nullptr;
    if (!c) return;
    cc.rgbResult = Ref(c->intValue);
  }
  if (!ChooseColorA(&cc)) return;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(handle);
    CtrlState* c = p ? p->Find(number) : nullptr;
    if (!c) return;
    c->intValue = (GetRValue(cc.rgbResult) << 16) | (GetGValue(cc.rgbResult) << 8) |
                  GetBValue(cc.rgbResult);
    c->dirty |= kDirtyText;
  }
  ApplyPanel(handle);
}

}  // namespace

std::string ValueText(const CtrlState& c) {
  char buf[64];
  switch (c.def.kind) {
    case CtrlKind::Numeric:
      FormatText(buf, sizeof buf, "%d", c.intValue);
      return buf;
    case CtrlKind::FloatNumeric:
      FormatText(buf, sizeof buf, "%.*f", c.def.precision, c.dblValue);
      return buf;
    case CtrlKind::ColorPicker:
      if (c.intValue >= 0 && c.intValue <= 0xFFFFFF) FormatText(buf, sizeof buf, "0x%06X", c.intValue);
      else FormatText(buf, sizeof buf, "%d", c.intValue);
      return buf;
    case CtrlKind::TextBox: {  // the edit window wants CR LF line ends
      std::string out;
      for (size_t i = 0; i < c.text.size(); ++i) {
        if (c.text[i] == '\n' && (i == 0 || c.text[i - 1] != '\r')) out += '\r';
        out += c.text[i];
      }
      return out;
    }
    default:
      return c.text;
  }
}

void CreateControlWindows(HWND panelWnd, CtrlState& c) {
  HINSTANCE inst = R().module;
  HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.def.number));
  DWORD vis = c.visible ? WS_VISIBLE : 0;
  DWORD ex = WS_EX_NOPARENTNOTIFY;
  const char* cls = kDisplayClass;
  DWORD style = WS_CHILD | vis;
  int h = c.height;
  switch (c.def.kind) {
    case CtrlKind::TextBox:
      cls = "EDIT";
      ex |= WS_EX_CLIENTEDGE;
      style |= WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP;
      break;
    case CtrlKind::Numeric:
    case CtrlKind::FloatNumeric:
    case CtrlKind::ColorPicker:
      cls = "EDIT";
      ex |= WS_EX_CLIENTEDGE;
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      break;
    case CtrlKind::Ring:
      cls = "COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      h = DropHeight(c);
      break;
    case CtrlKind::Toggle:
      cls = "BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case CtrlKind::Button:
      cls = "BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    default:
      break;
  }
  // The text box is a Unicode edit window, so it can hold a Unicode value.
  if (c.def.kind == CtrlKind::TextBox)
    c.wnd = CreateWindowExW(ex, L"EDIT", L"", style, c.left, c.top, c.width, h, panelWnd, id, inst,
                            nullptr);
  else
    c.wnd = CreateWindowExA(ex, cls, "", style, c.left, c.top, c.width, h, panelWnd, id, inst,
                            nullptr);
  if (c.def.kind == CtrlKind::ColorPicker) {
    RECT r = PickRect(c);
    c.pick = CreateWindowExA(WS_EX_NOPARENTNOTIFY, "BUTTON", "...",
                             WS_CHILD | vis | BS_PUSHBUTTON | WS_TABSTOP, r.left, r.top,
                             r.right - r.left, r.bottom - r.top, panelWnd,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPickIdBase + c.def.number)),
                             inst, nullptr);
  }
  c.dirty = kAllDirty;
}

void ApplyPanel(int handle) {
  MakeChildren(handle);
  std::vector<Op> ops;
  HWND panelWnd = nullptr;
  bool repaintAll = false;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(handle);
    if (!p || !OnOwnerThread(*p)) return;
    p->syncPosted = false;
    panelWnd = p->wnd;
    repaintAll = p->repaint;
    p->repaint = false;
    RefitRooms(*p);
    const int panelWidth = PanelClientWidth(*p);
    for (auto& c : p->ctrls) {
      if (!c.dirty || !c.wnd) continue;
      Op op;
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
      }
      // A text box whose Unicode text its font cannot show takes the
      // fallback face; back to its own with the next 8-bit text.
      if (c.def.kind == CtrlKind::TextBox && (c.dirty & kDirtyText) &&
          DrawFace(c) != c.inputFace) {
        c.dirty |= kDirtyFont;
        op.dirty |= kDirtyFont;
      }
      if (c.dirty & kDirtyFont && Standard(c.def.kind)) {
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
  }
  ++tApplying;
  for (const auto& op : ops) Run(op);
  --tApplying;
  if (repaintAll) RedrawWindow(panelWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  else InvalidateRect(panelWnd, nullptr, FALSE);
}

void OnPanelCommand(int handle, HWND panelWnd, int id, int code, HWND child) {
  if (id >= kPickIdBase) {
    if (code == BN_CLICKED) PickColor(handle, panelWnd, id - kPickIdBase);
    return;
  }
  CtrlCallback fn = nullptr;
  bool reformat = false;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(handle);
    CtrlState* c = p ? p->Find(id) : nullptr;
    if (!c || child != c->wnd) return;
    switch (c->def.kind) {
      case CtrlKind::Button:
        if (code != BN_CLICKED) return;
        for (const auto& e : R().callbacks)
          if (c->def.callback == e.name) fn = e.fn;
        if (!fn) Report("no callback named " + c->def.callback);
        break;
      case CtrlKind::Toggle:
        // Only a user's click changes the value: a number other than 0 and
        // 1 set by the program stays until then.
        if (code == BN_CLICKED && tApplying == 0)
          c->intValue = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        break;
      case CtrlKind::Ring:
        if (code == CBN_SELCHANGE && tApplying == 0) {
          int sel = static_cast<int>(SendMessageA(child, CB_GETCURSEL, 0, 0));
          int n = static_cast<int>(c->def.items.size());
          if (sel >= 0 && sel < n) c->intValue = c->def.items[sel].second;
          else if (sel == n && c->hasExtraItem) c->intValue = c->extraValue;
        }
        break;
      case CtrlKind::Numeric:
      case CtrlKind::FloatNumeric:
      case CtrlKind::ColorPicker:
        if (code == EN_CHANGE && tApplying == 0) {
          char text[64];
          GetWindowTextA(child, text, sizeof text);
          ParseEntry(*c, text, &c->intValue, &c->dblValue);
        } else if (code == EN_KILLFOCUS) {
          c->dirty |= kDirtyText;  // show the value as it was taken
          reformat = true;
        }
        break;
      default:
        break;
    }
  }
  if (fn) fn(handle, id, kEventCommit, nullptr, 0, 0);
  if (reformat) ApplyPanel(handle);
  else if (code == EN_CHANGE) InvalidateRect(panelWnd, nullptr, FALSE);  // swatch
}

LRESULT OnCtlColor(int handle, HDC dc, HWND child, bool edit) {
  int text = 0, back = edit ? 0xFFFFFF : 0xC0C0C0;
  {
    LockGuard guard(R().lock);
    PanelState* p = FindPanel(handle);
    if (p) {
      back = edit ? 0xFFFFFF : p->backColor;
      CtrlState* c = p->Find(GetDlgCtrlID(child));
      if (c) {
        text = c->textColor;
        if (c->def.kind == CtrlKind::TextBox || edit)
          back = c->bgColor != kNoColor ? c->bgColor : 0xFFFFFF;
      }
    }
  }
  SetTextColor(dc, Ref(text));
  SetBkColor(dc, Ref(back));
  SetDCBrushColor(dc, Ref(back));
  return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

}  // namespace rt
}  // namespace ui
