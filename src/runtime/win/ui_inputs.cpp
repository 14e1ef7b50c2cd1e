// Input controls and buttons as standard child windows: creating them and
// what the user does with them.
#include "runtime/win/ui_internal.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cstdlib>

#include "common/text.h"

namespace ui {
namespace rt {

namespace {

COLORREF Ref(int rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

int DropHeight(const CtrlState& c) {
  int items = static_cast<int>(c.def.items.size()) + (c.hasExtraItem ? 1 : 0);
  return c.height + 8 + items * (c.pointSize + 8);
}

RECT PickRect(const CtrlState& c) {
  int x = c.left + c.width + kSwatchGap + kSwatchWidth + kSwatchGap;
  return RECT{x, c.top, x + kPickButtonWidth, c.top + c.height};
}

namespace {

// Parses what the user typed; false while it is not (yet) a number.
bool ParseEntry(const CtrlState& c, const char* text, int* iv, double* dv) {
  char* end = nullptr;
  while (*text == ' ') ++text;
  if (!*text) return false;
  if (c.def.kind == CtrlKind::FloatNumeric) {
    double v = ReadNumber(text, &end);
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
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(handle);
    CtrlState* c = p ? p->Find(number) : nullptr;
    if (!c) return;
    cc.rgbResult = Ref(c->intValue);
  }
  if (!ChooseColorA(&cc)) return;
  {
    LockGuard guard(TheRuntime().lock);
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
  HINSTANCE inst = TheRuntime().module;
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
    case CtrlKind::List:
      ex |= WS_EX_CLIENTEDGE;
      // Rows painted by the runtime (an ellipsis where one is too long),
      // their texts kept whole by the list.
      style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP | LBS_OWNERDRAWFIXED |
               LBS_HASSTRINGS;
      break;
    case CtrlKind::Progress:
      EnsureProgressClass();
      cls = PROGRESS_CLASSA;
      style |= PBS_SMOOTH;
      break;
    default:
      break;
  }
  // The text box and the list box are Unicode windows, so they can hold
  // Unicode text.
  if (c.def.kind == CtrlKind::TextBox || c.def.kind == CtrlKind::List)
    c.wnd = CreateWindowExW(ex, c.def.kind == CtrlKind::List ? L"LISTBOX" : L"EDIT", L"", style,
                            c.left, c.top, c.width, h, panelWnd, id, inst, nullptr);
  else
    c.wnd = CreateWindowExA(ex, cls, "", style, c.left, c.top, c.width, h, panelWnd, id, inst,
                            nullptr);
  if (c.def.kind == CtrlKind::Progress && c.wnd) UnthemeProgress(c.wnd);
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

void OnPanelCommand(int handle, HWND panelWnd, int id, int code, HWND child) {
  if (id >= kPickIdBase) {
    if (code == BN_CLICKED) PickColor(handle, panelWnd, id - kPickIdBase);
    return;
  }
  CtrlCallback fn = nullptr;
  bool reformat = false;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p = FindPanel(handle);
    CtrlState* c = p ? p->Find(id) : nullptr;
    if (!c || child != c->wnd) return;
    switch (c->def.kind) {
      case CtrlKind::Button:
      case CtrlKind::List:
        // A button pressed, a list's row chosen by the user (the runtime's
        // own selection changes notify nothing).
        if (c->def.kind == CtrlKind::Button ? code != BN_CLICKED
                                            : code != LBN_SELCHANGE || p->applying != 0)
          return;
        if (c->def.kind == CtrlKind::List) {
          const LRESULT sel = SendMessageW(child, LB_GETCURSEL, 0, 0);
          c->intValue = sel >= 0 && sel < static_cast<LRESULT>(RowsOf(*p, *c).size())
                            ? static_cast<int>(sel) : -1;
          if (c->def.callback.empty()) return;
        }
        for (const auto& e : TheRuntime().callbacks)
          if (c->def.callback == e.name) fn = e.fn;
        if (!fn) Report("no callback named " + c->def.callback);
        break;
      case CtrlKind::Toggle:
        // Only a user's click changes the value: a number other than 0 and
        // 1 set by the program stays until then.
        if (code == BN_CLICKED && p->applying == 0)
          c->intValue = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        break;
      case CtrlKind::Ring:
        if (code == CBN_SELCHANGE && p->applying == 0) {
          int sel = static_cast<int>(SendMessageA(child, CB_GETCURSEL, 0, 0));
          int n = static_cast<int>(c->def.items.size());
          if (sel >= 0 && sel < n) c->intValue = c->def.items[sel].second;
          else if (sel == n && c->hasExtraItem) c->intValue = c->extraValue;
        }
        break;
      case CtrlKind::Numeric:
      case CtrlKind::FloatNumeric:
      case CtrlKind::ColorPicker:
        if (code == EN_CHANGE && p->applying == 0) {
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
    LockGuard guard(TheRuntime().lock);
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
