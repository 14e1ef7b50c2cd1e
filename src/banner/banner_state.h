// The banner's shared state group (counters, area, windows, host family) and
// its lock. Host thread and timer thread both use it: compute under the lock,
// make Win32 and runtime calls after releasing it.
#pragma once

#include <cstdint>

#include "platform/lock.h"
#include "platform/win32.h"

struct BannerState {
  // Counters and flags of the banner timer.
  int32_t tickCount = 0;
  int32_t bannerActive = 0;
  int32_t bannerArmed = 0;
  int32_t slideStep = 0;
  int32_t epgShown = 0;
  // Screen rectangle the banner is placed over. areaSet is true once a channel
  // change set it from the screen (videownd 0) or from the host's video window.
  int32_t areaLeft = 0;
  int32_t areaBottom = 0;
  int32_t areaWidth = 0;
  int32_t areaHeight = 0;
  bool areaSet = false;
  // The viewer's screen: the monitor that holds the host's main window (the
  // primary screen when the system names none), taken at each channel change.
  int32_t screenLeft = 0;
  int32_t screenTop = 0;
  int32_t screenWidth = 0;
  int32_t screenHeight = 0;
  // Windows: the banner's own, the host's top-level window and its video window.
  win32::Wnd bannerWnd = nullptr;
  win32::Wnd videoWnd = nullptr;
  win32::Wnd renderWnd = nullptr;
  int32_t hostKind = 0;
  // Counts every show (channel change, key P): lets a timer tick notice that
  // the banner was shown again while it was hiding or shrinking it.
  uint32_t showGeneration = 0;
  // Counts every show of the EPG panel by key O, for the same purpose.
  uint32_t epgGeneration = 0;
  // The banner's size in percent, chosen at the last channel change.
  int32_t scale = 100;
  // What the last channel change left out of a narrow banner (NarrowBanner).
  int32_t narrowLevel = 0;
};

namespace banner_detail {
extern Lock lock;
extern BannerState state TAVIK_GUARDED_BY(lock);
}  // namespace banner_detail

// Runs f on the state under the banner lock, a leaf lock (the order of all
// the plug-in's locks is in platform/lock.h). f must only compute: no Win32 or
// runtime call, no other lock.
template <typename F>
auto WithBannerState(F&& f) {
  LockGuard guard(banner_detail::lock);
  return f(banner_detail::state);
}

// A copy of the whole group, taken under the lock (tests, read-mostly users).
BannerState BannerSnapshot();

// Where the banner window goes.
struct BannerRect {
  int x, y, cx, cy;
};

// The full banner over the stored area, bannerHeight high; height and margins
// grow by s.scale. A width below zero (an area narrower than the margins) is
// placed as zero. place (tavik.ini line 24): 1 puts it 40 pixels below the
// area's top; 2 to 95 its lower edge that many percent of the area's height
// above the area's bottom, never above the area's top; 0 and every other
// value 40 pixels above the area's bottom.
BannerRect FullBannerRect(const BannerState& s, int32_t bannerHeight, int32_t place);
// The banner at slide step s.slideStep: (5 - step) fifths of the full width,
// the left edge fixed; widths of zero and below give zero.
BannerRect SlideBannerRect(const BannerState& s, int32_t bannerHeight, int32_t place);

// The viewer's screen: the monitor that holds the host's main window (its
// window from On_Start, else the one recognised by its title), or, when the
// system names none, the primary screen as the runtime measures it.
win32::Rect ViewerScreen();
// Records the viewer's screen.
void SetViewerScreen(BannerState& s, const win32::Rect& screen);
// Records the viewer's screen and makes it the area (the banner does not
// follow the video, or has no video area yet).
void UseScreenAsArea(BannerState& s, const win32::Rect& screen);

// The banner's size in percent for the setting (0, 100-300, -1 automatic),
// the area's height and the host window's DPI (banner_scale.cpp).
int32_t BannerScalePercent(int32_t setting, int32_t areaHeight, int32_t dpi);
// value x percent / 100, rounded to the nearest pixel.
int32_t ScaledPixels(int32_t value, int32_t percent);

// A banner too narrow for its name (only with tavik.ini line 21 other than 0):
// level 0 shows everything; 1 leaves out the detail block (clock, frequency,
// polarisation, CA system and the meters, which stand in its column and free
// no width alone); 2 the logo as well, the text lines starting at its left
// edge. The first level whose lines' room holds kNarrowNameSizes of the
// name's text size and kNarrowLineSizes of the programme lines', else 2 with
// the name as large as that room allows. width: the banner's area in the
// panel file's pixels.
enum NarrowLevel : int32_t { kNarrowNone = 0, kNarrowNoDetails = 1, kNarrowNoLogo = 2 };
struct NarrowLayout {
  int32_t level;
  int32_t linesLeft;  // where left-justified lines start
  int32_t nameSize;   // the name's text size
};
NarrowLayout NarrowBanner(int32_t width, int32_t nameSize, int32_t lineSize);

// Shared steps of the channel change and key P.
// Takes the banner panel's own window (the handle the panel runtime holds,
// never a window found by its title), records it and places it topmost at r.
void PlaceBannerWindow(const BannerRect& r);
// The time of day as hours:minutes on banner control 4.
void ShowClock(int bannerPanel);

// Resets of the other banner stages' private state (ResetBanner calls them).
void ResetServiceDetails();
