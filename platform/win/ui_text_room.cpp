// The room a text line may draw in: an autosized line stops before the controls
// to its right (ending in an ellipsis), a fixed line shrinks its type to fit.
#include "platform/win/ui_internal.h"

#include <algorithm>

namespace ui {
namespace rt {
namespace {

constexpr int kRoomGap = 6;         // px kept free before the control that ends a room
constexpr int kFitMinPercent = 60;  // a fixed line's type shrinks at most to this share
constexpr int kFitMinSize = 8;      // ... and never below this many pixels

bool AutosizedLine(const CtrlState& c) { return c.def.kind == CtrlKind::TextLine && c.def.autosize; }

}  // namespace

int PanelClientWidth(const PanelState& p) {
  RECT client = {0, 0, 0, 0};
  if (p.wnd && GetClientRect(p.wnd, &client)) return client.right - client.left;
  return 0;
}

// An autosized line's room starts where the panel file puts it (or further
// left, where the layout moved it) and ends a few pixels before the first
// visible control that reaches into it from the right, at any height: a
// detail block ends the room of every line beside it, whatever the banner's
// height and wherever the style puts the lines.
// A text wider than its room fills the room; a narrower one keeps its place
// when it can and slides inside the room when it would run under a control.
RECT ShownRect(const PanelState& p, const CtrlState& c, int panelWidth) {
  RECT r = {c.left, c.top, c.left + c.width, c.top + c.height};
  if (!AutosizedLine(c)) return r;
  const int roomLeft = std::max(0, std::min(c.def.left, c.left));
  int roomRight = panelWidth > 0 ? panelWidth : c.left + c.width;
  for (const auto& o : p.ctrls) {
    if (&o == &c || !o.visible || AutosizedLine(o)) continue;
    if (o.left + o.width <= roomLeft) continue;  // wholly left of the room
    roomRight = std::min(roomRight, o.left - kRoomGap);
  }
  const int room = roomRight - roomLeft;
  if (room <= 0) {
    r.left = r.right = roomLeft;
    return r;
  }
  if (c.width >= room) {
    r.left = roomLeft;
    r.right = roomRight;
    return r;
  }
  r.left = std::min(std::max(c.left, roomLeft), roomRight - c.width);
  r.right = r.left + c.width;
  return r;
}

// Marks every autosized line for a new window rectangle when any control of
// the panel moved, changed size or appeared: their rooms may have changed.
void RefitRooms(PanelState& p) {
  bool moved = false;
  for (const auto& c : p.ctrls) moved = moved || (c.dirty & (kDirtyGeometry | kDirtyVisible));
  if (!moved) return;
  for (auto& c : p.ctrls)
    if (AutosizedLine(c)) c.dirty |= kDirtyGeometry;
}

// A fixed-width line whose text is wider than its box is drawn in a smaller
// size of its typeface (down to a limit); beyond that it ends in an ellipsis.
// Returns a font the caller deletes, or null when the control's own fits.
HFONT FittedFont(HDC dc, const CtrlState& c, const std::string& text, int room) {
  if (c.def.kind != CtrlKind::TextLine || c.def.autosize || text.empty() || room <= 0) return nullptr;
  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (size.cx <= room) return nullptr;
  const int smallest = std::max(kFitMinSize, c.pointSize * kFitMinPercent / 100);
  for (int pt = c.pointSize - 1; pt >= smallest; --pt) {
    HFONT f = NewFont(c.face, pt, c.bold);
    HGDIOBJ old = SelectObject(dc, f);
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    if (size.cx <= room || pt == smallest) return f;
    DeleteObject(f);
  }
  return nullptr;
}

}  // namespace rt
}  // namespace ui
