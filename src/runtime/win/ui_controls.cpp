// Control values and attributes: the tables are changed under the lock from
// any thread, then the owner thread is told to bring the windows in line.
#include <cmath>
#include <cstdlib>

#include "common/text.h"
#include "runtime/win/ui_internal.h"

namespace ui {

using namespace rt;

namespace {

constexpr int kMaxPointSize = 200;
constexpr size_t kMaxFaceLength = 31;

bool IsColor(int v) { return v >= 0 && v <= 0xFFFFFF; }

bool TextKind(CtrlKind k) {
  return k == CtrlKind::TextLine || k == CtrlKind::TextBox || k == CtrlKind::Meter;
}

bool HasBody(CtrlKind k) {
  return k == CtrlKind::Box || k == CtrlKind::Meter || k == CtrlKind::Led ||
         k == CtrlKind::Progress;
}

// A kind whose value is one integer the program sets: a progress bar's
// position, a list's selected row.
bool IndexKind(CtrlKind k) { return k == CtrlKind::Progress || k == CtrlKind::List; }

constexpr int kMaxExtent = 10000;  // a width or height set, as the panel file allows

bool HasCaption(CtrlKind k) { return k == CtrlKind::Button || IsInputKind(k); }

void SetText(CtrlState& c, const std::string& text, bool unicode = false)
    TAVIK_REQUIRES(TheRuntime().lock) {
  c.text = text;
  c.unicode = unicode;
  Autosize(c, c.left, c.width);
  c.dirty |= kDirtyText | kDirtyGeometry;
}


void SetRing(CtrlState& c, int v) {
  bool known = false;
  for (const auto& it : c.def.items) known = known || it.second == v;
  // A value the ring does not list is shown as an extra entry, so that it
  // comes back unchanged when read.
  bool extra = !known;
  if (extra != c.hasExtraItem || (extra && v != c.extraValue)) c.dirty |= kDirtyItems;
  c.hasExtraItem = extra;
  c.extraValue = extra ? v : 0;
  c.intValue = v;
  c.dirty |= kDirtyText;
}

int SetInt(CtrlState& c, int v) TAVIK_REQUIRES(TheRuntime().lock) {
  switch (c.def.kind) {
    case CtrlKind::TextLine:
    case CtrlKind::TextBox:
    case CtrlKind::Meter:
      SetText(c, std::to_string(v));
      return 0;
    case CtrlKind::Numeric:
    case CtrlKind::Toggle:
    case CtrlKind::ColorPicker:
      c.intValue = v;
      c.dirty |= kDirtyText;
      return 0;
    case CtrlKind::FloatNumeric:
      c.dblValue = v;
      c.dirty |= kDirtyText;
      return 0;
    case CtrlKind::Ring:
      SetRing(c, v);
      return 0;
    case CtrlKind::Progress:
      c.intValue = v < 0 ? 0 : v > 100 ? 100 : v;
      c.dirty |= kDirtyText;
      return 0;
    default:
      return kErrBadValue;
  }
}

int RoundToInt(double v) {
  if (v != v) return 0;
  if (v > 2147483647.0) return 2147483647;
  if (v < -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(std::lround(v));
}

// On the owner thread a ring or toggle is read from its window, so that a
// selection made by window messages without notification is seen too.
void RefreshFromWindow(const PanelState& p, CtrlState& c) {
  if (!OnOwnerThread(p) || !c.wnd || (c.dirty & (kDirtyText | kDirtyItems))) return;
  if (c.def.kind == CtrlKind::Ring) {
    int sel = static_cast<int>(SendMessageA(c.wnd, CB_GETCURSEL, 0, 0));
    int n = static_cast<int>(c.def.items.size());
    if (sel >= 0 && sel < n) c.intValue = c.def.items[sel].second;
  } else if (c.def.kind == CtrlKind::Toggle) {
    bool checked = SendMessageA(c.wnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (checked != (c.intValue != 0)) c.intValue = checked ? 1 : 0;
  } else if (c.def.kind == CtrlKind::List) {
    const LRESULT sel = SendMessageW(c.wnd, LB_GETCURSEL, 0, 0);
    const LRESULT count = static_cast<LRESULT>(RowsOf(const_cast<PanelState&>(p), c).size());
    c.intValue = sel >= 0 && sel < count ? static_cast<int>(sel) : -1;
  }
}

// Finds panel and control under the held lock; the error code otherwise.
int Locate(int panel, int control, PanelState** p, CtrlState** c)
    TAVIK_REQUIRES(TheRuntime().lock) {
  *p = rt::FindPanel(panel);
  if (!*p) return kErrBadPanel;
  *c = (*p)->Find(control);
  return *c ? 0 : kErrBadControl;
}

}  // namespace

namespace rt {
void ResetFont(CtrlState& c) {
  if (c.wnd) RemovePropA(c.wnd, kFontProp);
  if (c.font) DeleteObject(c.font);
  c.font = nullptr;
  Autosize(c, c.left, c.width);
  c.dirty |= kDirtyFont | kDirtyGeometry;
}
}  // namespace rt

int SetCtrlAttribute(int panel, int control, int attr, int value) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    switch (attr) {
      case kAttrVisible:
        c->visible = value != 0;
        c->dirty |= kDirtyVisible;
        break;
      case kAttrLeft:
        c->designLeft = value;
        c->left = Scaled(value, p->scale);
        c->dirty |= kDirtyGeometry;
        break;
      case kAttrTop:
        c->designTop = value;
        c->top = Scaled(value, p->scale);
        c->dirty |= kDirtyGeometry;
        break;
      case kAttrFrameColor:
      case kAttrCtrlColor:
        if (!HasBody(c->def.kind) || !IsColor(value)) return kErrBadValue;
        c->color = value;
        if (c->def.kind == CtrlKind::Progress) c->dirty |= kDirtyText;  // the bar's own colour
        break;
      case kAttrWidth:
      case kAttrHeight: {
        // An autosized line's size follows its text.
        if (value < 1 || value > kMaxExtent || c->def.autosize) return kErrBadValue;
        const bool width = attr == kAttrWidth;
        (width ? c->def.width : c->def.height) = value;
        (width ? c->width : c->height) = Scaled(value, p->scale);
        c->dirty |= kDirtyGeometry;
        break;
      }
      case kAttrTextColor:
        if (!IsColor(value)) return kErrBadValue;
        c->textColor = value;
        c->dirty |= kDirtyText;  // edits repaint with it
        break;
      case kAttrTextBgColor:
        if (!IsColor(value) && value != kNoColor) return kErrBadValue;
        c->bgColor = value;
        c->dirty |= kDirtyText;
        break;
      case kAttrTextPointSize:
        if (value < 1 || value > kMaxPointSize) return kErrBadValue;
        c->designPointSize = value;
        c->pointSize = Scaled(value, p->scale);
        ResetFont(*c);
        break;
      case kAttrTextJustify:
        if (value != kJustifyLeft && value != kJustifyRight && value != kJustifyCentre)
          return kErrBadValue;
        c->justify = value;
        break;
      case kAttrLabelText: {
        if (c->def.kind == CtrlKind::Meter) SetText(*c, std::to_string(value));
        else return kErrBadValue;
        break;
      }
      default:
        return kErrBadValue;
    }
  }
  Commit(panel);
  return 0;
}

int SetCtrlAttribute(int panel, int control, int attr, const char* value) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (!value) return kErrBadValue;
    if (attr == kAttrTextFont) {
      size_t n = BoundedLength(value, kMaxFaceLength + 1);
      if (n == 0 || n > kMaxFaceLength) return kErrBadValue;
      c->face = value;
      ResetFont(*c);
    } else if (attr == kAttrLabelText) {
      if (c->def.kind == CtrlKind::Meter) {
        SetText(*c, value);
      } else if (HasCaption(c->def.kind)) {
        c->caption = value;
        c->dirty |= kDirtyCaption;
        p->repaint = true;
      } else {
        return kErrBadValue;
      }
    } else {
      return kErrBadValue;
    }
  }
  Commit(panel);
  return 0;
}

