// Where an autosized text line may draw: from its left edge in the panel file
// to a few pixels before the first control that reaches into it from the right.
#pragma once

#include <cstddef>

namespace ui {

constexpr int kRoomGap = 6;  // px kept free before the control that ends a room

struct Span {
  int left, right;  // right is one past the last pixel
};

// The room of a line that the panel file starts at fileLeft: up to a few
// pixels before the first of `others` (the horizontal spans of the panel's
// other visible controls, autosized lines excepted, at any height; the caller
// leaves out a control marked "beside" that shares none of the line's height)
// that reaches into it, else up to the panel's width. A control wholly left of
// the room does not count. An empty room has right <= left.
Span LineRoom(int fileLeft, const Span* others, size_t count, int panelWidth);

// The line (its text's width, placed by its justification) in its room: a
// text wider than the room fills it (and ends in an ellipsis when drawn); a
// narrower one keeps its place when it can and slides inside the room when
// it would run past either end. So a right-justified text grows leftwards
// up to the room's start, then rightwards up to the detail block. An empty
// room gives an empty span at the room's left.
Span FitInRoom(Span line, Span room);

}  // namespace ui
