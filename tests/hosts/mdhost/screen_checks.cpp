// Checks about how the plug-in's windows look and where the focus is: a
// control's typeface, a list box's selection and rows, a progress bar's
// position, a button's check, the foreground window, the mouse cursor, the
// clock line, placement over the host's video window, a banner caught while
// it slides out, a banner's layout (controls inside, apart, left of its detail
// block), and the load itself (message boxes raised during it, whether a
// plug-in is loaded).
#include <cstdio>
#include <cstdlib>

#include "tests/hosts/mdhost/mdhost.h"

#include <commctrl.h>

namespace mdhost {
namespace {

constexpr UINT kSendTimeoutMs = 2000;
constexpr int kClockSlackMinutes = 1;  // a check made across a minute's turn

bool ToLong(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 0);
  return *end == '\0';
}

std::string RectText(const RECT& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return buf;
}

HWND Control(const std::string& title, const std::string& id, std::string& detail) {
  long v = 0;
  HWND panel = FindOwnWindow(title);
  HWND ctrl = panel && ToLong(id, v) ? GetDlgItem(panel, static_cast<int>(v)) : nullptr;
  if (!ctrl) detail = panel ? "no such control" : "no such window";
  return ctrl;
}

// The typeface a control draws with, as WM_GETFONT reports it.
bool FontFace(HWND ctrl, std::string& face, std::string& detail) {
  DWORD_PTR font = 0;
  if (!SendMessageTimeoutA(ctrl, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &font)) {
    detail = "the control does not answer";
    return false;
  }
  LOGFONTA lf = {};
  if (!font || GetObjectA(reinterpret_cast<HFONT>(font), sizeof lf, &lf) == 0) {
    detail = "the control reports no font (WM_GETFONT gives none)";
    return false;
  }
  face = lf.lfFaceName;
  detail = "typeface is \"" + face + "\"";
  return true;
}

// The local time as the plug-in's clock reads it (the zone's rule, not
// GetLocalTime, which wine 8 works out racing the plug-in's zone queries).
std::string ClockAt(int minutesBack) {
  SYSTEMTIME utc, t;
  GetSystemTime(&utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &t)) GetLocalTime(&t);
  int minutes = (t.wHour * 60 + t.wMinute - minutesBack + 24 * 60) % (24 * 60);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60, minutes % 60);
  return buf;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Named(int id, const RECT& r) { return "control " + std::to_string(id) + " (" + RectText(r) + ")"; }

// picture TITLE COLOR ID: what the screen shows where window TITLE is (what
// a screenshot holds), not what the window list says: at least half its
// pixels have COLOR (0xBBGGRR, the banner's background) and control ID's
// rectangle holds at least kInkPixels pixels of another colour (its text).
constexpr int kInkPixels = 20;

bool CheckPicture(const std::string& title, long color, int id, std::string& detail) {
  HWND wnd = FindOwnWindow(title);
  HWND ctrl = wnd ? GetDlgItem(wnd, id) : nullptr;
  RECT r, c;
  if (!wnd || !ctrl || !IsWindowVisible(wnd) || !GetWindowRect(wnd, &r) ||
      !GetWindowRect(ctrl, &c)) {
    detail = wnd ? "no visible window with that control" : "no such window";
    return false;
  }
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (!IntersectRect(&r, &r, &screen)) {
    detail = "the window is off the screen";
    return false;
  }
  void* bits = nullptr;
  HBITMAP bmp = GrabScreen(r, 32, &bits);
  if (!bmp) {
    detail = "cannot read the screen";
    return false;
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  const auto* px = static_cast<const uint32_t*>(bits);
  const uint32_t want = ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
  long background = 0, ink = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool same = (px[(h - 1 - y) * w + x] & 0xFFFFFF) == want;
      if (same) ++background;
      const int sx = r.left + x, sy = r.top + y;
      if (!same && sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom) ++ink;
    }
  DeleteObject(bmp);
  detail = std::to_string(background) + " of " + std::to_string(long(w) * h) +
           " pixels in the background colour, " + std::to_string(ink) +
           " others inside control " + std::to_string(id);
  return background * 2 >= long(w) * h && ink >= kInkPixels;
}