int SetCtrlVal(int panel, int control, int value) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (int rc = SetInt(*c, value)) return rc;
  }
  Commit(panel);
  return 0;
}

int SetCtrlVal(int panel, int control, double value) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (c->def.kind == CtrlKind::FloatNumeric) {
      c->dblValue = value;
      c->dirty |= kDirtyText;
    } else if (TextKind(c->def.kind)) {
      char buf[64];
      FormatText(buf, sizeof buf, "%g", value);
      SetText(*c, buf);
    } else if (int rc = SetInt(*c, RoundToInt(value))) {
      return rc;
    }
  }
  Commit(panel);
  return 0;
}

int SetCtrlVal(int panel, int control, const char* value) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (!value) return kErrBadValue;
    CtrlKind k = c->def.kind;
    if (TextKind(k)) {
      SetText(*c, value);
    } else if (k == CtrlKind::FloatNumeric) {
      char* end;
      double v = ReadNumber(value, &end);
      if (end == value) return kErrBadValue;
      c->dblValue = v;
      c->dirty |= kDirtyText;
    } else {
      if (k == CtrlKind::Ring) {
        for (const auto& it : c->def.items) {
          if (it.first == value) {
            SetRing(*c, it.second);
            value = nullptr;
            break;
          }
        }
      }
      if (value) {
        char* end;
        long v = std::strtol(value, &end, 0);
        if (end == value) return kErrBadValue;
        if (int rc = SetInt(*c, static_cast<int>(v))) return rc;
      }
    }
  }
  Commit(panel);
  return 0;
}

