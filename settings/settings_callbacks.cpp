// The settings panel's two buttons: SAVE takes, applies and writes the
// settings and closes the panel; FONT picks the banner's typeface.
#include "common/plugin_state.h"
#include "common/text.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "settings/settings_internal.h"

int SAVE(int, int, int event, void*, int, int) {
  if (event != ui::kEventCommit) return 0;
  SetPar();  // reports nothing: the panel closes whether or not the file was written
  ui::HidePanel(panels.settings);
  ui::QuitUserInterface(0);
  return 0;
}

int FONT(int, int, int event, void*, int, int) {
  if (event != ui::kEventCommit) return 0;
  char* typeface = settings.fontname;
  constexpr int kCapacity = static_cast<int>(sizeof settings.fontname);
  if (BoundedLength(typeface, kCapacity) < static_cast<size_t>(settings_file::kMinFontChars)) {
    CopyText(typeface, kCapacity, settings_file::kDefaultFont);
    settings.justify = ui::kJustifyLeft;
  }
  int justify = settings.justify;
  // Confirmed or cancelled, the banner takes what the dialog leaves.
  ui::FontSelectPopup("Font select", "Sample Text", 0, typeface, kCapacity, &justify,
                      settings_file::kFontMinSize, settings_file::kFontMaxSize, 0, 1);
  typeface[kCapacity - 1] = '\0';
  settings.justify = justify;
  ApplyFont();
  return 0;
}
