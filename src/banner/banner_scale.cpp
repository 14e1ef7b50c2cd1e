// The banner's size factor: the user's choice (tavik.ini line 21), or picked
// from the area's height and the host window's DPI, so that on a big screen
// the banner is as tall, in the picture, as on a 1024-line one; and what a
// banner too narrow for its name leaves out.
#include "banner/banner_state.h"

#include "banner/banner_constants.h"
#include "runtime/text_room.h"

int32_t BannerScalePercent(int32_t setting, int32_t areaHeight, int32_t dpi) {
  int32_t percent = setting;
  if (setting == banner::kScaleAutomatic) {
    const int64_t byHeight = int64_t(areaHeight) * 100 / banner::kScaleReferenceHeight;
    const int64_t byDpi = int64_t(dpi) * 100 / banner::kScaleReferenceDpi;
    const int64_t larger = byHeight > byDpi ? byHeight : byDpi;
    const int64_t step = banner::kScaleStep;
    percent = static_cast<int32_t>(
        ((larger > banner::kMaxScale ? banner::kMaxScale : larger) + step / 2) / step * step);
  }
  // 0 (the default) and anything out of range: as the panel file draws it,
  // or as large as it goes.
  if (percent < banner::kMinScale) return banner::kMinScale;
  return percent > banner::kMaxScale ? banner::kMaxScale : percent;
}

int32_t ScaledPixels(int32_t value, int32_t percent) {
  if (percent == 100) return value;
  const int64_t product = int64_t(value) * percent;
  return static_cast<int32_t>(product >= 0 ? (product + 50) / 100 : -((-product + 50) / 100));
}

NarrowLayout NarrowBanner(int32_t width, int32_t nameSize, int32_t lineSize) {
  // The lines' room at each level: up to the detail block, then up to the
  // banner's right end; from the panel file's place, then from the logo's.
  const int32_t blockEnd = width - banner::kDetailBoxFromRight - ui::kRoomGap;
  const int32_t bannerEnd = width - 2 * banner::kSideMargin - ui::kRoomGap;
  const NarrowLayout levels[] = {{kNarrowNone, banner::kLinesLeft, nameSize},
                                 {kNarrowNoDetails, banner::kLinesLeft, nameSize},
                                 {kNarrowNoLogo, banner::kLogoLeft, nameSize}};
  const int32_t ends[] = {blockEnd, bannerEnd, bannerEnd};
  const int64_t forName = int64_t(nameSize) * banner::kNarrowNameSizes;
  const int64_t forLines = int64_t(lineSize) * banner::kNarrowLineSizes;
  const int64_t want = forName > forLines ? forName : forLines;
  for (int i = 0; i < 3; ++i)
    if (ends[i] - levels[i].linesLeft >= want) return levels[i];
  NarrowLayout last = levels[2];
  const int32_t fits = (bannerEnd - banner::kLogoLeft) / banner::kNarrowNameSizes;
  if (fits < nameSize)
    last.nameSize = fits > banner::kNarrowNameMin ? fits : banner::kNarrowNameMin;
  if (last.nameSize > nameSize) last.nameSize = nameSize;  // never larger than the style's
  return last;
}
