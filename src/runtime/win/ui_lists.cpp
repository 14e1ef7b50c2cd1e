// List boxes and progress bars: their rows, selection and position in the
// tables (from any thread), and how a list box's window is filled and its
// rows painted (on the thread that owns it).
#include "runtime/win/ui_internal.h"

#include <commctrl.h>

#include <vector>

#include "runtime/text_room.h"

namespace ui {
namespace rt {
namespace {

// The rows looked at for a face that has their characters: what fits one
// WideText, which is about the rows a list box shows at once and more.
constexpr size_t kSampleBytes = 1500;

// The rows of a control that is no list: never filled. At namespace scope, so
// it is made while the library loads (no function-local static that two
// threads could make at once).
std::vector<ListItem> none;

bool Has(const ListItem& row, int value) { return row.value == value; }

// The rows are drawn by the list's owner (each row's own text stays the
// list's, whole, for LB_GETTEXT): as high as a line of the list's font.
void FitRowHeight(HWND wnd) {
  HDC dc = GetDC(wnd);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm;
  const bool measured = GetTextMetricsW(dc, &tm) != 0;
  SelectObject(dc, old);
  ReleaseDC(wnd, dc);
  if (measured && tm.tmHeight > 0)
    SendMessageW(wnd, LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(tm.tmHeight));
}

// How one row looks: the colours it is drawn in. A row's own colour (a mark
// or its text's) joins here.
struct RowLook {
  COLORREF text, back;
};

// The row's own colour as the tables hold it (kNoRowColour: none). Until
// the window is rebuilt from changed tables, a row whose value differs from
// the window's is drawn without one; the rebuild paints it again.
int RowColour(const DRAWITEMSTRUCT& d) {
  if (d.itemID == static_cast<UINT>(-1)) return kNoRowColour;
  const int handle = static_cast<int>(GetWindowLongPtrA(GetParent(d.hwndItem), GWLP_USERDATA));
  LockGuard guard(TheRuntime().lock);
  PanelState* p = FindPanel(handle);
  CtrlState* c = p ? p->Find(static_cast<int>(GetDlgCtrlID(d.hwndItem))) : nullptr;
  if (!c || c->def.kind != CtrlKind::List) return kNoRowColour;
  const std::vector<ListItem>& rows = RowsOf(*p, *c);
  if (d.itemID >= rows.size() || static_cast<ULONG_PTR>(rows[d.itemID].value) != d.itemData)
    return kNoRowColour;
  return rows[d.itemID].colour;
}

RowLook LookOf(const DRAWITEMSTRUCT& d) {
  const bool selected = (d.itemState & ODS_SELECTED) != 0;
  const int colour = selected ? kNoRowColour : RowColour(d);
  return {colour != kNoRowColour ? RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF)
                                 : GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT),
          GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW)};
}

// The row's text in its rectangle: whole, or cut after a whole character and
// ended by an ellipsis when it is wider than the list.
void DrawRowText(HDC dc, HWND list, int row, RECT r) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length <= 0) return;
  std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row),
                                   reinterpret_cast<LPARAM>(text.data()));
  if (got <= 0 || got > length) return;
  const int count = static_cast<int>(got);
  std::vector<int> extents(static_cast<size_t>(count), 0);
  SIZE whole = {0, 0}, dots = {0, 0};
  static const wchar_t kEllipsis[] = L"...";
  r.left += kRowPad;
  r.right -= kRowPad;
  if (!GetTextExtentExPointW(dc, text.data(), count, 0, nullptr, extents.data(), &whole) ||
      !GetTextExtentPoint32W(dc, kEllipsis, 3, &dots))
    return;
  const size_t keep = EllipsisCut(reinterpret_cast<const uint16_t*>(text.data()), extents.data(),
                                  static_cast<size_t>(count), r.right - r.left, dots.cx);
  // The row's own buffer takes the ellipsis (a std::wstring would bring
  // 21 KB of the library's wide strings into the DLL).
  text.resize(keep);
  if (keep < static_cast<size_t>(count)) text.insert(text.end(), kEllipsis, kEllipsis + 3);
  if (text.empty()) return;
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP);
}

}  // namespace

std::vector<ListItem>& RowsOf(PanelState& p, const CtrlState& c) {
  return c.list >= 0 && c.list < static_cast<int>(p.lists.size()) ? p.lists[c.list] : none;
}

std::string ListRowsSample(const std::vector<ListItem>& rows, bool* unicode) {
  std::string sample;
  *unicode = false;
  for (const ListItem& row : rows) {
    if (!row.unicode) continue;
    *unicode = true;
    if (sample.size() + row.text.size() + 1 > kSampleBytes) break;
    sample += row.text;
    sample += ' ';
  }
  return sample;
}

