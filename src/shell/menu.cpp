// The host menu's three items: each opens its panel topmost and runs the
// runtime's loop inside the host's call until the panel is closed.
//
// The host keeps pumping its own messages inside that loop, so its menu can
// be used again while a panel is open. Such a second call never nests a loop:
// the same item brings its panel to the front, another item takes the open
// panel's place (closing it as its close box does, without saving), and the
// second call returns at once. The first call's loop then serves whichever
// panel is open and returns when the user closes it.
#include "banner/banner.h"
#include "common/plugin_state.h"
#include "platform/host_interface.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "platform/win32.h"
#include "shell/lifecycle.h"

namespace {

struct MenuPanel {
  int handle;
  int x, y, width, height;
};

bool Shown(int panel) {
  int visible = 0;
  return ui::GetPanelAttribute(panel, ui::kAttrVisible, &visible) == 0 && visible != 0;
}

void Open(unsigned menuId, const MenuPanel& at) {
  switch (menuId) {
    case host::kMenuSettings:
      ui::DisplayPanel(at.handle);
      ui::SetActivePanel(at.handle);
      break;
    case host::kMenuAbout:
      ui::SetCtrlVal(at.handle, panel::kAboutVersion, kVersionText);
      ui::DisplayPanel(at.handle);
      ui::SetActivePanel(at.handle);
      break;
    default:
      FillEpgPanel(at.handle);  // its size and contents before it shows
      ui::DisplayPanel(at.handle);
      ui::SetActivePanel(at.handle);
      // Opened from the menu, the panel stays until the user closes it.
      KeepEpgPanelOpen();
      break;
  }
  ui::PlaceOnTop(ui::PanelWindow(at.handle), at.x, at.y, at.width, at.height);
}

bool PanelFor(unsigned menuId, MenuPanel* out) {
  switch (menuId) {
    case host::kMenuSettings:
      *out = {panels.settings, 50, 50, 300, 400};
      return true;
    case host::kMenuAbout:
      *out = {panels.about, 400, 50, 300, 330};
      return true;
    case host::kMenuEpg:
      *out = {panels.epg, 50, 50, 420, 420};
      EpgPanelSize(out->handle, &out->width, &out->height);
      return true;
    default:
      return false;  // any other id does nothing
  }
}

}  // namespace

void MenuSelect(unsigned menuId) {
  MenuPanel at;
  if (!PanelFor(menuId, &at) || at.handle < 0) return;
  // panels.menuOpen names the panel whose loop runs (set on the host's thread
  // only): a menu call's loop runs exactly while it is not kNoPanel.
  const int open = panels.menuOpen;
  panels.menuOpen = at.handle;
  if (open != kNoPanel) {
    // Chosen again while a panel's loop runs: no second loop.
    if (open != at.handle && Shown(open)) ui::HidePanel(open);
    Open(menuId, at);
    return;
  }
  Open(menuId, at);
  // The loop ends when the open panel is closed by any means; a quit meant
  // for another panel (the EPG panel opened by key) lets it run on.
  while (Shown(panels.menuOpen) && ui::RunPanelLoop(panels.menuOpen) == 0) {
  }
  panels.menuOpen = kNoPanel;
}

void CloseMenuPanel() {
  const int open = panels.menuOpen;
  if (open != kNoPanel) ui::HidePanel(open);
}
