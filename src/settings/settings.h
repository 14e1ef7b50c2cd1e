// The settings (the eighteen of every file, then the optional lines 19 to
// 26), the banner height they give, and the routines that read, write and
// apply them.
#pragma once

#include <atomic>
#include <cstdint>

// Read by every thread; each integer is one whole 32-bit word. fontname is
// written and read on the host's thread only.
struct Settings {
  std::atomic<int32_t> showtime{0};  // milliseconds
  std::atomic<int32_t> style{0};
  std::atomic<int32_t> backcolor{0};
  std::atomic<int32_t> textcolor{0};
  std::atomic<int32_t> epgon{0};
  std::atomic<int32_t> showsignal{0};
  std::atomic<int32_t> showdetails{0};
  std::atomic<int32_t> videownd{0};
  std::atomic<int32_t> parkcursor{0};
  std::atomic<int32_t> timeshift{0};
  std::atomic<int32_t> titlemode{0};
  std::atomic<int32_t> postkey{0};
  std::atomic<int32_t> alpha{0};
  std::atomic<int32_t> justify{0};
  std::atomic<int32_t> epgtext{0};
  std::atomic<int32_t> epgcolor{0};
  std::atomic<int32_t> slideout{0};
  // Optional lines after the eighteen; 0 (a missing line) keeps the plug-in
  // exactly as without them.
  std::atomic<int32_t> epgchars{0};   // 1: programme text in the broadcast's own characters
  std::atomic<int32_t> localtime{0};  // 1: start times in Windows' local time
  std::atomic<int32_t> scale{0};      // banner size: 0 as 100, 100-300 percent, -1 automatic
  std::atomic<int32_t> schedule{0};   // 1: the broadcast's schedule is kept and shown
  std::atomic<int32_t> progress{0};   // 1: the present programme's progress on the banner
  std::atomic<int32_t> place{0};      // banner place: 0 bottom, 1 top, 2-95 percent up
  std::atomic<int32_t> marks{0};      // 1: the present programme's age and marks on the banner
  std::atomic<int32_t> keepguide{0};  // 1: the schedule kept in tavik.epg across restarts
  char fontname[129] = {};
  // Banner height in pixels by style (60, 90, 120, 90, 90 for styles 0-4).
  std::atomic<int32_t> bannerHeight{0};
};

extern Settings settings;

// Zeroes every setting and the banner height (as at load).
void ResetSettings();

// Banner height and the channel name's text size for a style, or -1 for a
// style outside 0..4.
int32_t BannerHeightForStyle(int32_t style);
int32_t NameSizeForStyle(int32_t style);

// The settings file (tavik.ini beside the library; while there is none, the
// settings a release ships for a new install, tavik-def.ini).
void GetPar();
void SetPar();

// Carry the visual settings onto the banner panel.
void ApplyColors();
void ApplyStyle();
void ApplyFont();

// Panel button callbacks, bound by name from the panel file.
int OK(int panel, int control, int event, void* data, int e1, int e2);
int EPGOK(int panel, int control, int event, void* data, int e1, int e2);
int SAVE(int panel, int control, int event, void* data, int e1, int e2);
int FONT(int panel, int control, int event, void* data, int e1, int e2);