// pixel TITLE ID DX DY COLOR [tol N]: the screen pixel DX, DY inside control
// ID of window TITLE (a negative one counted back from its right or bottom
// edge, -1 the last) has COLOR (0xRRGGBB, as tavik.ini holds colours), each
// channel within N (default 0).
bool CheckPixel(const std::string& title, int id, long dx, long dy, long color, long tol,
                std::string& detail) {
  HWND wnd = FindOwnWindow(title);
  HWND ctrl = wnd ? GetDlgItem(wnd, id) : nullptr;
  RECT c;
  if (!ctrl || !IsWindowVisible(wnd) || !GetWindowRect(ctrl, &c)) {
    detail = wnd ? "no visible window with that control" : "no such window";
    return false;
  }
  const POINT at = {dx >= 0 ? c.left + dx : c.right + dx, dy >= 0 ? c.top + dy : c.bottom + dy};
  const RECT one = {at.x, at.y, at.x + 1, at.y + 1};
  void* bits = nullptr;
  HBITMAP bmp = GrabScreen(one, 32, &bits);
  if (!bmp) {
    detail = "cannot read the screen";
    return false;
  }
  const long got = static_cast<long>(*static_cast<const uint32_t*>(bits) & 0xFFFFFF);
  DeleteObject(bmp);
  char text[96];
  std::snprintf(text, sizeof text, "the pixel at %ld %ld is 0x%06lX", at.x, at.y, got);
  detail = text;
  for (int shift = 0; shift < 24; shift += 8)
    if (std::labs(((got >> shift) & 0xFF) - ((color >> shift) & 0xFF)) > tol) return false;
  return true;
}

// layout TITLE BOX: the window's visible controls lie inside it; no two of them
// overlap, except the controls that lie wholly inside control BOX (drawn
// behind them); nothing outside BOX reaches past BOX's left edge. Controls of
// no size show nothing and are left out. BOX 0: a window without such a box.
bool CheckLayout(const std::string& title, int box, std::string& detail) {
  HWND w = FindOwnWindow(title);
  if (!w || !IsWindowVisible(w)) {
    detail = w ? "window is hidden" : "no such window";
    return false;
  }
  RECT outer;
  GetWindowRect(w, &outer);
  struct Item { int id; RECT r; };
  std::vector<Item> items;
  RECT boxRect = {};
  bool haveBox = false;
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!(GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE)) continue;
    RECT r;
    GetWindowRect(c, &r);
    if (r.right <= r.left || r.bottom <= r.top) continue;
    const int id = GetDlgCtrlID(c);
    if (id == box) {
      boxRect = r;
      haveBox = true;
    }
    items.push_back({id, r});
  }
  std::vector<std::string> problems;
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& a = items[i];
    if (!Inside(a.r, outer)) problems.push_back(Named(a.id, a.r) + " is not inside the window");
    const bool aBehind = haveBox && a.id != box && Inside(a.r, boxRect);
    if (haveBox && a.id != box && !aBehind && a.r.right > boxRect.left)
      problems.push_back(Named(a.id, a.r) + " reaches past the left edge of control " +
                         std::to_string(box));
    for (size_t j = i + 1; j < items.size(); ++j) {
      const Item& b = items[j];
      RECT both;
      if (!IntersectRect(&both, &a.r, &b.r)) continue;
      const bool boxPair = (a.id == box && Inside(b.r, a.r)) || (b.id == box && Inside(a.r, b.r));
      if (!boxPair) problems.push_back(Named(a.id, a.r) + " overlaps " + Named(b.id, b.r));
    }
  }
  detail = "window " + RectText(outer) + ", " + std::to_string(items.size()) + " controls";
  if (!haveBox && box != 0) problems.push_back("no visible control " + std::to_string(box));
  for (const auto& p : problems) detail += "; " + p;
  return problems.empty();
}

