// The settings panel's two buttons: SAVE takes, applies and writes the
// settings and closes the panel (unless a value would be ignored: then it
// says why and the panel stays); FONT picks the banner's typeface.
#include "banner/banner_constants.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "platform/win32.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "settings/settings_internal.h"

namespace {

// A post key the banner would never send (1 to 32) is refused with the
// reason; true when the panel's post key may be saved.
bool PostKeyAccepted() {
  int key = 0;
  if (ui::GetCtrlVal(panels.settings, panel::kSetPostkey, &key) < 0) return true;
  if (key < 1 || key > banner::kPostKeyAbove) return true;
  char message[300];
  FormatText(message, sizeof message,
             "Post key %d is never sent: Tavik sends only key codes from %d to 255 "
             "(such as 112 for F1).\n\nEnter 0 for no key, or a code "
             "from %d to 255, and press Save again.",
             key, banner::kPostKeyAbove + 1, banner::kPostKeyAbove + 1);
  win32::MessageBoxA(nullptr, message, "Tavik",
                     win32::kMbOk | win32::kMbIconWarning | win32::kMbTopmost);
  return false;
}

}  // namespace

int SAVE(int, int, int event, void*, int, int) {
  if (event != ui::kEventCommit) return 0;
  if (!PostKeyAccepted()) return 0;  // the panel stays open for another code
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
