// Rooms of autosized text lines: the geometry alone, shared by the runtime
// and its tests.
#include "runtime/text_room.h"

#include <algorithm>

namespace ui {

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

}  // namespace ui
