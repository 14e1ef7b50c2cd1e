// Recognising the host from the windows on the screen: its main window by
// title prefix, and its video window under a set of probe points.
#include <cstring>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "common/text.h"

namespace {

struct TitleRule {
  const char* text;
  size_t count;  // characters compared
  int32_t hostKind;
};

// Main window title prefixes, tried in this order over 7 characters.
const TitleRule kTopLevelRules[] = {
    {"SkyView", 7, banner::kHostSkyView},
    {"DVB Vie", 7, banner::kHostSkyView},
    {"ALT-DVB", 7, banner::kHostAltDvb},
    {"ProgDVB", 7, banner::kHostProgDvb},
};

// Video window title prefixes; a window titled with the channel name is the
// third family's video window (see VideoWindowKind).
const TitleRule kVideoRules[] = {
    {"ActiveMovie", 11, banner::kHostSkyView},
    {"DvbVideoGr", 10, banner::kHostAltDvb},
};

// Host-thread scratch of the two routines.
struct DiscoveryScratch {
  char titleBuf[banner::kVideoTitleLimit];
  char channelName[banner::kNameSize];
};
DiscoveryScratch scratch;

// Reads a window's title with the given limit (limit - 1 characters at most).
void ReadTitle(win32::Wnd wnd, int limit) {
  std::memset(scratch.titleBuf, 0, sizeof scratch.titleBuf);
  win32::GetWindowTextA(wnd, scratch.titleBuf, limit);
  scratch.titleBuf[limit - 1] = '\0';
}

int32_t VideoWindowKind(const char* title, const char* channelName) {
  for (const TitleRule& rule : kVideoRules)
    if (std::strncmp(title, rule.text, rule.count) == 0) return rule.hostKind;
  // A name of 8 characters or more matches any title starting with them; a
  // shorter one only a title equal to it.
  if (std::strncmp(title, channelName, banner::kNameCompareChars) == 0)
    return banner::kHostProgDvb;
  return banner::kHostNone;
}

// Tests the window under (x, y); records it when it is the video window.
bool ProbePoint(int x, int y) {
  win32::Wnd wnd = win32::WindowFromPoint(x, y);
  if (wnd == nullptr) return false;
  ReadTitle(wnd, banner::kVideoTitleLimit);
  int32_t kind = VideoWindowKind(scratch.titleBuf, scratch.channelName);
  if (kind == banner::kHostNone) return false;
  WithBannerState([&](BannerState& s) {
    s.renderWnd = wnd;
    s.hostKind = kind;
  });
  return true;
}

}  // namespace

int TAVIK_STDCALL EPproc(win32::Wnd wnd, intptr_t /*lparam*/) {
  if (wnd == nullptr) return 1;
  ReadTitle(wnd, banner::kTopTitleLimit);
  if (BoundedLength(scratch.titleBuf, banner::kTopTitleLimit) <= 2) return 1;
  int32_t kind = banner::kHostNone;
  for (const TitleRule& rule : kTopLevelRules) {
    if (std::strncmp(scratch.titleBuf, rule.text, rule.count) == 0) {
      kind = rule.hostKind;
      break;
    }
  }
  // Every titled window not recognised puts hostKind back to 0; the first one
  // recognised ends the enumeration.
  WithBannerState([&](BannerState& s) {
    s.hostKind = kind;
    if (kind != banner::kHostNone) s.videoWnd = wnd;
  });
  return kind == banner::kHostNone ? 1 : 0;
}

int EPtry() {
  CopyCurrentChannelName(scratch.channelName, sizeof scratch.channelName);
  // Over the viewer's screen: the monitor the host is on.
  int32_t left = 0, top = 0, width = 0, height = 0;
  WithBannerState([&](BannerState& s) {
    left = s.screenLeft;
    top = s.screenTop;
    width = s.screenWidth;
    height = s.screenHeight;
  });
  if (ProbePoint(left + width / 2, top + height / 2)) return 1;
  for (int32_t y = banner::kProbeGrid; y < height; y += banner::kProbeGrid)
    for (int32_t x = banner::kProbeGrid; x < width; x += banner::kProbeGrid)
      if (ProbePoint(left + x, top + y)) return 1;
  return -1;
}

int32_t HostKind() {
  return WithBannerState([](BannerState& s) { return s.hostKind; });
}
