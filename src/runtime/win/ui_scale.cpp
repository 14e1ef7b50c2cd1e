// A panel drawn larger: every control's position, size and text size taken
// from what the panel file and the plug-in gave, times the panel's scale. A
// picture keeps its bitmap (stretched into the new box until it is shown
// again).
#include "runtime/win/ui_internal.h"

namespace ui {
namespace rt {

int Scaled(int value, int percent) {
  if (percent == 100) return value;
  // Rounded to the nearest pixel, halves away from zero, for either sign.
  const long long product = static_cast<long long>(value) * percent;
  return static_cast<int>(product >= 0 ? (product + 50) / 100 : -((-product + 50) / 100));
}

void ApplyScale(PanelState& p, int percent) {
  p.scale = percent;
  for (CtrlState& c : p.ctrls) {
    c.left = Scaled(c.designLeft, percent);
    c.top = Scaled(c.designTop, percent);
    c.width = Scaled(c.def.width, percent);
    c.height = Scaled(c.def.height, percent);
    c.pointSize = Scaled(c.designPointSize, percent);
    ResetFont(c);  // autosized lines measure their text again
  }
  p.repaint = true;
}

}  // namespace rt
}  // namespace ui