void RebuildList(HWND wnd, const std::vector<ListItem>& rows, int selection) {
  // The first row shown stays first when it is still there (found by its
  // value), so a list that grows or loses its ended rows does not jump.
  const LRESULT top = SendMessageW(wnd, LB_GETTOPINDEX, 0, 0);
  LRESULT topValue = LB_ERR;
  if (top > 0) topValue = SendMessageW(wnd, LB_GETITEMDATA, static_cast<WPARAM>(top), 0);
  size_t bytes = 0;
  for (const ListItem& row : rows) bytes += (row.text.size() + 1) * sizeof(wchar_t);
  SendMessageW(wnd, WM_SETREDRAW, FALSE, 0);
  FitRowHeight(wnd);  // the list's face may have changed with its rows
  SendMessageW(wnd, LB_RESETCONTENT, 0, 0);
  SendMessageW(wnd, LB_INITSTORAGE, rows.size(), static_cast<LPARAM>(bytes));
  int newTop = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    const ListItem& row = rows[i];
    LRESULT at;
    if (row.unicode)
      at = SendMessageW(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(row.text).c_str()));
    else
      at = SendMessageA(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.text.c_str()));
    if (at < 0) break;  // the system's memory for rows is spent: the rest is not shown
    SendMessageW(wnd, LB_SETITEMDATA, static_cast<WPARAM>(at), row.value);
    if (topValue != LB_ERR && newTop == 0 && Has(row, static_cast<int>(topValue)))
      newTop = static_cast<int>(i);
  }
  SendMessageW(wnd, LB_SETCURSEL, static_cast<WPARAM>(selection), 0);
  SendMessageW(wnd, LB_SETTOPINDEX, static_cast<WPARAM>(newTop), 0);
  SendMessageW(wnd, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(wnd, nullptr, TRUE);
}

bool PaintListRow(const DRAWITEMSTRUCT* d) {
  if (!d || d->CtlType != ODT_LISTBOX) return false;
  HDC dc = d->hDC;
  if (d->itemAction == ODA_FOCUS) {
    DrawFocusRect(dc, &d->rcItem);
    return true;
  }
  const RowLook look = LookOf(*d);
  const int savedDc = SaveDC(dc);
  SetBkColor(dc, look.back);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &d->rcItem, nullptr, 0, nullptr);
  if (d->itemID != static_cast<UINT>(-1)) {
    SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(d->hwndItem, WM_GETFONT, 0, 0)));
    SetTextColor(dc, look.text);
    SetBkMode(dc, TRANSPARENT);
    DrawRowText(dc, d->hwndItem, static_cast<int>(d->itemID), d->rcItem);
  }
  if (d->itemState & ODS_FOCUS) DrawFocusRect(dc, &d->rcItem);
  RestoreDC(dc, savedDc);
  return true;
}

void UnthemeProgress(HWND wnd) {
  // A themed bar ignores the colours it is given. Only a process that uses
  // themes has the theme library loaded; it is never loaded from here (this
  // may run while the library attaches, under the loader lock).
  HMODULE themes = GetModuleHandleA("uxtheme.dll");
  FARPROC proc = themes ? GetProcAddress(themes, "SetWindowTheme") : nullptr;
  if (!proc) return;
  using SetThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  reinterpret_cast<SetThemeFn>(reinterpret_cast<void*>(proc))(wnd, L" ", L" ");  // no such theme
}

void EnsureProgressClass() {
  // The progress bar's class is comctl32's, registered on request.
  static LONG registered = 0;
  if (InterlockedCompareExchange(&registered, 1, 0) != 0) return;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  if (!InitCommonControlsEx(&icc)) InterlockedExchange(&registered, 0);  // tried again
}

}  // namespace rt

using namespace rt;

namespace {

// A list box and its rows, found under the held lock.
struct ListRef {
  CtrlState* c;
  std::vector<ListItem>* rows;
};

// Finds a list box under the held lock; the error code otherwise.
int LocateList(int panel, int control, ListRef* out) TAVIK_REQUIRES(TheRuntime().lock) {
  PanelState* p = rt::FindPanel(panel);
  if (!p) return kErrBadPanel;
  CtrlState* c = p->Find(control);
  if (!c || c->def.kind != CtrlKind::List) return kErrBadControl;
  *out = {c, &RowsOf(*p, *c)};
  return 0;
}

// After the rows changed: a face for their characters, the window rebuilt.
void RowsChanged(const ListRef& l) TAVIK_REQUIRES(TheRuntime().lock) {
  bool unicode = false;
  const std::string sample = ListRowsSample(*l.rows, &unicode);
  ChooseDrawFace(*l.c, sample, unicode);
  l.c->dirty |= kDirtyItems;
}

// Runs change on the list under the lock, then commits the panel.
template <typename F>
int ChangeList(int panel, int control, F&& change) {
  {
    LockGuard guard(TheRuntime().lock);
    ListRef l;
    if (int rc = LocateList(panel, control, &l)) return rc;
    if (int rc = change(l)) return rc;
  }
  Commit(panel);
  return 0;
}

// Reads from the list under the lock.
template <typename F>
int ReadList(int panel, int control, F&& read) {
  LockGuard guard(TheRuntime().lock);
  ListRef l;
  if (int rc = LocateList(panel, control, &l)) return rc;
  return read(l);
}

}  // namespace

