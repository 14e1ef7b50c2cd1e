// Placeholder until the settings stages land; delete when they do.
#include "settings/settings.h"

Settings settings;
void ResetSettings() {}
int32_t BannerHeightForStyle(int32_t style) {
  static const int32_t kHeights[] = {60, 90, 120, 90, 90};
  return (style >= 0 && style <= 4) ? kHeights[style] : -1;
}
void GetPar() { settings.showtime = 3000; settings.alpha = 255; settings.style = 1; }
void SetPar() {}
void ApplyColors() {}
void ApplyStyle() {}
void ApplyFont() {}
int SAVE(int, int, int, void*, int, int) { return 0; }
int FONT(int, int, int, void*, int, int) { return 0; }