// list / list-contains / wlist / wlist-contains TITLE ID ROW "S": list box
// ID's row ROW (from 0; "selected": the selected row) reads S, or holds it
// (LB_GETTEXT; the w forms LB_GETTEXTW, S in UTF-8).
bool CheckListRow(const std::vector<std::string>& a, std::string& detail) {
  long row = 0;
  DWORD_PTR count = 0, len = 0, got = 0, sel = 0;
  HWND ctrl = Control(a[1], a[2], detail);
  if (ctrl && a[3] == "selected" &&
      SendMessageTimeoutW(ctrl, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &sel))
    row = static_cast<long>(static_cast<LRESULT>(sel));
  else if (!ctrl || !ToLong(a[3], row))
    return false;
  if (!SendMessageTimeoutW(ctrl, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count) ||
      static_cast<LRESULT>(count) == LB_ERR || row < 0 || static_cast<DWORD_PTR>(row) >= count) {
    detail = "the list has " + std::to_string(static_cast<long>(count)) + " rows";
    return false;
  }
  const bool wide = a[0][0] == 'w';
  std::string text;
  if (wide) {
    SendMessageTimeoutW(ctrl, LB_GETTEXTLEN, row, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len);
    std::vector<wchar_t> buf(len + 2, L'\0');
    SendMessageTimeoutW(ctrl, LB_GETTEXT, row, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &got);
    const int n = WideCharToMultiByte(CP_UTF8, 0, buf.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> utf8(n > 0 ? n : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, buf.data(), -1, utf8.data(), n, nullptr, nullptr);
    text = utf8.data();
  } else {
    SendMessageTimeoutA(ctrl, LB_GETTEXTLEN, row, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len);
    std::vector<char> buf(len * 2 + 2, '\0');  // room for a double-byte code page
    SendMessageTimeoutA(ctrl, LB_GETTEXT, row, reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &got);
    text = buf.data();
  }
  detail = "row " + std::to_string(row) + " of " + std::to_string(static_cast<long>(count)) +
           " is \"" + text + "\"";
  return a[0].find("-contains") != std::string::npos ? text.find(a[4]) != std::string::npos
                                                     : text == a[4];
}

// rows TITLE ID N: list box ID has at least N rows.
// row-cut TITLE ID ROW: list box ID's row ROW is shown cut before an
// ellipsis: on the screen its ink ends before the list's right edge, less
// than two of the font's widest characters from it (a row drawn clipped, as
// a plain list box does, runs up to the edge).
bool CheckRowCut(const std::string& title, const std::string& id, long row, std::string& detail) {
  HWND ctrl = Control(title, id, detail);
  RECT item = {}, client = {};
  if (!ctrl || SendMessageW(ctrl, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item)) == LB_ERR ||
      !GetClientRect(ctrl, &client) || item.top < 0 || item.bottom > client.bottom) {
    if (ctrl) detail = "the row is not shown";
    return false;
  }
  HDC dc = GetDC(ctrl);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(ctrl, WM_GETFONT, 0, 0)));
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(ctrl, dc);
  MapWindowPoints(ctrl, nullptr, reinterpret_cast<POINT*>(&item), 2);
  void* bits = nullptr;
  HBITMAP bmp = GrabScreen(item, 32, &bits);
  if (!bmp) return false;
  const int w = item.right - item.left, h = item.bottom - item.top;
  const auto* px = static_cast<const uint32_t*>(bits);
  int inkEnd = 0;  // one past the rightmost column unlike the row's top left pixel
  for (int y = 0; y < h; ++y)
    for (int x = inkEnd; x < w; ++x)
      if ((px[y * w + x] & 0xFFFFFF) != (px[(h - 1) * w] & 0xFFFFFF)) inkEnd = x + 1;
  DeleteObject(bmp);
  detail = "the row's ink ends at " + std::to_string(inkEnd) + " of " + std::to_string(w) + " px";
  return inkEnd < w && inkEnd > w - 2 * tm.tmMaxCharWidth;
}

