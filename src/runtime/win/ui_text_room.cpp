// The room a text line may draw in: an autosized line stops before the controls
// to its right (ending in an ellipsis), a fixed line shrinks its type to fit.
#include "runtime/win/ui_internal.h"

#include <algorithm>

#include "runtime/text_room.h"

namespace ui {
namespace rt {
namespace {

constexpr size_t kMaxRoomControls = 64;  // controls that can end a line's room
constexpr int kFitMinPercent = 60;  // a fixed line's type shrinks at most to this share
constexpr int kFitMinSize = 8;      // no line's type shrinks below this many pixels

bool AutosizedLine(const CtrlState& c) { return c.def.kind == CtrlKind::TextLine && c.def.autosize; }

}  // namespace

int PanelClientWidth(const PanelState& p) {
  RECT client = {0, 0, 0, 0};
  if (p.wnd && GetClientRect(p.wnd, &client)) return client.right - client.left;
  return 0;
}

// An autosized line's rectangle as shown: its natural one (text width, placed
// by its justification) fitted into its room (runtime/text_room.h), so that
// it never runs under a detail block or a clock to its right.
RECT ShownRect(const PanelState& p, const CtrlState& c, int panelWidth) {
  RECT r = {c.left, c.top, c.left + c.width, c.top + c.height};
  if (!AutosizedLine(c)) return r;
  Span others[kMaxRoomControls];
  size_t count = 0;
  // The room starts at the line's place in the panel file; when every control
  // left of that is hidden (a narrow banner without its logo), at the left
  // edge of the leftmost of them.
  const int fileLeft = Scaled(c.def.left, p.scale);
  int roomLeft = fileLeft;
  bool leftShown = false;
  for (const auto& o : p.ctrls) {
    if (&o == &c || AutosizedLine(o) || o.width <= 0 || o.left + o.width > fileLeft) continue;
    if (o.visible) leftShown = true;
    else roomLeft = std::min(roomLeft, o.left);
  }
  if (leftShown) roomLeft = fileLeft;
  for (const auto& o : p.ctrls) {
    if (&o == &c || !o.visible || AutosizedLine(o) || count == kMaxRoomControls) continue;
    // A control marked "beside" ends only the rooms of the lines that share
    // some of its height.
    if (o.def.beside && (o.top >= c.top + c.height || c.top >= o.top + o.height)) continue;
    others[count++] = Span{o.left, o.left + o.width};
  }
  const Span line = {c.left, c.left + c.width};
  const int width = panelWidth > 0 ? panelWidth : c.left + c.width;
  const Span shown = FitInRoom(line, LineRoom(roomLeft, others, count, width));
  r.left = shown.left;
  r.right = shown.right;
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
// size of its typeface (down to 60 %); beyond that it ends in an ellipsis. An
// autosized line keeps its size while its room holds at least its first
// character and the ellipsis; in a room narrower than that (a banner over a
// very small video window) it shrinks until they fit, down to 8 px.
// Returns a font the caller deletes, or null when the control's own will do.
HFONT FittedFont(HDC dc, const CtrlState& c, const std::string& text, int room, bool unicode) {
  if (c.def.kind != CtrlKind::TextLine || text.empty() || room <= 0) return nullptr;
  const std::string shown = c.def.autosize ? FirstCharacter(text, unicode) + "..." : text;
  const int width = TextWidth(dc, shown, unicode);
  if (width <= room || (c.def.autosize && TextWidth(dc, text, unicode) <= room)) return nullptr;
  const int smallest =
      c.def.autosize ? kFitMinSize : std::max(kFitMinSize, c.pointSize * kFitMinPercent / 100);
  // Start near the size that fits, then step down.
  int pt = std::min(c.pointSize - 1, c.pointSize * room / width + 1);
  for (pt = std::max(pt, smallest); pt >= smallest; --pt) {
    HFONT f = NewFont(unicode ? DrawFace(c) : c.face, pt, c.bold);
    HGDIOBJ old = SelectObject(dc, f);
    const int w = TextWidth(dc, shown, unicode);
    SelectObject(dc, old);
    if (w <= room || pt == smallest) return f;
    DeleteObject(f);
  }
  return nullptr;
}

// A text that does not fit its room ends in an ellipsis. One that fits is
// drawn unclipped: the system's clipping to a room that holds the text's
// measured width exactly may still cut its last character (seen under wine).
// A room too narrow for one character and the ellipsis shows nothing (-1)
// rather than a lone ellipsis.
int OverflowFlags(HDC dc, const std::string& text, const RECT& room, bool unicode) {
  const int width = room.right - room.left;
  if (TextWidth(dc, text, unicode) <= width) return DT_NOCLIP;
  return TextWidth(dc, FirstCharacter(text, unicode) + "...", unicode) > width ? -1
                                                                              : DT_END_ELLIPSIS;
}

}  // namespace rt
}  // namespace ui
