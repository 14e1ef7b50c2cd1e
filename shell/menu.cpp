// The host menu's three items: each opens its panel topmost and runs the
// runtime's loop inside the host's call until the panel's button ends it.
#include "banner/banner.h"
#include "common/plugin_state.h"
#include "platform/host_interface.h"
#include "platform/ui_codes.h"
#include "platform/ui_runtime.h"
#include "platform/win32.h"
#include "shell/lifecycle.h"

namespace {

struct Placement {
  const char* title;
  int x, y, width, height;
};

void PlaceAndRun(const Placement& at) {
  win32::Wnd wnd = win32::FindWindowA(nullptr, at.title);
  win32::SetWindowPos(wnd, win32::kHwndTopmost, at.x, at.y, at.width, at.height,
                      win32::kSwpShowWindow);
  ui::RunUserInterface();
}

}  // namespace

void MenuSelect(unsigned menuId) {
  switch (menuId) {
    case host::kMenuSettings:
      if (panels.settings < 0) return;
      ui::DisplayPanel(panels.settings);
      ui::SetActivePanel(panels.settings);
      PlaceAndRun({panel::kSettingsTitle, 50, 50, 300, 400});
      break;
    case host::kMenuAbout:
      if (panels.about < 0) return;
      ui::SetCtrlVal(panels.about, panel::kAboutVersion, kVersionText);
      ui::DisplayPanel(panels.about);
      ui::SetActivePanel(panels.about);
      PlaceAndRun({panel::kAboutTitle, 400, 50, 300, 330});
      break;
    case host::kMenuEpg:
      if (panels.epg < 0) return;
      ui::DisplayPanel(panels.epg);
      FillEpgPanel(panels.epg);
      ui::SetActivePanel(panels.epg);
      PlaceAndRun({panel::kEpgTitle, 50, 50, 420, 420});
      break;
    default:
      break;  // any other id does nothing
  }
}
