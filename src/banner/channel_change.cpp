// A channel change: save the record, find the host and its video area, lay
// out and place the banner (leaving out of a narrow one what matters least),
// fill name, logo, details, programme lines and clock, and hand the banner to
// the timer.
#include <cstring>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "banner/logo_path.h"
#include "common/plugin_state.h"
#include "common/text.h"
#include "guide/guide.h"
#include "keep/guide_keeping.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

struct ControlOffset {
  int control;
  int32_t fromRight;
};

// The detail block sits at the banner's right end, in this order.
const ControlOffset kDetailLayout[] = {
    {panel::kDetailBox, banner::kDetailBoxFromRight},
    {panel::kLevelMeter, banner::kLevelMeterFromRight},
    {panel::kQualityMeter, banner::kQualityMeterFromRight},
    {panel::kCaLed, banner::kCaLedFromRight},
    {panel::kClock, banner::kClockFromRight},
    {panel::kFrequency, banner::kFrequencyFromRight},
    {panel::kPolarisation, banner::kPolarisationFromRight},
    {panel::kCaText, banner::kCaTextFromRight},
};

const int kTextLines[] = {panel::kChannelName, panel::kNowLine, panel::kNextLine};

// What the channel changes did to a narrow banner (host thread only): the
// level, and the name's size when it was set here.
struct NarrowShown {
  int32_t level = kNarrowNone;
  int32_t nameSet = 0;
};
NarrowShown narrow;

// Host-thread buffers of the channel change.
struct ChangeBuffers {
  char name[banner::kNameSize];
  char logoPath[banner::kLogoPathSize];
  char titleBuf[banner::kDiagnosticTitleLimit];
};
ChangeBuffers buffers;

// Which host family this is, then the area the banner goes over: the
// viewer's screen, or the video window when the banner follows the video.
BannerState FindArea(const win32::Rect& screen) {
  win32::EnumWindows(EPproc, 0);
  bool found = false;
  win32::Rect rect = {0, 0, 0, 0};
  if (settings.videownd != 0 && EPtry() > 0) {
    win32::Wnd render = WithBannerState([](BannerState& s) { return s.renderWnd; });
    found = win32::GetWindowRect(render, &rect) != 0;
  }
  const bool useScreen = settings.videownd == 0;
  return WithBannerState([&](BannerState& s) {
    if (useScreen) {
      UseScreenAsArea(s, screen);
      s.areaSet = true;
    } else if (found) {
      s.areaLeft = rect.left;
      s.areaBottom = rect.bottom;
      s.areaWidth = rect.right - rect.left;
      s.areaHeight = rect.bottom - rect.top;
      s.areaSet = true;
    } else if (!s.areaSet) {
      // The video window was never found: the whole screen for now.
      UseScreenAsArea(s, screen);
    }
    return s;
  });
}

// The banner's size for this area and the host window's DPI, kept with the
// area for the timer's placements; the panel is drawn at it when it changed.
BannerState SizeBanner(int bannerPanel, const BannerState& area) {
  const int32_t setting = settings.scale;
  const int32_t dpi =
      setting == banner::kScaleAutomatic ? win32::GetWindowDpi(hostLink.hostWnd) : 0;
  const int32_t percent = BannerScalePercent(setting, area.areaHeight, dpi);
  int32_t before = 0;
  const BannerState sized = WithBannerState([percent, &before](BannerState& s) {
    before = s.scale;
    s.scale = percent;
    return s;
  });
  if (percent != before) ui::SetPanelAttribute(bannerPanel, ui::kAttrScale, percent);
  return sized;
}

// The detail block and, for right or centred lines, the text lines placed
// for the area's width.
void LayOutControls(int bannerPanel, int32_t width) {
  for (const ControlOffset& c : kDetailLayout)
    ui::SetCtrlAttribute(bannerPanel, c.control, ui::kAttrLeft, width - c.fromRight);
  const int32_t justify = settings.justify;
  int32_t linesLeft;
  if (justify == ui::kJustifyRight)
    linesLeft = width - banner::kRightLinesFromRight;
  else if (justify == ui::kJustifyCentre)
    linesLeft = (width - banner::kCentredLinesInset) / 2;
  else
    return;  // the panel file's positions stay
  for (int control : kTextLines) {
    ui::SetCtrlVal(bannerPanel, control, " ");
    ui::SetCtrlAttribute(bannerPanel, control, ui::kAttrLeft, linesLeft);
  }
}

