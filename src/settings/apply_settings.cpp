// Carries the visual settings onto the banner panel: colours, the style's
// geometry and the typeface of the name and programme lines.
#include <cstdint>

#include "common/plugin_state.h"
#include "common/text.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

// Banner geometry by style: height, text point sizes and tops in pixels. The
// channel-name line keeps its top from the panel file, the logo its size.
struct StyleRow {
  int32_t bannerHeight;
  int nameSize;
  int logoTop;
  int nowSize, nowTop;
  int nextSize, nextTop;
};
constexpr StyleRow kStyles[] = {
    {60, 22, 5, 11, 26, 11, 42},     // 0: slim
    {90, 40, 20, 14, 48, 14, 68},    // 1: large name
    {120, 60, 35, 18, 70, 18, 93},   // 2: tall
    {90, 22, 20, 18, 40, 18, 64},    // 3: large programme lines
    {90, 30, 20, 18, 40, 18, 64},    // 4: as 3 with a larger name
};
constexpr int32_t kStyleCount = static_cast<int32_t>(sizeof kStyles / sizeof kStyles[0]);
// The style the panel file's positions are drawn for.
constexpr int32_t kDefaultStyle = 1;

// Text lines in the order their colours are set.
constexpr int kBackgroundLines[] = {panel::kChannelName, panel::kNowLine, panel::kNextLine,
                                    panel::kClock,       panel::kFrequency,
                                    panel::kPolarisation, panel::kCaText};
constexpr int kDetailLines[] = {panel::kClock, panel::kFrequency, panel::kPolarisation,
                                panel::kCaText};
// The lines that take the chosen typeface and justification.
constexpr int kFontLines[] = {panel::kChannelName, panel::kNowLine, panel::kNextLine};

}  // namespace

int32_t BannerHeightForStyle(int32_t style) {
  return (style >= 0 && style < kStyleCount) ? kStyles[style].bannerHeight : -1;
}

int32_t NameSizeForStyle(int32_t style) {
  return (style >= 0 && style < kStyleCount) ? kStyles[style].nameSize : -1;
}

void ApplyColors() {
  const int banner = panels.banner;
  const int back = settings.backcolor;
  const int text = settings.textcolor;
  const int programme = settings.epgcolor;
  ui::SetPanelAttribute(banner, ui::kAttrBackColor, back);
  ui::SetCtrlAttribute(banner, panel::kDetailBox, ui::kAttrFrameColor, back);
  for (int control : kBackgroundLines) {
    ui::SetCtrlAttribute(banner, control, ui::kAttrTextBgColor, back);
  }
  ui::SetCtrlAttribute(banner, panel::kChannelName, ui::kAttrTextColor, text);
  ui::SetCtrlAttribute(banner, panel::kNowLine, ui::kAttrTextColor, programme);
  ui::SetCtrlAttribute(banner, panel::kNextLine, ui::kAttrTextColor, programme);
  for (int control : kDetailLines) {
    ui::SetCtrlAttribute(banner, control, ui::kAttrTextColor, text);
  }
}

void ApplyStyle() {
  int32_t style = settings.style;
  if (style < 0 || style >= kStyleCount) {
    // A style the table does not know (a hand-edited file) keeps the geometry
    // the banner has; one that never had a height would never be seen, so it
    // takes the default style's. The file keeps the value it holds.
    if (settings.bannerHeight > 0) return;
    style = kDefaultStyle;
  }
  const StyleRow& row = kStyles[style];
  const int banner = panels.banner;
  settings.bannerHeight = row.bannerHeight;
  ui::SetCtrlAttribute(banner, panel::kChannelName, ui::kAttrTextPointSize, row.nameSize);
  ui::SetCtrlAttribute(banner, panel::kLogo, ui::kAttrTop, row.logoTop);
  ui::SetCtrlAttribute(banner, panel::kNowLine, ui::kAttrTextPointSize, row.nowSize);
  ui::SetCtrlAttribute(banner, panel::kNowLine, ui::kAttrTop, row.nowTop);
  ui::SetCtrlAttribute(banner, panel::kNextLine, ui::kAttrTextPointSize, row.nextSize);
  ui::SetCtrlAttribute(banner, panel::kNextLine, ui::kAttrTop, row.nextTop);
}

void ApplyFont() {
  const int banner = panels.banner;
  char typeface[sizeof settings.fontname];
  CopyText(typeface, sizeof typeface, settings.fontname);
  const int justify = settings.justify;
  for (int control : kFontLines) {
    ui::SetCtrlAttribute(banner, control, ui::kAttrTextFont, typeface);
    ui::SetCtrlAttribute(banner, control, ui::kAttrTextJustify, justify);
  }
  // The minutes left beside the present line: its typeface, never moved.
  ui::SetCtrlAttribute(banner, panel::kProgressLabel, ui::kAttrTextFont, typeface);
  for (int i = 0; i < panel::kMarkLabels; ++i)
    ui::SetCtrlAttribute(banner, panel::kFirstMark + i, ui::kAttrTextFont, typeface);
}
