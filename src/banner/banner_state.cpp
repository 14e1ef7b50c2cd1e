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

BannerRect FullBannerRect(const BannerState& s, int32_t bannerHeight, int32_t place) {
  const int32_t side = ScaledPixels(banner::kSideMargin, s.scale);
  const int32_t height = ScaledPixels(bannerHeight, s.scale);
  const int32_t areaTop = s.areaBottom - s.areaHeight;
  BannerRect r;
  r.x = s.areaLeft + side;
  if (place == banner::kPlaceTop) {
    r.y = areaTop + ScaledPixels(banner::kBottomMargin, s.scale);
  } else if (place >= banner::kPlacePercentFirst && place <= banner::kPlacePercentLast) {
    const int64_t lift = int64_t(s.areaHeight) * place / 100;
    const int64_t y = int64_t(s.areaBottom) - lift - height;
    r.y = static_cast<int32_t>(y > areaTop ? y : areaTop);
  } else {  // 0, and any value the setting does not know: as ever
    r.y = s.areaBottom - (height + ScaledPixels(banner::kBottomMargin, s.scale));
  }
  int32_t width = s.areaWidth - 2 * side;
  r.cx = width > 0 ? width : 0;
  r.cy = height;
  return r;
}

BannerRect SlideBannerRect(const BannerState& s, int32_t bannerHeight, int32_t place) {
  BannerRect r = FullBannerRect(s, bannerHeight, place);
  // The product is formed in full before the division, as 64-bit so that no
  // step count can overflow it.
  int64_t full = int64_t(s.areaWidth) - 2 * ScaledPixels(banner::kSideMargin, s.scale);
  int64_t width = (int64_t(banner::kSlideSteps) - s.slideStep) * full / banner::kSlideSteps;
  r.cx = width > 0 ? static_cast<int>(width) : 0;
  return r;
}

win32::Rect ViewerScreen() {
  win32::Wnd host = hostLink.hostWnd;
  if (host == nullptr) host = WithBannerState([](BannerState& s) { return s.videoWnd; });
  win32::Rect monitor;
  if (host != nullptr && win32::GetWindowMonitorRect(host, &monitor) != 0) return monitor;
  int height = 0, width = 0;
  ui::GetScreenSize(&height, &width);
  return win32::Rect{0, 0, width, height};
}

void SetViewerScreen(BannerState& s, const win32::Rect& screen) {
  s.screenLeft = screen.left;
  s.screenTop = screen.top;
  s.screenWidth = screen.right - screen.left;
  s.screenHeight = screen.bottom - screen.top;
}

void UseScreenAsArea(BannerState& s, const win32::Rect& screen) {
  SetViewerScreen(s, screen);
  s.areaLeft = screen.left;
  s.areaWidth = s.screenWidth;
  s.areaHeight = s.screenHeight;
  s.areaBottom = screen.bottom;
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