// Whether a control of the detail block shows on a banner at this level: on a
// narrow one none; else the signal meter and the details as the settings say.
int32_t BlockControlShown(int control, int32_t level) {
  if (level >= kNarrowNoDetails) return 0;
  if (control == panel::kLevelMeter) return settings.showsignal;
  if (control == panel::kFrequency || control == panel::kPolarisation || control == panel::kCaText)
    return settings.showdetails;
  return 1;
}

// A narrow banner (tavik.ini line 21 other than 0) leaves out the detail
// block, then the logo, and at last draws its name smaller, rather than cut
// the name; wide again, or at size 0, it gets back what was left out. At size
// 0 on a banner never narrowed nothing here touches it. Runs after the
// details were filled (they set their controls' visibility).
void FitNarrowBanner(int bannerPanel, int32_t width) {
  if (settings.scale == 0 && narrow.level == kNarrowNone && narrow.nameSet == 0) return;
  int32_t current = 0, lineSize = 0;
  ui::GetCtrlAttribute(bannerPanel, panel::kChannelName, ui::kAttrTextPointSize, &current);
  ui::GetCtrlAttribute(bannerPanel, panel::kNowLine, ui::kAttrTextPointSize, &lineSize);
  // The style's size of the name (a style the table does not know keeps the
  // size the name has).
  const int32_t ofStyle = NameSizeForStyle(settings.style);
  const int32_t styleSize = ofStyle > 0 ? ofStyle : current;
  const NarrowLayout fit = settings.scale == 0
                               ? NarrowLayout{kNarrowNone, banner::kLinesLeft, styleSize}
                               : NarrowBanner(width, styleSize, lineSize);
  if (fit.level >= kNarrowNoDetails || fit.level != narrow.level)
    for (const ControlOffset& c : kDetailLayout)
      ui::SetCtrlAttribute(bannerPanel, c.control, ui::kAttrVisible,
                           BlockControlShown(c.control, fit.level));
  const bool wasNoLogo = narrow.level >= kNarrowNoLogo, noLogo = fit.level >= kNarrowNoLogo;
  if (noLogo != wasNoLogo)
    ui::SetCtrlAttribute(bannerPanel, panel::kLogo, ui::kAttrVisible, noLogo ? 0 : 1);
  // Right and centred lines were placed for the width; left ones start where
  // the level has them.
  const int32_t justify = settings.justify;
  if (justify != ui::kJustifyRight && justify != ui::kJustifyCentre && (noLogo || wasNoLogo))
    for (int control : kTextLines)
      ui::SetCtrlAttribute(bannerPanel, control, ui::kAttrLeft, fit.linesLeft);
  if (fit.nameSize != current)
    ui::SetCtrlAttribute(bannerPanel, panel::kChannelName, ui::kAttrTextPointSize, fit.nameSize);
  narrow.level = fit.level;
  narrow.nameSet = fit.nameSize != styleSize ? fit.nameSize : 0;
  WithBannerState([&fit](BannerState& s) { s.narrowLevel = fit.level; });
}

// Title mode's diagnosis: the title of the window under the screen centre,
// on line 11.
void ShowCentreTitle(int bannerPanel, const BannerState& s) {
  std::memset(buffers.titleBuf, 0, sizeof buffers.titleBuf);
  win32::Wnd wnd = win32::WindowFromPoint(s.screenLeft + s.screenWidth / 2,
                                          s.screenTop + s.screenHeight / 2);
  if (wnd != nullptr)
    win32::GetWindowTextA(wnd, buffers.titleBuf, banner::kDiagnosticTitleLimit);
  buffers.titleBuf[banner::kDiagnosticTitleLimit - 1] = '\0';
  ui::SetCtrlVal(bannerPanel, panel::kNextLine, buffers.titleBuf);
}