bool CheckListCount(const std::string& title, const std::string& id, long want, std::string& detail) {
  HWND ctrl = Control(title, id, detail);
  DWORD_PTR count = 0;
  if (!ctrl || !SendMessageTimeoutW(ctrl, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &count))
    return false;
  detail = "the list has " + std::to_string(static_cast<long>(count)) + " rows";
  return static_cast<LRESULT>(count) != LB_ERR && static_cast<long>(count) >= want;
}

// progress TITLE ID N [HIGH]: progress bar ID stands at N (PBM_GETPOS), or
// anywhere from N to HIGH.
bool CheckProgress(const std::string& title, const std::string& id, long want, long high,
                   std::string& detail) {
  HWND ctrl = Control(title, id, detail);
  DWORD_PTR pos = 0;
  if (!ctrl || !SendMessageTimeoutW(ctrl, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &pos))
    return false;
  detail = "the bar stands at " + std::to_string(static_cast<long>(pos));
  return static_cast<long>(pos) >= want && static_cast<long>(pos) <= high;
}

}  // namespace

bool EvaluateScreen(const std::vector<std::string>& a, std::string& detail, bool& known) {
  const size_t n = a.size();
  const std::string& kind = a[0];
  long v[3] = {};
  known = true;
  if (kind == "font" && n == 4) {
    HWND ctrl = Control(a[1], a[2], detail);
    std::string face;
    return ctrl && FontFace(ctrl, face, detail) && face == a[3];
  }
  if (kind == "foreground" && n == 2) {
    HWND fg = GetForegroundWindow();
    HWND root = fg ? GetAncestor(fg, GA_ROOT) : nullptr;
    char title[256] = "";
    if (root) GetWindowTextA(root, title, sizeof title);
    detail = root ? "the foreground window is \"" + std::string(title) + "\"" : "no foreground window";
    return root && a[1] == title;
  }
  if (kind == "clock" && n == 3) {
    HWND ctrl = Control(a[1], a[2], detail);
    char text[64] = "";
    DWORD_PTR got = 0;
    if (!ctrl || !SendMessageTimeoutA(ctrl, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                      SMTO_ABORTIFHUNG, kSendTimeoutMs, &got))
      return false;
    detail = "text is \"" + std::string(text) + "\", local time " + ClockAt(0);
    for (int back = 0; back <= kClockSlackMinutes; ++back)
      if (ClockAt(back) == text) return true;
    return false;
  }
  if (kind == "over-video" && n == 5 && ToLong(a[2], v[0]) && ToLong(a[3], v[1]) && ToLong(a[4], v[2])) {
    // over-video TITLE INSET LIFT HEIGHT: INSET in from the video's sides, its
    // lower edge LIFT above the video's bottom, HEIGHT high.
    HWND w = FindOwnWindow(a[1]);
    if (!w) { detail = "no such window"; return false; }
    RECT video, r;
    GetWindowRect(State().videoWnd, &video);
    GetWindowRect(w, &r);
    const RECT want = {video.left + v[0], video.bottom - v[1] - v[2], video.right - v[0], video.bottom - v[1]};
    detail = "rect is " + RectText(r) + ", expected " + RectText(want) + " over the video window at " +
             RectText(video);
    return EqualRect(&r, &want) != 0;
  }
  if (kind == "narrower" && n == 3 && ToLong(a[2], v[0])) {
    // Caught in the middle of a slide-out: visible, some width left, less than full.
    HWND w = FindOwnWindow(a[1]);
    RECT r = {};
    if (w) GetWindowRect(w, &r);
    const long width = r.right - r.left;
    detail = !w ? "no such window" : "width is " + std::to_string(width) + (IsWindowVisible(w) ? "" : ", hidden");
    return w && IsWindowVisible(w) && width > 0 && width < v[0];
  }
  if (kind == "selected" && n == 4) {
    // The entry a list box has selected (its window text is empty).
    HWND ctrl = Control(a[1], a[2], detail);
    DWORD_PTR sel = 0, len = 0;
    if (!ctrl || !SendMessageTimeoutA(ctrl, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &sel))
      return false;
    if (static_cast<LRESULT>(sel) == LB_ERR ||
        !SendMessageTimeoutA(ctrl, LB_GETTEXTLEN, sel, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len) ||
        static_cast<LRESULT>(len) == LB_ERR) {
      detail = "nothing is selected";
      return false;
    }
    std::vector<char> text(len + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(ctrl, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &got);
    detail = "\"" + std::string(text.data()) + "\" is selected";
    return a[3] == text.data();
  }
  if (kind == "checked" && n == 3) {
    HWND ctrl = Control(a[1], a[2], detail);
    DWORD_PTR state = 0;
    if (!ctrl || !SendMessageTimeoutA(ctrl, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &state))
      return false;
    detail = state == BST_CHECKED ? "checked" : "not checked";
    return state == BST_CHECKED;
  }
  if (kind == "control" && n == 4 && (a[3] == "visible" || a[3] == "hidden")) {
    HWND ctrl = Control(a[1], a[2], detail);
    if (!ctrl) return false;
    const bool visible = (GetWindowLongA(ctrl, GWL_STYLE) & WS_VISIBLE) != 0;
    detail = visible ? "the control is visible" : "the control is hidden";
    return visible == (a[3] == "visible");
  }
  if (kind == "count" && n == 3 && ToLong(a[2], v[0])) {
    const int count = TraceCount(a[1]);
    detail = "found " + std::to_string(count) + " times in the trace";
    return count == v[0];
  }
  if (kind == "cursor" && n == 3 && ToLong(a[1], v[0]) && ToLong(a[2], v[1])) {
    POINT at = {};
    GetCursorPos(&at);
    detail = "the cursor is at " + std::to_string(at.x) + " " + std::to_string(at.y);
    return at.x == v[0] && at.y == v[1];
  }
  if (kind == "layout" && n == 3 && ToLong(a[2], v[0])) return CheckLayout(a[1], static_cast<int>(v[0]), detail);
  long color = 0, tol = 0;
  if (kind == "pixel" && (n == 6 || (n == 8 && a[6] == "tol" && ToLong(a[7], tol))) &&
      ToLong(a[2], v[0]) && ToLong(a[3], v[1]) && ToLong(a[4], v[2]) && ToLong(a[5], color))
    return CheckPixel(a[1], static_cast<int>(v[0]), v[1], v[2], color, tol, detail);
  if ((kind == "list" || kind == "wlist" || kind == "list-contains" || kind == "wlist-contains") && n == 5)
    return CheckListRow(a, detail);
  if (kind == "row-cut" && n == 4 && ToLong(a[3], v[0])) return CheckRowCut(a[1], a[2], v[0], detail);
  if (kind == "rows" && n == 4 && ToLong(a[3], v[0])) return CheckListCount(a[1], a[2], v[0], detail);
  if (kind == "progress" && (n == 4 || n == 5) && ToLong(a[3], v[0]) && (n == 4 || ToLong(a[4], v[1])))
    return CheckProgress(a[1], a[2], v[0], n == 5 ? v[1] : v[0], detail);
  if (kind == "picture" && n == 4 && ToLong(a[2], v[0]) && ToLong(a[3], v[1]))
    return CheckPicture(a[1], v[0], static_cast<int>(v[1]), detail);
  if (kind == "dialog" && n == 3) return DialogSeen(a[1], a[2], detail);
  if (kind == "dialog-contains" && n == 3) return DialogSeen(a[1], a[2], detail, true);
  if (kind == "loaded" && n == 1) {
    detail = PluginLoaded() ? "a plug-in is loaded" : "no plug-in is loaded";
    return PluginLoaded();
  }
  known = false;
  return false;
}

}  // namespace mdhost
