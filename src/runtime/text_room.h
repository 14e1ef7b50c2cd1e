// Where an autosized text line may draw: from its left edge in the panel file
// to a few pixels before the first control that reaches into it from the right.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ui {

constexpr int kRoomGap = 6;  // px kept free before the control that ends a room
constexpr int kRowPad = 2;   // px a list row's text keeps from its list's sides

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

// A list row too wide for its list ends in an ellipsis after whole
// characters: how many of the row's `length` UTF-16 units to keep so that
// they and an ellipsis `ellipsisWidth` wide fit `room` pixels, where
// extents[i] is the width of the first i + 1 units as the system measures
// them. `length` when the whole row fits. Never cuts inside a surrogate pair,
// nor between a character and the marks drawn on it (accents, Thai and Arabic
// vowel signs, variation selectors) or across a zero-width joiner.
size_t EllipsisCut(const uint16_t* text, const int* extents, size_t length, int room,
                   int ellipsisWidth);

}  // namespace ui