namespace {

// A control's value as a number: a float entry its number (rounded when an
// integer is wanted), a text kind its text read as a number, another input
// its integer. kErrBadValue for kinds without a number.
int NumericValue(int panel, int control, bool wantInteger, double* out) {
  LockGuard guard(TheRuntime().lock);
  PanelState* p;
  CtrlState* c;
  if (int rc = Locate(panel, control, &p, &c)) return rc;
  RefreshFromWindow(*p, *c);
  CtrlKind k = c->def.kind;
  if (k == CtrlKind::FloatNumeric) {
    *out = wantInteger ? RoundToInt(c->dblValue) : c->dblValue;
  } else if (TextKind(k)) {
    const char* text = c->text.c_str();
    char* end;
    *out = wantInteger ? static_cast<double>(std::strtol(text, &end, 10))
                       : ReadNumber(text, &end);
    if (end == text) return kErrBadValue;
  } else if (IsInputKind(k) || IndexKind(k)) {
    *out = c->intValue;
  } else {
    return kErrBadValue;
  }
  return 0;
}

}  // namespace

int GetCtrlAttribute(int panel, int control, int attr, int* value) {
  if (!value) return kErrBadValue;
  LockGuard guard(TheRuntime().lock);
  PanelState* p;
  CtrlState* c;
  if (int rc = Locate(panel, control, &p, &c)) return rc;
  // Back in the panel file's pixels; an autosized line's size is its text's.
  const auto unscaled = [p](int v) {
    return p->scale == 100 ? v : static_cast<int>((static_cast<long long>(v) * 100 + p->scale / 2) / p->scale);
  };
  switch (attr) {
    case kAttrVisible: *value = c->visible ? 1 : 0; break;
    case kAttrLeft: *value = c->designLeft; break;
    case kAttrTop: *value = c->designTop; break;
    case kAttrTextPointSize: *value = c->designPointSize; break;
    case kAttrWidth: *value = c->def.autosize ? unscaled(c->width) : c->def.width; break;
    case kAttrHeight: *value = c->def.autosize ? unscaled(c->height) : c->def.height; break;
    default: return kErrBadValue;
  }
  return 0;
}

