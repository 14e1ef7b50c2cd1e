// Display controls: their fonts, autosized text lines, and the panel's
// double-buffered painting of text lines, meters, lamps, boxes and pictures.
#include "runtime/win/ui_internal.h"

#include <algorithm>

#include "common/text.h"

namespace ui {
namespace rt {
namespace {

COLORREF Ref(int rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int Darker(int rgb) {
  int r = ((rgb >> 16) & 0xFF) * 3 / 5, g = ((rgb >> 8) & 0xFF) * 3 / 5, b = (rgb & 0xFF) * 3 / 5;
  return (r << 16) | (g << 8) | b;
}

// The DC's own brush: no brush object made and freed per fill.
void Fill(HDC dc, const RECT& r, int rgb) {
  SetDCBrushColor(dc, Ref(rgb));
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Frame(HDC dc, const RECT& r, COLORREF color) {
  SetDCBrushColor(dc, color);
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

UINT JustifyFlags(int justify) {
  if (justify == kJustifyRight) return DT_RIGHT;
  if (justify == kJustifyCentre) return DT_CENTER;
  return DT_LEFT;
}

// Draws one line of text; a Unicode one (unicode set) with the wide calls, in
// the control's fallback face when its own lacks some of the characters.
void DrawLine(HDC dc, CtrlState& c, const RECT& r, const std::string& text, int justify,
              bool unicode = false) {
  HFONT fallback = unicode && !c.drawFace.empty() ? NewFont(c.drawFace, c.pointSize, c.bold)
                                                  : nullptr;
  HFONT own = fallback ? fallback : DisplayFont(c);
  SelectObject(dc, own);
  SetTextColor(dc, Ref(c.textColor));
  SetBkMode(dc, TRANSPARENT);
  RECT inner = r;
  InflateRect(&inner, -kTextPad, 0);
  if (inner.right > inner.left) {  // no room: nothing, not even an ellipsis
    HFONT fitted = FittedFont(dc, c, text, inner.right - inner.left, unicode);
    if (fitted) SelectObject(dc, fitted);
    const int overflow = OverflowFlags(dc, text, inner, unicode);
    const UINT flags = JustifyFlags(justify) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (overflow >= 0 && unicode) {
      const WideText wide = Widen(text);
      DrawTextW(dc, wide.c_str(), wide.length(), &inner, flags | overflow);
    } else if (overflow >= 0) {
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &inner, flags | overflow);
    }
    if (fitted) {
      SelectObject(dc, own);
      DeleteObject(fitted);
    }
  }
  if (fallback) {
    SelectObject(dc, DisplayFont(c));
    DeleteObject(fallback);
  }
}

void PaintPicture(HDC dc, const CtrlState& c, const RECT& r) TAVIK_REQUIRES(TheRuntime().lock) {
  if (!c.picture || c.picWidth <= 0 || c.picHeight <= 0) return;
  // Fit inside the control, keeping the picture's proportions, centred.
  int w = c.width, h = c.picHeight * c.width / c.picWidth;
  if (h > c.height) {
    h = c.height;
    w = c.picWidth * c.height / c.picHeight;
  }
  int x = r.left + (c.width - w) / 2, y = r.top + (c.height - h) / 2;
  HDC src = ScratchDC();
  HGDIOBJ old = SelectObject(src, c.picture);
  if (c.picAlpha) {  // its transparent parts show the panel's background
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, x, y, w, h, src, 0, 0, c.picWidth, c.picHeight, blend);
  } else if (w == c.picWidth && h == c.picHeight) {
    BitBlt(dc, x, y, w, h, src, 0, 0, SRCCOPY);  // kept at its shown size
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, x, y, w, h, src, 0, 0, c.picWidth, c.picHeight, SRCCOPY);
  }
  SelectObject(src, old);
}

void PaintLamp(HDC dc, const CtrlState& c, const RECT& r) {
  HBRUSH brush = CreateSolidBrush(Ref(c.color));
  HPEN pen = CreatePen(PS_SOLID, 1, Ref(Darker(c.color)));
  HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
  int d = std::min(c.width, c.height);
  int x = r.left + (c.width - d) / 2, y = r.top + (c.height - d) / 2;
  Ellipse(dc, x, y, x + d, y + d);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(brush);
  DeleteObject(pen);
  // A small highlight makes it read as a lamp.
  if (d >= 8) {
    RECT hi{x + d / 4, y + d / 5, x + d / 4 + d / 4, y + d / 5 + d / 5};
    Fill(dc, hi, 0xFFFFFF);
  }
}

void PaintMeter(HDC dc, CtrlState& c, const RECT& r) {
  Fill(dc, r, c.color);
  Frame(dc, r, Ref(Darker(c.color)));
  DrawLine(dc, c, r, c.text, kJustifyCentre);
}

// The caption left of an input and the colour picker's swatch.
void PaintInputParts(HDC dc, CtrlState& c) {
  if (c.def.kind != CtrlKind::Toggle && !c.caption.empty()) {
    RECT cap{c.left - c.def.labelWidth - 4, c.top, c.left - 4, c.top + c.height};
    DrawLine(dc, c, cap, c.caption, kJustifyLeft);
  }
  if (c.def.kind == CtrlKind::ColorPicker) {
    int x = c.left + c.width + kSwatchGap;
    RECT sw{x, c.top, x + kSwatchWidth, c.top + c.height};
    Fill(dc, sw, c.intValue & 0xFFFFFF);
    Frame(dc, sw, RGB(64, 64, 64));
  }
}

}  // namespace

HDC ScratchDC() {
  if (!TheRuntime().scratchDC) TheRuntime().scratchDC = CreateCompatibleDC(nullptr);
  return TheRuntime().scratchDC;
}

HFONT NewFont(const std::string& face, int pointSize, bool bold) {
  LOGFONTA lf = {};
  lf.lfHeight = -pointSize;  // the text height in pixels
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  CopyText(lf.lfFaceName, sizeof lf.lfFaceName, face.empty() ? kDefaultFace : face.c_str());
  return CreateFontIndirectA(&lf);
}

HFONT DisplayFont(CtrlState& c) {
  if (!c.font) {
    c.font = NewFont(c.face, c.pointSize, c.bold);
    // The control's window answers WM_GETFONT with the font it is drawn in,
    // so screen readers and tests can read the typeface.
    if (c.wnd) SetPropA(c.wnd, kFontProp, c.font);
  }
  return c.font;
}

bool SelfPainting(CtrlKind kind) {
  return IsInputKind(kind) || kind == CtrlKind::Button || kind == CtrlKind::TextBox ||
         kind == CtrlKind::List || kind == CtrlKind::Progress;
}

void Autosize(CtrlState& c, int oldLeft, int oldWidth) {
  ChooseDrawFace(c);
  if (!c.def.autosize) return;
  HDC dc = ScratchDC();
  HFONT fallback = c.unicode && !c.drawFace.empty() ? NewFont(c.drawFace, c.pointSize, c.bold)
                                                    : nullptr;
  HGDIOBJ old = SelectObject(dc, fallback ? fallback : DisplayFont(c));
  const int textWidth = TextWidth(dc, c.text, c.unicode);
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  if (fallback) {
    // The line keeps its own font's height, so the banner's layout stays.
    SelectObject(dc, DisplayFont(c));
    GetTextMetricsA(dc, &tm);
  }
  SelectObject(dc, old);
  if (fallback) DeleteObject(fallback);
  int width = textWidth + 2 * kTextPad;
  // The justification names the edge that stays put as the text changes.
  if (c.justify == kJustifyRight) c.left = oldLeft + oldWidth - width;
  else if (c.justify == kJustifyCentre) c.left = oldLeft + (oldWidth - width) / 2;
  else c.left = oldLeft;
  c.width = width;
  if (tm.tmHeight > 0) c.height = tm.tmHeight;
}

void PaintPanel(PanelState& p, HDC target, const RECT& client) {
  int w = client.right - client.left, h = client.bottom - client.top;
  if (w <= 0 || h <= 0) return;
  // The off-screen copy is kept for the next paint of the same size.
  if (!p.backBuffer || p.backWidth != w || p.backHeight != h) {
    if (p.backBuffer) DeleteObject(p.backBuffer);
    p.backBuffer = CreateCompatibleBitmap(target, w, h);
    p.backWidth = w;
    p.backHeight = h;
  }
  HDC dc = CreateCompatibleDC(target);
  HGDIOBJ oldBmp = SelectObject(dc, p.backBuffer);
  HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
  Fill(dc, client, p.backColor);
  for (auto& c : p.ctrls) {
    if (!c.visible) continue;
    RECT r = ShownRect(p, c, w);
    switch (c.def.kind) {
      case CtrlKind::TextLine:
        if (c.bgColor != kNoColor) Fill(dc, r, c.bgColor);
        DrawLine(dc, c, r, c.text, c.justify, c.unicode);
        break;
      case CtrlKind::Meter:
        PaintMeter(dc, c, r);
        break;
      case CtrlKind::Led:
        PaintLamp(dc, c, r);
        break;
      case CtrlKind::Box:
        Fill(dc, r, c.color);
        break;
      case CtrlKind::Picture:
        PaintPicture(dc, c, r);
        break;
      default:
        if (IsInputKind(c.def.kind)) PaintInputParts(dc, c);
        break;
    }
  }
  SelectObject(dc, oldFont);
  // Standard child windows paint themselves; keep the copy off them.
  int saved = SaveDC(target);
  for (const auto& c : p.ctrls) {
    if (!c.visible || !SelfPainting(c.def.kind) || !c.wnd) continue;
    RECT cr;
    GetWindowRect(c.wnd, &cr);
    MapWindowPoints(nullptr, p.wnd, reinterpret_cast<POINT*>(&cr), 2);
    ExcludeClipRect(target, cr.left, cr.top, cr.right, cr.bottom);
    if (c.pick) {
      GetWindowRect(c.pick, &cr);
      MapWindowPoints(nullptr, p.wnd, reinterpret_cast<POINT*>(&cr), 2);
      ExcludeClipRect(target, cr.left, cr.top, cr.right, cr.bottom);
    }
  }
  BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
  RestoreDC(target, saved);
  SelectObject(dc, oldBmp);
  DeleteDC(dc);
}

// Display controls are drawn by their panel; their window carries the value
// as its text and lets the mouse through to the panel.
LRESULT CALLBACK DisplayProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(wnd, &ps);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropA(wnd, kFontProp));
    case WM_NCDESTROY:
      RemovePropA(wnd, kFontProp);
      return DefWindowProcW(wnd, msg, wp, lp);
    default:
      // A Unicode window: its text can hold what a Unicode value shows.
      return DefWindowProcW(wnd, msg, wp, lp);
  }
}

}  // namespace rt
}  // namespace ui
