// The font dialog: a modal window listing the installed typefaces with a
// choice of justification and a sample; OK writes the choice back.
#include <set>

#include "common/text.h"
#include "runtime/win/ui_internal.h"

namespace ui {

using namespace rt;

namespace {

// Child ids; docs/panel-file.md tells other programs how to drive them.
constexpr int kIdList = 101;
constexpr int kIdLeft = 102;
constexpr int kIdRight = 103;
constexpr int kIdCentre = 104;
constexpr int kDialogWidth = 370;
constexpr int kDialogHeight = 340;
constexpr RECT kSampleRect = {10, 236, 350, 290};

struct FontDialog {
  std::string sample;
  std::string face;  // starting typeface, then the choice
  int justify = 0;
  bool monospacedOnly = false;
  bool done = false;
  bool confirmed = false;
  HFONT uiFont = nullptr;
};

int CALLBACK CollectFace(const LOGFONTA* lf, const TEXTMETRICA*, DWORD, LPARAM data) {
  auto* args = reinterpret_cast<std::pair<std::set<std::string>*, bool>*>(data);
  if (lf->lfFaceName[0] == '@') return 1;  // vertical variants
  if (args->second && (lf->lfPitchAndFamily & 3) != FIXED_PITCH) return 1;
  args->first->insert(lf->lfFaceName);
  return 1;
}

HWND Child(HWND dlg, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
           int id, HFONT font) {
  HWND wnd = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, dlg,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             TheRuntime().module, nullptr);
  SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return wnd;
}

void Build(HWND dlg, FontDialog& d) {
  d.uiFont = NewFont("Tahoma", 13, false);
  Child(dlg, "STATIC", "Typeface:", 0, 10, 8, 200, 16, -1, d.uiFont);
  HWND list = Child(dlg, "LISTBOX", "",
                    WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_SORT | LBS_NOTIFY, 10, 26, 200,
                    200, kIdList, d.uiFont);
  std::set<std::string> faces;
  std::pair<std::set<std::string>*, bool> args(&faces, d.monospacedOnly);
  LOGFONTA lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  HDC dc = GetDC(dlg);
  EnumFontFamiliesExA(dc, &lf, CollectFace, reinterpret_cast<LPARAM>(&args), 0);
  ReleaseDC(dlg, dc);
  if (!d.face.empty()) faces.insert(d.face);  // the starting face is always offered
  for (const auto& f : faces) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
  LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(d.face.c_str()));
  SendMessageA(list, LB_SETCURSEL, at == LB_ERR ? 0 : at, 0);

  Child(dlg, "BUTTON", "Justification", BS_GROUPBOX, 222, 20, 130, 100, -1, d.uiFont);
  Child(dlg, "BUTTON", "Left", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 232, 40, 110, 20,
        kIdLeft, d.uiFont);
  Child(dlg, "BUTTON", "Right", BS_AUTORADIOBUTTON, 232, 64, 110, 20, kIdRight, d.uiFont);
  Child(dlg, "BUTTON", "Centred", BS_AUTORADIOBUTTON, 232, 88, 110, 20, kIdCentre, d.uiFont);
  int checked = d.justify == kJustifyRight ? kIdRight
                : d.justify == kJustifyCentre ? kIdCentre : kIdLeft;
  CheckRadioButton(dlg, kIdLeft, kIdCentre, checked);
  Child(dlg, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 222, 166, 130, 26, IDOK,
        d.uiFont);
  Child(dlg, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 222, 200, 130, 26, IDCANCEL,
        d.uiFont);
}

// The face and justification the dialog's controls now show.
void Current(HWND dlg, std::string* face, int* justify) {
  HWND list = GetDlgItem(dlg, kIdList);
  LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
  LRESULT len = sel == LB_ERR ? LB_ERR : SendMessageA(list, LB_GETTEXTLEN, sel, 0);
  if (len != LB_ERR && len < 256) {
    char buf[256];
    SendMessageA(list, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(buf));
    *face = buf;
  }
  if (IsDlgButtonChecked(dlg, kIdRight) == BST_CHECKED) *justify = kJustifyRight;
  else if (IsDlgButtonChecked(dlg, kIdCentre) == BST_CHECKED) *justify = kJustifyCentre;
  else *justify = kJustifyLeft;
}

void PaintSample(HWND dlg, FontDialog& d) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dlg, &ps);
  RECT client;
  GetClientRect(dlg, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  RECT r = kSampleRect;
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  std::string face = d.face;
  int justify = d.justify;
  Current(dlg, &face, &justify);
  HFONT font = NewFont(face, 24, false);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  InflateRect(&r, -6, 0);
  UINT align = justify == kJustifyRight ? DT_RIGHT : justify == kJustifyCentre ? DT_CENTER : DT_LEFT;
  DrawTextA(dc, d.sample.c_str(), -1, &r, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
  EndPaint(dlg, &ps);
}

LRESULT CALLBACK FontDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<FontDialog*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
  switch (msg) {
    case WM_CREATE: {
      d = static_cast<FontDialog*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      SetWindowLongPtrA(dlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(d));
      Build(dlg, *d);
      return 0;
    }
    case WM_PAINT:
      if (d) {
        PaintSample(dlg, *d);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_COMMAND: {
      if (!d) break;
      int id = LOWORD(wp);
      if (id == IDOK) {
        Current(dlg, &d->face, &d->justify);
        d->confirmed = true;
        d->done = true;
      } else if (id == IDCANCEL) {
        d->done = true;
      } else {
        RECT r = kSampleRect;
        InvalidateRect(dlg, &r, FALSE);
      }
      return 0;
    }
    case WM_CLOSE:
      if (d) d->done = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcA(dlg, msg, wp, lp);
}

}  // namespace

namespace rt {
bool RegisterFontDialogClass(HINSTANCE module) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FontDialogProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kFontDialogClass;
  return RegisterClassA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
}  // namespace rt

int FontSelectPopup(const char* title, const char* sampleText, int monospacedOnly,
                    char* typeface, int typefaceCapacity, int* justification, int /*minSize*/,
                    int /*maxSize*/, int /*showDefaultFonts*/, int /*allowMetaFonts*/) {
  FontDialog d;
  d.sample = sampleText ? sampleText : "";
  if (typeface && typefaceCapacity > 0)
    d.face.assign(typeface, BoundedLength(typeface, static_cast<size_t>(typefaceCapacity)));
  d.justify = justification ? *justification : 0;
  d.monospacedOnly = monospacedOnly != 0;

  HWND owner = GetActiveWindow();
  int x = (GetSystemMetrics(SM_CXSCREEN) - kDialogWidth) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - kDialogHeight) / 2;
  HWND dlg = CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST | WS_EX_CONTROLPARENT,
                             kFontDialogClass, title ? title : "Font select",
                             WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, kDialogWidth, kDialogHeight,
                             owner, nullptr, TheRuntime().module, &d);
  if (!dlg) return 0;
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(dlg, SW_SHOW);
  SetForegroundWindow(dlg);
  SetFocus(GetDlgItem(dlg, kIdList));
  MSG msg;
  while (!d.done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // the host's quit, kept
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageA(dlg, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (owner) EnableWindow(owner, TRUE);
  DestroyWindow(dlg);
  if (owner) SetActiveWindow(owner);
  if (d.uiFont) DeleteObject(d.uiFont);
  if (!d.confirmed) return 0;
  if (typeface && typefaceCapacity > 0)
    CopyText(typeface, static_cast<size_t>(typefaceCapacity), d.face.c_str());
  if (justification) *justification = d.justify;
  return 1;
}

}  // namespace ui