int ClearListBox(int panel, int control) {
  return ChangeList(panel, control, [](const ListRef& l) TAVIK_REQUIRES(TheRuntime().lock) {
    l.rows->clear();
    l.c->intValue = -1;
    RowsChanged(l);
    return 0;
  });
}

int InsertListItem(int panel, int control, int index, const char* text, int value,
                   bool unicode) {
  if (!text) return kErrBadValue;
  return ChangeList(panel, control, [&](const ListRef& l) TAVIK_REQUIRES(TheRuntime().lock) {
    const int count = static_cast<int>(l.rows->size());
    const int at = index < 0 || index > count ? count : index;
    l.rows->insert(l.rows->begin() + at, ListItem{text, value, unicode, kNoRowColour});
    if (l.c->intValue >= at) ++l.c->intValue;  // the selected row stays selected
    RowsChanged(l);
    return 0;
  });
}

int ReplaceListItems(int panel, int control, const ListRow* rows, int count, bool unicode) {
  if (count < 0 || (count > 0 && !rows)) return kErrBadValue;
  for (int i = 0; i < count; ++i)
    if (!rows[i].text) return kErrBadValue;
  return ChangeList(panel, control, [&](const ListRef& l) TAVIK_REQUIRES(TheRuntime().lock) {
    std::vector<ListItem>& have = *l.rows;
    bool same = static_cast<int>(have.size()) == count;
    for (int i = 0; same && i < count; ++i)
      same = have[i].value == rows[i].value && have[i].unicode == unicode &&
             have[i].colour == rows[i].colour && have[i].text == rows[i].text;
    if (same) return 0;  // the window keeps its rows, selection and scroll
    int& selected = l.c->intValue;
    const bool wasSelected = selected >= 0 && selected < static_cast<int>(have.size());
    const int selectedValue = wasSelected ? have[selected].value : 0;
    have.resize(static_cast<size_t>(count));
    selected = -1;
    for (int i = 0; i < count; ++i) {
      have[i].text = rows[i].text;
      have[i].value = rows[i].value;
      have[i].unicode = unicode;
      have[i].colour = rows[i].colour;
      if (wasSelected && selected < 0 && rows[i].value == selectedValue) selected = i;
    }
    RowsChanged(l);
    return 0;
  });
}

int GetNumListItems(int panel, int control, int* count) {
  if (!count) return kErrBadValue;
  return ReadList(panel, control, [&](const ListRef& l) {
    *count = static_cast<int>(l.rows->size());
    return 0;
  });
}

int GetListItemValue(int panel, int control, int index, int* value) {
  if (!value) return kErrBadValue;
  return ReadList(panel, control, [&](const ListRef& l) {
    if (index < 0 || index >= static_cast<int>(l.rows->size())) return kErrBadValue;
    *value = (*l.rows)[index].value;
    return 0;
  });
}

int GetListItemColour(int panel, int control, int index, int* colour) {
  if (!colour) return kErrBadValue;
  return ReadList(panel, control, [&](const ListRef& l) {
    if (index < 0 || index >= static_cast<int>(l.rows->size())) return kErrBadValue;
    *colour = (*l.rows)[index].colour;
    return 0;
  });
}

int GetCtrlIndex(int panel, int control, int* index) {
  if (!index) return kErrBadValue;
  return ReadList(panel, control, [&](const ListRef& l) {
    const int i = l.c->intValue;
    *index = i >= 0 && i < static_cast<int>(l.rows->size()) ? i : -1;
    return 0;
  });
}

int SetCtrlIndex(int panel, int control, int index) {
  return ChangeList(panel, control, [&](const ListRef& l) {
    if (index < -1 || index >= static_cast<int>(l.rows->size())) return kErrBadValue;
    l.c->intValue = index;
    l.c->dirty |= kDirtyText;
    return 0;
  });
}

}  // namespace ui
