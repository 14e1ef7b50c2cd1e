// The About and EPG panels' OK buttons: hide the panel and end the menu's loop.
#include "common/plugin_state.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

int ClosePanel(int panel, int event) {
  if (event != ui::kEventCommit) return 0;
  ui::HidePanel(panel);
  ui::QuitUserInterface(0);
  return 0;
}

}  // namespace

int OK(int, int, int event, void*, int, int) { return ClosePanel(panels.about, event); }

int EPGOK(int, int, int event, void*, int, int) { return ClosePanel(panels.epg, event); }
