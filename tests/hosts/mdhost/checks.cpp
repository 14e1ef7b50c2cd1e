// What the script sees and does on the screen: finding the plug-in's windows by
// title, reading their controls, the expect checks, button presses, control
// input and screenshots.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/hosts/mdhost/mdhost.h"

namespace mdhost {
namespace {

constexpr DWORD kDefaultWithinMs = 3000;
constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 2000;

struct FindData {
  const std::string* title;
  HWND visible = nullptr;
  HWND any = nullptr;
};

std::string TitleOf(HWND w) {
  wchar_t wide[512] = {};
  // Reads the stored title without sending a message to the owner thread.
  InternalGetWindowText(w, wide, 511);
  char narrow[512] = {};
  WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
  return narrow;
}

BOOL CALLBACK FindProc(HWND w, LPARAM lp) {
  FindData* d = reinterpret_cast<FindData*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId() || TitleOf(w) != *d->title) return TRUE;
  if (!d->any) d->any = w;
  if (IsWindowVisible(w) && !d->visible) d->visible = w;
  return TRUE;
}

// The text of a control as a screen reader gets it, without blocking forever.
bool ControlText(HWND w, std::string& out) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len)) return false;
  std::vector<char> buf(len + 2, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &got))
    return false;
  buf.back() = '\0';
  out = buf.data();
  return true;
}