// The channel's logo: <name>.jpg, else <name>.png, else the logo pack's
// <pack name>.png or .jpg; the first of these that exists is shown, or, when
// it cannot be, 0.jpg from the logo directory, as when none exists. A path
// that does not fit or a name no file can have is not tried; a fallback
// path that does not fit is not shown at all.
void ShowLogo(int bannerPanel, const char* name) {
  for (banner::LogoSource source : banner::kLogoSources) {
    if (!banner::LogoSourcePath(paths.iconDir, name, source, buffers.logoPath,
                                sizeof buffers.logoPath))
      continue;
    const int shown = ui::DisplayImageFile(bannerPanel, panel::kLogo, buffers.logoPath);
    if (shown == 0) return;
    if (shown != ui::kErrNoFile) break;  // there, but not a picture that can be shown
  }
  if (banner::FallbackLogoPath(paths.iconDir, buffers.logoPath, sizeof buffers.logoPath) &&
      ui::DisplayImageFile(bannerPanel, panel::kLogo, buffers.logoPath) == 0)
    return;
  // Neither could be shown (this time): never the previous channel's logo.
  ui::DeleteImage(bannerPanel, panel::kLogo);
}

// The programme lines start over for the new channel.
void RestartLines(int bannerPanel) {
  if (settings.epgon == 0) {
    ui::SetCtrlVal(bannerPanel, panel::kNowLine, " ");
    ui::SetCtrlVal(bannerPanel, panel::kNextLine, " ");
  }
  if (settings.epgon == 1 && eitState == 0) {
    ui::SetCtrlVal(bannerPanel, panel::kNowLine, " ");
    ui::SetCtrlVal(bannerPanel, panel::kNextLine, " ");
    GetEIT();
  }
  if (settings.epgon == 1 && eitState > 0) RestartProgrammeLines(bannerPanel);
}

}  // namespace

void ChannelChange(const host::TProgram82& chan) {
  SaveChannelRecord(chan);
  if (settings.schedule == 1 && settings.keepguide == 1) keep::RememberTunedChannel(chan);

  // The first change after load only starts the countdown to the post-start key.
  const bool armed = WithBannerState([](BannerState& s) {
    if (s.bannerArmed != 0) return true;
    s.tickCount = 0;
    s.bannerActive = 1;
    return false;
  });
  if (!armed) return;

  if (RecordName(chan, buffers.name, sizeof buffers.name) < 2) return;

  WithBannerState([](BannerState& s) {
    s.tickCount = 0;
    s.slideStep = 0;
    ++s.showGeneration;
  });

  // The monitor the viewer is on (the probe for the video looks there too).
  const win32::Rect screen = ViewerScreen();
  WithBannerState([&](BannerState& s) { SetViewerScreen(s, screen); });

  const BannerState found = FindArea(screen);
  const int bannerPanel = panels.banner;
  // Every control below changes the banner's windows once, and it is painted
  // once, with all of it.
  ui::DeferPanelUpdates(bannerPanel, 1);
  const BannerState area = SizeBanner(bannerPanel, found);
  // The layout is made in the panel file's pixels; the runtime draws it larger.
  const int32_t layoutWidth = static_cast<int32_t>(int64_t(area.areaWidth) * 100 / area.scale);
  LayOutControls(bannerPanel, layoutWidth);
  HideProgrammeProgress(bannerPanel);  // the new channel's shows at the next tick
  HideProgrammeMarks(bannerPanel);
  ui::DisplayPanel(bannerPanel);
  PlaceBannerWindow(FullBannerRect(area, settings.bannerHeight, settings.place));

  if (settings.titlemode == -2) {
    ShowCentreTitle(bannerPanel, area);
  } else {
    ui::SetCtrlVal(bannerPanel, panel::kChannelName, buffers.name);
    ShowLogo(bannerPanel, buffers.name);
    OtherData(chan);
    RestartLines(bannerPanel);
  }

  ShowClock(bannerPanel);
  FitNarrowBanner(bannerPanel, layoutWidth);
  ui::DeferPanelUpdates(bannerPanel, 0);
  win32::Wnd videoWnd = WithBannerState([](BannerState& s) {
    s.tickCount = 0;
    s.bannerActive = 1;
    s.slideStep = 0;
    ++s.showGeneration;
    return s.videoWnd;
  });
  if (videoWnd != nullptr) ui::HandFrontTo(videoWnd);
}

void ResetBanner() {
  WithBannerState([](BannerState& s) { s = BannerState{}; });
  narrow = NarrowShown{};
  ResetServiceDetails();
  ClearChannelRecord();
}
