// Where an autosized text line may draw: from its left edge in the panel file
// to a few pixels before the first control that reaches into it from the right.
#pragma once

#include <cstddef>

namespace ui {

constexpr int kRoomGap = 6;  // px kept free before the control that ends a room

struct Span {
  int left, right;  // right is one past the last pixel
};

// The room of a line that the panel file starts at fileLeft and that now
// spans `line` (its text's width, placed by its justification). `others` are
// the horizontal spans of the panel's other visible controls (autosized lines
// excepted), at any height: a control wholly left of the room does not count.
// A right-justified line keeps its right edge, so its room ends there too.
// An empty room has right <= left.
Span LineRoom(int fileLeft, Span line, int justify, const Span* others, size_t count, int panelWidth);

// The line placed in its room: a text wider than the room fills it (and ends
// in an ellipsis when drawn); a narrower one keeps its place when it can and
// slides inside the room when it would run past it. An empty room gives an
// empty span at the room's left.
Span FitInRoom(Span line, Span room);

}  // namespace ui
