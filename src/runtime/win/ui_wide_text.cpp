// Unicode text on panels: UTF-8 values widened for the wide Win32 calls, their
// width, and a typeface that has their characters when the control's lacks
// some (Chinese in Arial), tried in the order Windows' own font links go.
#include "runtime/win/ui_internal.h"

namespace ui {
namespace rt {
namespace {

// Faces known to hold Greek, Cyrillic, Chinese, Japanese and Korean letters,
// the ones shipped with Windows first; the last ones are what wine finds on a
// Linux machine.
constexpr const char* kFallbackFaces[] = {
    "Microsoft YaHei", "SimSun",        "Microsoft JhengHei", "PMingLiU",
    "Malgun Gothic",   "Gulim",         "Meiryo",             "MS Gothic",
    "Arial Unicode MS", "Segoe UI",     "Tahoma",             "WenQuanYi Micro Hei",
    "Noto Sans CJK SC", "DejaVu Sans",
};

// True when the font selected into dc has a glyph for every character of
// text that needs one.
bool Covers(HDC dc, const WideText& text) {
  if (text.empty()) return true;
  WORD glyphs[WideText::kCapacity];
  if (GetGlyphIndicesW(dc, text.c_str(), text.length(), glyphs, GGI_MARK_NONEXISTING_GLYPHS) ==
      GDI_ERROR)
    return true;  // cannot tell: keep the user's font
  for (int i = 0; i < text.length(); ++i)
    if (glyphs[i] == 0xFFFF && text.units[i] > L' ') return false;
  return true;
}

// True when a font of this face, as the system makes it (it may substitute
// another for a face it lacks, or name it in the system's language), has
// every character of text.
bool FaceCovers(HDC dc, const CtrlState& c, const std::string& face, const WideText& text) {
  HFONT f = NewFont(face, c.pointSize, c.bold);
  if (!f) return false;
  HGDIOBJ old = SelectObject(dc, f);
  const bool covers = Covers(dc, text);
  SelectObject(dc, old);
  DeleteObject(f);
  return covers;
}

}  // namespace

WideText Widen(const std::string& utf8) {
  WideText wide;
  const int n = utf8.empty() ? 0
                             : MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                   static_cast<int>(utf8.size()), wide.units,
                                                   WideText::kCapacity - 1);
  wide.count = n > 0 ? n : 0;
  wide.units[wide.count] = L'\0';
  return wide;
}

int TextWidth(HDC dc, const std::string& text, bool unicode) {
  SIZE size = {0, 0};
  if (unicode) {
    const WideText wide = Widen(text);
    GetTextExtentPoint32W(dc, wide.c_str(), wide.length(), &size);
  } else {
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  }
  return static_cast<int>(size.cx);
}

std::string FirstCharacter(const std::string& text, bool unicode) {
  if (text.empty()) return text;
  size_t n = 1;
  if (unicode)
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return text.substr(0, n);
}

void ChooseDrawFace(CtrlState& c) { ChooseDrawFace(c, c.text, c.unicode); }

void ChooseDrawFace(CtrlState& c, const std::string& text, bool unicode) {
  const std::string previous = c.drawFace;
  c.drawFace.clear();
  if (!unicode || text.empty()) return;
  const WideText wide = Widen(text);
  HDC dc = ScratchDC();
  HGDIOBJ old = SelectObject(dc, DisplayFont(c));
  if (!Covers(dc, wide)) {
    // The face the last text needed is tried first: the next programme of a
    // channel is mostly in the same script.
    if (!previous.empty() && FaceCovers(dc, c, previous, wide)) {
      c.drawFace = previous;
    } else {
      for (const char* face : kFallbackFaces) {
        if (FaceCovers(dc, c, face, wide)) {
          c.drawFace = face;
          break;
        }
      }
    }
  }
  SelectObject(dc, old);
}

}  // namespace rt
}  // namespace ui
