// The banner state group, its lock, and the placement steps shared by the
// channel change and the timer.
#include "banner/banner_state.h"

#include "banner/banner_constants.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"

namespace banner_detail {
Lock lock;
BannerState state;
}  // namespace banner_detail

BannerState BannerSnapshot() {
  return WithBannerState([](BannerState& s) { return s; });
}

BannerRect FullBannerRect(const BannerState& s, int32_t bannerHeight) {
  const int32_t side = ScaledPixels(banner::kSideMargin, s.scale);
  const int32_t height = ScaledPixels(bannerHeight, s.scale);
  BannerRect r;
  r.x = s.areaLeft + side;
  r.y = s.areaBottom - (height + ScaledPixels(banner::kBottomMargin, s.scale));
  int32_t width = s.areaWidth - 2 * side;
  r.cx = width > 0 ? width : 0;
  r.cy = height;
  return r;
}

BannerRect SlideBannerRect(const BannerState& s, int32_t bannerHeight) {
  BannerRect r = FullBannerRect(s, bannerHeight);
  // The product is formed in full before the division, as 64-bit so that no
  // step count can overflow it.
  int64_t full = int64_t(s.areaWidth) - 2 * ScaledPixels(banner::kSideMargin, s.scale);
  int64_t width = (int64_t(banner::kSlideSteps) - s.slideStep) * full / banner::kSlideSteps;
  r.cx = width > 0 ? static_cast<int>(width) : 0;
  return r;
}

void UseScreenAsArea(BannerState& s, int32_t screenWidth, int32_t screenHeight) {
  s.screenWidth = screenWidth;
  s.screenHeight = screenHeight;
  s.areaLeft = 0;
  s.areaWidth = screenWidth;
  s.areaHeight = screenHeight;
  s.areaBottom = screenHeight;
}

void PlaceBannerWindow(const BannerRect& r) {
  // Our own banner, by the handle the runtime holds: never a window of the
  // host's or another program's that has the same title.
  win32::Wnd wnd = ui::PanelWindow(panels.banner);
  WithBannerState([wnd](BannerState& s) { s.bannerWnd = wnd; });
  if (wnd == nullptr) return;  // no banner panel: nothing to place
  ui::PlaceOnTop(wnd, r.x, r.y, r.cx, r.cy);
}

void ShowClock(int bannerPanel) {
  int hours = 0, minutes = 0, seconds = 0;
  ui::GetSystemTime(&hours, &minutes, &seconds);
  char clockText[banner::kClockSize];
  FormatText(clockText, sizeof clockText, "%02d:%02d", hours, minutes);
  ui::SetCtrlVal(bannerPanel, panel::kClock, clockText);
}