int GetCtrlVal(int panel, int control, int* value) {
  if (!value) return kErrBadValue;
  double number = 0;
  if (int rc = NumericValue(panel, control, true, &number)) return rc;
  *value = static_cast<int>(number);
  return 0;
}

int GetCtrlVal(int panel, int control, float* value) {
  if (!value) return kErrBadValue;
  double number = 0;
  if (int rc = NumericValue(panel, control, false, &number)) return rc;
  *value = static_cast<float>(number);
  return 0;
}

int GetCtrlVal(int panel, int control, char* value, int capacity) {
  if (!value || capacity <= 0) return kErrBadValue;
  value[0] = '\0';
  LockGuard guard(TheRuntime().lock);
  PanelState* p;
  CtrlState* c;
  if (int rc = Locate(panel, control, &p, &c)) return rc;
  RefreshFromWindow(*p, *c);
  std::string text;
  switch (c->def.kind) {
    case CtrlKind::Ring:
      text = std::to_string(c->intValue);
      for (const auto& it : c->def.items)
        if (it.second == c->intValue) text = it.first;
      break;
    case CtrlKind::Toggle:
      text = std::to_string(c->intValue);
      break;
    case CtrlKind::Numeric:
    case CtrlKind::FloatNumeric:
    case CtrlKind::ColorPicker:
      text = ValueText(*c);
      break;
    case CtrlKind::Button:
      text = c->caption;
      break;
    case CtrlKind::Progress:
      text = std::to_string(c->intValue);
      break;
    case CtrlKind::List:  // the selected row's text
      if (c->intValue >= 0 && c->intValue < static_cast<int>(RowsOf(*p, *c).size()))
        text = RowsOf(*p, *c)[c->intValue].text;
      break;
    default:
      text = c->text;
      break;
  }
  CopyText(value, static_cast<size_t>(capacity), text.c_str());
  return 0;
}

int SetCtrlValUnicode(int panel, int control, const char* utf8) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (!utf8) return kErrBadValue;
    if (c->def.kind != CtrlKind::TextBox && c->def.kind != CtrlKind::TextLine)
      return kErrBadValue;
    SetText(*c, utf8, true);
  }
  Commit(panel);
  return 0;
}

int ResetTextBox(int panel, int control, const char* text) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (c->def.kind != CtrlKind::TextBox && c->def.kind != CtrlKind::TextLine)
      return kErrBadValue;
    SetText(*c, text ? text : "");
  }
  Commit(panel);
  return 0;
}

int DeleteImage(int panel, int control) {
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (c->def.kind != CtrlKind::Picture) return kErrBadControl;
    if (c->picture) DeleteObject(c->picture);
    c->picture = nullptr;
    c->picWidth = c->picHeight = 0;
    c->picAlpha = false;
    c->text.clear();
    c->dirty |= kDirtyText;
  }
  Commit(panel);
  return 0;
}

int DisplayImageFile(int panel, int control, const char* path) {
  int boxW, boxH;
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) return rc;
    if (c->def.kind != CtrlKind::Picture) return kErrBadControl;
    boxW = c->width;
    boxH = c->height;
  }
  if (!path || !*path) return kErrBadValue;
  int w = 0, h = 0;
  bool alpha = false;
  HBITMAP bmp = LoadPicture(path, boxW, boxH, &w, &h, &alpha);
  if (!bmp) return FileMissing(path) ? kErrNoFile : kErrFile;  // the previous picture stays
  {
    LockGuard guard(TheRuntime().lock);
    PanelState* p;
    CtrlState* c;
    if (int rc = Locate(panel, control, &p, &c)) {
      DeleteObject(bmp);  // discarded meanwhile
      return rc;
    }
    if (c->picture) DeleteObject(c->picture);
    c->picture = bmp;
    c->picWidth = w;
    c->picHeight = h;
    c->picAlpha = alpha;
    c->text = path;
    c->dirty |= kDirtyText;
  }
  Commit(panel);
  return 0;
}

}  // namespace ui
