// The banner's size factor: the user's choice (tavik.ini line 21), or picked
// from the area's height and the host window's DPI, so that on a big screen
// the banner is as tall, in the picture, as on a 1024-line one.
#include "banner/banner_state.h"

#include "banner/banner_constants.h"

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