// The control's Unicode text (GetWindowTextW's, as a screen reader of wide
// text gets it) as UTF-8.
bool ControlTextUtf8(HWND w, std::string& out) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &len)) return false;
  std::vector<wchar_t> buf(len + 2, L'\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                           SMTO_ABORTIFHUNG, kSendTimeoutMs, &got))
    return false;
  buf.back() = L'\0';
  const int n = WideCharToMultiByte(CP_UTF8, 0, buf.data(), -1, nullptr, 0, nullptr, nullptr);
  std::vector<char> utf8(n > 0 ? n : 1, '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, buf.data(), -1, utf8.data(), n, nullptr, nullptr);
  out = utf8.data();
  return true;
}

std::string WithoutAmpersands(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

struct ChildSearch {
  std::string text;
  HWND found = nullptr;
};

BOOL CALLBACK ChildProc(HWND w, LPARAM lp) {
  ChildSearch* s = reinterpret_cast<ChildSearch*>(lp);
  std::string t;
  if (ControlText(w, t) && WithoutAmpersands(t) == s->text) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

bool ToLong(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 0);
  return *end == '\0';
}

bool IsRadioButton(HWND w) {
  char cls[16] = "";
  GetClassNameA(w, cls, sizeof cls);
  const LONG type = GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK;
  return lstrcmpiA(cls, "Button") == 0 && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
}

std::string ClassOf(HWND w) {
  char cls[64] = "";
  GetClassNameA(w, cls, sizeof cls);
  return cls;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, got);
  std::fclose(f);
  return true;
}

// One evaluation of a check; detail says what was seen.
bool Evaluate(const std::vector<std::string>& a, std::string& detail) {
  const size_t n = a.size();
  const std::string& kind = a[0];
  long v[6] = {};
  if (kind == "window" && (n == 2 || n == 3)) {
    const std::string state = n == 3 ? a[2] : "exists";
    HWND w = FindOwnWindow(a[1]);
    const bool visible = w && IsWindowVisible(w);
    detail = !w ? "no such window" : visible ? "window is visible" : "window is hidden";
    if (state == "exists") return w != nullptr;
    if (state == "absent") return w == nullptr;
    if (state == "visible") return visible;
    if (state == "hidden") return w && !visible;
    detail = "expected exists|visible|hidden|absent";
    return false;
  }
  if ((kind == "text" || kind == "text-contains" || kind == "wtext" ||
       kind == "wtext-contains") &&
      n == 4 && ToLong(a[2], v[0])) {
    HWND panel = FindOwnWindow(a[1]);
    HWND ctrl = panel ? GetDlgItem(panel, static_cast<int>(v[0])) : nullptr;
    const bool wide = kind[0] == 'w';
    std::string text;
    if (!ctrl || !(wide ? ControlTextUtf8(ctrl, text) : ControlText(ctrl, text))) {
      detail = panel ? "no such control" : "no such window";
      return false;
    }
    detail = "text is \"" + text + "\"";
    return kind == "text" || kind == "wtext" ? text == a[3]
                                             : text.find(a[3]) != std::string::npos;
  }
  if (kind == "rect" && (n == 6 || n == 7 || n == 8 || n == 9)) {
    // rect TITLE [CONTROL] LEFT TOP WIDTH HEIGHT [tol N]
    size_t count = n;
    long tol = 0;
    if (n >= 8 && a[n - 2] == "tol") {
      if (!ToLong(a[n - 1], tol)) return false;
      count -= 2;
    }
    const bool withControl = count == 7;
    if (count != 6 && count != 7) { detail = "wrong arguments"; return false; }
    for (size_t i = 2; i < count; ++i)
      if (!ToLong(a[i], v[i - 2])) { detail = "numbers expected"; return false; }
    HWND w = FindOwnWindow(a[1]);
    if (w && withControl) w = GetDlgItem(w, static_cast<int>(v[0]));
    if (!w) { detail = "no such window or control"; return false; }
    const long* e = withControl ? v + 1 : v;
    RECT r;
    GetWindowRect(w, &r);
    char buf[128];
    std::snprintf(buf, sizeof buf, "rect is %ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
    detail = buf;
    return std::labs(r.left - e[0]) <= tol && std::labs(r.top - e[1]) <= tol &&
           std::labs(r.right - r.left - e[2]) <= tol && std::labs(r.bottom - r.top - e[3]) <= tol;
  }
  if (kind == "alpha" && n == 3 && ToLong(a[2], v[0])) {
    HWND w = FindOwnWindow(a[1]);
    if (!w) { detail = "no such window"; return false; }
    long alpha = 255;
    BYTE value = 255, *pv = &value;
    DWORD flags = 0;
    COLORREF key = 0;
    if ((GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED) &&
        GetLayeredWindowAttributes(w, &key, pv, &flags) && (flags & LWA_ALPHA))
      alpha = value;
    detail = "alpha is " + std::to_string(alpha);
    return alpha == v[0];
  }
  if (kind == "uncovered" && n == 2) {
    // Visible and on top at its own centre: what a viewer actually sees.
    HWND w = FindOwnWindow(a[1]);
    if (!w || !IsWindowVisible(w)) { detail = w ? "window is hidden" : "no such window"; return false; }
    RECT r;
    GetWindowRect(w, &r);
    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    HWND at = WindowFromPoint(centre);
    const bool mine = at == w || IsChild(w, at);
    detail = mine ? "" : "covered at its centre by \"" + TitleOf(GetAncestor(at, GA_ROOT)) + "\"";
    return mine;
  }
  if (kind == "topmost" && n == 2) {
    HWND w = FindOwnWindow(a[1]);
    detail = w ? "window is not topmost" : "no such window";
    return w && (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
  if (kind == "file" && (n == 3 || n == 4)) {
    const std::string path = PluginFolderPath(a[1]);
    std::string content;
    const bool exists = ReadWholeFile(path, content);
    detail = exists ? "file has " + std::to_string(content.size()) + " bytes" : "no file " + path;
    if (n == 3 && a[2] == "exists") return exists;
    if (n == 3 && a[2] == "absent") return !exists;
    if (n == 4 && a[2] == "contains") return exists && content.find(a[3]) != std::string::npos;
    if (n == 4 && a[2] == "lacks") return exists && content.find(a[3]) == std::string::npos;
    detail = "expected exists|absent|contains TEXT|lacks TEXT";
    return false;
  }
  if (kind == "trace" && n == 2) {
    detail = "not in the trace";
    return TraceContains(a[1]);
  }
  if (kind == "returned" && n == 1) {
    detail = "a call into the plug-in is still running";
    return State().menuDepth == 0 && State().callsPending == 0;
  }
  if (kind == "deliveries" && n == 2 && ToLong(a[1], v[0])) {
    detail = std::to_string(DeliveryCount()) + " deliveries so far";
    return DeliveryCount() >= v[0];
  }
  if (kind == "filter" && n == 2 && (a[1] == "running" || a[1] == "stopped")) {
    detail = DeliveryRunning() ? "filter running" : "filter stopped";
    return DeliveryRunning() == (a[1] == "running");
  }
  bool known = false;
  const bool held = EvaluateScreen(a, detail, known);
  if (!known) detail = "unknown check or wrong arguments";
  return held;
}

}  // namespace

HWND FindOwnWindow(const std::string& title) {
  FindData d;
  d.title = &title;
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&d));
  return d.visible ? d.visible : d.any;
}

// expect [not] CHECK ... [within MS]: polls until the check holds (or, with
// "not", fails) or the time is up; "within 0" evaluates once.
bool RunExpect(const std::vector<std::string>& args, std::string& error) {
  std::vector<std::string> a = args;
  DWORD within = kDefaultWithinMs;
  for (size_t i = 0; i + 1 < a.size(); ++i) {
    long ms = 0;
    if (a[i] == "within" && ToLong(a[i + 1], ms) && ms >= 0) {
      within = static_cast<DWORD>(ms);
      a.erase(a.begin() + i, a.begin() + i + 2);
      break;
    }
  }
  bool negate = false;
  if (!a.empty() && a[0] == "not") {
    negate = true;
    a.erase(a.begin());
  }
  if (a.empty()) {
    error = "nothing to check";
    return false;
  }
  const DWORD start = GetTickCount();
  for (;;) {
    std::string detail;
    const bool held = Evaluate(a, detail) != negate;
    if (held) return true;
    if (detail.find("wrong arguments") != std::string::npos || GetTickCount() - start >= within) {
      error = detail;
      return false;
    }
    Sleep(kPollMs);
  }
}

bool ClosePanel(const std::string& panelTitle, std::string& error) {
  const DWORD start = GetTickCount();
  HWND panel = nullptr;
  while (GetTickCount() - start < kDefaultWithinMs) {
    panel = FindOwnWindow(panelTitle);
    if (panel && IsWindowVisible(panel)) break;
    panel = nullptr;
    Sleep(kPollMs);
  }
  if (!panel) {
    error = "no visible window \"" + panelTitle + "\"";
    return false;
  }
  if (!(GetWindowLongA(panel, GWL_STYLE) & WS_SYSMENU)) {
    error = "\"" + panelTitle + "\" has no close box";
    return false;
  }
  // What a click on the close box makes the system send.
  Trace("close: \"%s\" by its close box", panelTitle.c_str());
  PostMessageA(panel, WM_SYSCOMMAND, SC_CLOSE, 0);
  return true;
}

bool PressButton(const std::string& panelTitle, const std::string& button, std::string& error) {
  const DWORD start = GetTickCount();
  HWND panel = nullptr;
  ChildSearch s;
  s.text = WithoutAmpersands(button);
  // The panel may still be on its way up: look for a while.
  while (GetTickCount() - start < kDefaultWithinMs) {
    panel = FindOwnWindow(panelTitle);
    if (panel && IsWindowVisible(panel)) {
      EnumChildWindows(panel, ChildProc, reinterpret_cast<LPARAM>(&s));
      if (s.found) break;
    }
    Sleep(kPollMs);
  }
  if (!s.found) {
    error = panel ? "no button \"" + button + "\" on the panel" : "no window \"" + panelTitle + "\"";
    return false;
  }
  const std::string cls = ClassOf(s.found);
  Trace("press: \"%s\" / \"%s\" (class %s, id %d)", panelTitle.c_str(), button.c_str(), cls.c_str(),
        GetDlgCtrlID(s.found));
  if (lstrcmpiA(cls.c_str(), "Button") == 0) {
    PostMessageA(s.found, BM_CLICK, 0, 0);
  } else {
    RECT r;
    GetClientRect(s.found, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageA(s.found, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(s.found, WM_LBUTTONUP, 0, at);
  }
  return true;
}

bool SetControl(const std::string& panelTitle, int control, const std::string& value, std::string& error) {
  HWND panel = FindOwnWindow(panelTitle);
  HWND ctrl = panel ? GetDlgItem(panel, control) : nullptr;
  if (!ctrl) {
    error = panel ? "no control " + std::to_string(control) : "no window \"" + panelTitle + "\"";
    return false;
  }
  const std::string cls = ClassOf(ctrl);
  HWND parent = GetParent(ctrl);
  DWORD_PTR r = 0;
  auto send = [&](HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return SendMessageTimeoutA(w, m, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r) != 0;
  };
  bool ok;
  if (lstrcmpiA(cls.c_str(), "ComboBox") == 0) {
    // A choice is picked by its exact text, else by its position from 0.
    long index = -1;
    ok = send(ctrl, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str())) &&
         static_cast<LRESULT>(r) != CB_ERR;
    if (ok) index = static_cast<long>(r);
    else if (!ToLong(value, index)) index = -1;
    ok = index >= 0 && send(ctrl, CB_SETCURSEL, index, 0) && static_cast<LRESULT>(r) != CB_ERR;
    if (ok) send(parent, WM_COMMAND, MAKEWPARAM(control, CBN_SELCHANGE), reinterpret_cast<LPARAM>(ctrl));
  } else if (lstrcmpiA(cls.c_str(), "ListBox") == 0) {
    // A list entry is picked by its exact text, else by its position from 0.
    long index = -1;
    ok = send(ctrl, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str())) &&
         static_cast<LRESULT>(r) != LB_ERR;
    if (ok) index = static_cast<long>(r);
    else if (!ToLong(value, index)) index = -1;
    ok = index >= 0 && send(ctrl, LB_SETCURSEL, index, 0) && static_cast<LRESULT>(r) != LB_ERR;
    if (ok) send(parent, WM_COMMAND, MAKEWPARAM(control, LBN_SELCHANGE), reinterpret_cast<LPARAM>(ctrl));
  } else if (IsRadioButton(ctrl)) {
    // A radio button is clicked, so the others of its group let go.
    ok = value != "0" && send(ctrl, BM_CLICK, 0, 0) && send(ctrl, BM_GETCHECK, 0, 0) && r == BST_CHECKED;
  } else if (lstrcmpiA(cls.c_str(), "Button") == 0) {
    const WPARAM check = value == "0" ? BST_UNCHECKED : BST_CHECKED;
    ok = send(ctrl, BM_SETCHECK, check, 0);
    if (ok) send(parent, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), reinterpret_cast<LPARAM>(ctrl));
  } else {
    // Typed text: the field changes, then the user leaves it.
    ok = send(ctrl, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    if (ok) send(parent, WM_COMMAND, MAKEWPARAM(control, EN_CHANGE), reinterpret_cast<LPARAM>(ctrl));
    if (ok) send(parent, WM_COMMAND, MAKEWPARAM(control, EN_KILLFOCUS), reinterpret_cast<LPARAM>(ctrl));
  }
  Trace("set: \"%s\" control %d (class %s) = \"%s\"%s", panelTitle.c_str(), control, cls.c_str(),
        value.c_str(), ok ? "" : " failed");
  if (!ok) error = "the control did not take the value";
  return ok;
}

HBITMAP GrabScreen(const RECT& r, int bitCount, void** bits) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
  bi.bmiHeader.biCompression = BI_RGB;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
  if (bmp) {
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    SelectObject(mem, old);
  }
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return bmp;
}

bool SaveScreenshot(const std::string& path, std::string& error, const RECT* area) {
  RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (area) IntersectRect(&r, &r, area);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) {
    error = "nothing of that area is on the screen";
    return false;
  }
  void* bits = nullptr;
  HBITMAP bmp = GrabScreen(r, 24, &bits);
  bool ok = bmp != nullptr;
  if (ok) {
    BITMAPINFOHEADER bh = {};
    bh.biSize = sizeof bh;
    bh.biWidth = w;
    bh.biHeight = h;
    bh.biPlanes = 1;
    bh.biBitCount = 24;
    bh.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
    const DWORD imageSize = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bh;
    fh.bfSize = fh.bfOffBits + imageSize;
    bh.biSizeImage = imageSize;
    FILE* f = std::fopen(path.c_str(), "wb");
    ok = f && std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&bh, sizeof bh, 1, f) == 1 &&
         std::fwrite(bits, 1, imageSize, f) == imageSize;
    if (f && std::fclose(f) != 0) ok = false;
    DeleteObject(bmp);
  }
  if (!ok) error = "cannot write " + path;
  return ok;
}

}  // namespace mdhost
