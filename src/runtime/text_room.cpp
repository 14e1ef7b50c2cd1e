// Rooms of autosized text lines and the cut of a list row before its
// ellipsis: the geometry alone, shared by the runtime and its tests.
#include "runtime/text_room.h"

#include <algorithm>

namespace ui {
namespace {

// Marks drawn on the character before them, in the scripts the broadcast
// tables carry.
bool CombiningMark(uint16_t u) {
  return (u >= 0x0300 && u <= 0x036F) || (u >= 0x0483 && u <= 0x0489) ||
         (u >= 0x0591 && u <= 0x05C7) || (u >= 0x064B && u <= 0x065F) || u == 0x0670 ||
         u == 0x0E31 || (u >= 0x0E34 && u <= 0x0E3A) || (u >= 0x0E47 && u <= 0x0E4E) ||
         (u >= 0x1AB0 && u <= 0x1AFF) || (u >= 0x1DC0 && u <= 0x1DFF) ||
         (u >= 0x20D0 && u <= 0x20FF) || (u >= 0x3099 && u <= 0x309A) ||
         (u >= 0xFE00 && u <= 0xFE0F) || (u >= 0xFE20 && u <= 0xFE2F);
}

constexpr uint16_t kZeroWidthJoiner = 0x200D;

// Whether unit n belongs to the character that unit n - 1 is part of.
bool JoinsPrevious(const uint16_t* text, size_t n) {
  const uint16_t u = text[n], before = text[n - 1];
  return (u >= 0xDC00 && u <= 0xDFFF && before >= 0xD800 && before <= 0xDBFF) ||
         CombiningMark(u) || u == kZeroWidthJoiner || before == kZeroWidthJoiner;
}

}  // namespace

Span LineRoom(int fileLeft, const Span* others, size_t count, int panelWidth) {
  Span room = {std::max(0, fileLeft), panelWidth};
  for (size_t i = 0; others && i < count; ++i) {
    if (others[i].right <= room.left || others[i].right <= others[i].left) continue;
    room.right = std::min(room.right, others[i].left - kRoomGap);
  }
  return room;
}

Span FitInRoom(Span line, Span room) {
  const int width = line.right - line.left;
  if (room.right <= room.left) return Span{room.left, room.left};
  if (width >= room.right - room.left) return room;
  const int left = std::min(std::max(line.left, room.left), room.right - width);
  return Span{left, left + width};
}

size_t EllipsisCut(const uint16_t* text, const int* extents, size_t length, int room,
                   int ellipsisWidth) {
  if (length == 0 || extents[length - 1] <= room) return length;
  const int before = room - ellipsisWidth;
  size_t keep = 0;
  for (size_t n = 1; n < length && extents[n - 1] <= before; ++n)
    if (!JoinsPrevious(text, n)) keep = n;
  return keep;
}

}  // namespace ui
