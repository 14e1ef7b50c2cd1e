// The present programme's progress on the banner (tavik.ini line 23): a bar
// of the time gone and the minutes left, beside the present programme's line.
#include <atomic>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "common/text.h"
#include "guide/schedule.h"
#include "runtime/text_room.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

// What the banner shows of the progress, so that a tick changes its controls
// only when something changed (each change is a message to the host's
// thread). Two threads write it: the channel change hides the bar, the tick
// (and key P) show it. Its lock is held across the runtime calls that carry a
// decision out, so the controls always end as the record says; the runtime
// never waits on another thread (the lock order in platform/lock.h). The
// channel change counts its hides: a show decided from figures read before a
// hide is dropped, as those were the previous channel's.
struct Shown {
  bool visible = false;
  ProgressPlace place = {};
  ProgrammeProgress figures = {};
  int colour = -1, back = -1;  // the programme lines' colour and the background
};
Lock shownLock;
Shown shown TAVIK_GUARDED_BY(shownLock);
std::atomic<uint32_t> hides{0};  // changed only under shownLock

bool SamePlace(const ProgressPlace& a, const ProgressPlace& b) {
  return a.barLeft == b.barLeft && a.barTop == b.barTop && a.barWidth == b.barWidth &&
         a.barHeight == b.barHeight && a.labelLeft == b.labelLeft && a.labelWidth == b.labelWidth &&
         a.labelTop == b.labelTop && a.labelHeight == b.labelHeight && a.textSize == b.textSize;
}

// A quarter of the way from the background to the bar's colour: the trough
// shows on any background.
int Trough(int back, int bar) {
  int out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int b = (back >> shift) & 0xFF, f = (bar >> shift) & 0xFF;
    out |= ((b * 3 + f) / 4) << shift;
  }
  return out;
}

void Hide(int bannerPanel) {
  ui::SetCtrlAttribute(bannerPanel, panel::kProgressBar, ui::kAttrVisible, 0);
  ui::SetCtrlAttribute(bannerPanel, panel::kProgressLabel, ui::kAttrVisible, 0);
}

void Place(int bannerPanel, const ProgressPlace& p) {
  const int bar = panel::kProgressBar, label = panel::kProgressLabel;
  ui::SetCtrlAttribute(bannerPanel, bar, ui::kAttrLeft, p.barLeft);
  ui::SetCtrlAttribute(bannerPanel, bar, ui::kAttrTop, p.barTop);
  ui::SetCtrlAttribute(bannerPanel, bar, ui::kAttrWidth, p.barWidth);
  ui::SetCtrlAttribute(bannerPanel, bar, ui::kAttrHeight, p.barHeight);
  ui::SetCtrlAttribute(bannerPanel, label, ui::kAttrLeft, p.labelLeft);
  ui::SetCtrlAttribute(bannerPanel, label, ui::kAttrTop, p.labelTop);
  ui::SetCtrlAttribute(bannerPanel, label, ui::kAttrWidth, p.labelWidth);
  ui::SetCtrlAttribute(bannerPanel, label, ui::kAttrHeight, p.labelHeight);
  ui::SetCtrlAttribute(bannerPanel, label, ui::kAttrTextPointSize, p.textSize);
}

}  // namespace

bool PresentLineRow(int bannerPanel, int* top, int* height, int* textSize) {
  return ui::GetCtrlAttribute(bannerPanel, panel::kNowLine, ui::kAttrTop, top) == 0 &&
         ui::GetCtrlAttribute(bannerPanel, panel::kNowLine, ui::kAttrHeight, height) == 0 &&
         ui::GetCtrlAttribute(bannerPanel, panel::kNowLine, ui::kAttrTextPointSize, textSize) == 0;
}

int ProgressBarLeft() {
  LockGuard guard(shownLock);
  return shown.visible ? shown.place.barLeft : -1;
}

ProgrammeProgress ProgressAt(int64_t startUtc, int32_t durationSec, int64_t nowUtc) {
  ProgrammeProgress p = {false, 0, 0};
  if (durationSec <= 0) return p;  // no known duration: nothing to show
  const int64_t end = startUtc + durationSec;
  // A PC clock an hour or more away from the broadcast's (an old recording,
  // a clock never set) has no programme running: nothing to show.
  if (nowUtc < startUtc - banner::kProgressClockSlack || nowUtc > end + banner::kProgressClockSlack)
    return p;
  const int64_t gone = nowUtc < startUtc ? 0 : nowUtc > end ? durationSec : nowUtc - startUtc;
  p.shown = true;
  p.percent = static_cast<int>(gone * 100 / durationSec);  // rounded down
  p.minutesLeft = static_cast<int>((end - startUtc - gone) / 60);  // +0 in the last minute
  return p;
}

ProgressPlace PlaceProgress(int32_t width, int nowTop, int nowHeight, int textSize) {
  ProgressPlace p = {};
  // Right to left from the detail block: the minutes left, then the bar; the
  // present line keeps at least kProgressLineRoom text sizes before them.
  const int end = width - banner::kDetailBoxFromRight - ui::kRoomGap;
  p.textSize = textSize;
  p.labelWidth = textSize * banner::kProgressLabelSizes / 2;
  p.labelLeft = end - p.labelWidth;
  const int barRight = p.labelLeft - ui::kRoomGap;
  const int lineEnd = banner::kLinesLeft + textSize * banner::kProgressLineRoom;
  int barWidth = textSize * banner::kProgressBarSizes;
  if (barRight - ui::kRoomGap - barWidth < lineEnd) barWidth = barRight - ui::kRoomGap - lineEnd;
  if (barWidth < textSize * banner::kProgressBarMinSizes) return p;  // a narrow banner: no room
  p.fits = true;
  p.barWidth = barWidth;
  p.barLeft = barRight - barWidth;
  p.barHeight = nowHeight * 2 / 5;
  if (p.barHeight < banner::kProgressBarMinHeight) p.barHeight = banner::kProgressBarMinHeight;
  p.barTop = nowTop + (nowHeight - p.barHeight + 1) / 2;
  p.labelTop = nowTop;
  p.labelHeight = nowHeight;
  return p;
}

void UpdateProgrammeProgress(int bannerPanel) {
  const uint32_t hidesBefore = hides.load();
  guide::EventTiming timing = {};
  ProgrammeProgress figures = {false, 0, 0};
  if (settings.progress == 1 && guide::PresentEventTiming(&timing))
    figures = ProgressAt(timing.startUtc, timing.durationSec, win32::UtcNowSeconds());
  ProgressPlace place = {};
  int top = 0, height = 0, textSize = 0;
  if (figures.shown && PresentLineRow(bannerPanel, &top, &height, &textSize)) {
    const BannerState area = BannerSnapshot();
    // The layout is made in the panel file's pixels, as the channel change's.
    const int32_t width = static_cast<int32_t>(int64_t(area.areaWidth) * 100 / area.scale);
    // A banner narrowed for its name has no room for the progress either.
    if (area.narrowLevel == kNarrowNone) place = PlaceProgress(width, top, height, textSize);
  }
  const bool visible = figures.shown && place.fits;
  const int epg = settings.epgcolor, back = settings.backcolor;

  // Under the lock: what changes, and the runtime calls that change it.
  LockGuard guard(shownLock);
  if (hides.load() != hidesBefore) return;  // a channel change came between
  if (!visible) {
    if (shown.visible) Hide(bannerPanel);
    shown.visible = false;
    return;
  }
  const bool move = !shown.visible || !SamePlace(shown.place, place);
  const bool colour = !shown.visible || shown.colour != epg || shown.back != back;
  const bool value = move || shown.figures.percent != figures.percent ||
                     shown.figures.minutesLeft != figures.minutesLeft;
  shown.visible = true;
  shown.place = place;
  shown.figures = figures;
  shown.colour = epg;
  shown.back = back;
  if (move) Place(bannerPanel, place);
  if (colour) {
    ui::SetCtrlAttribute(bannerPanel, panel::kProgressBar, ui::kAttrCtrlColor, epg);
    ui::SetCtrlAttribute(bannerPanel, panel::kProgressBar, ui::kAttrTextBgColor, Trough(back, epg));
    ui::SetCtrlAttribute(bannerPanel, panel::kProgressLabel, ui::kAttrTextColor, epg);
    ui::SetCtrlAttribute(bannerPanel, panel::kProgressLabel, ui::kAttrTextBgColor, back);
  }
  if (value) {
    char label[24];
    FormatText(label, sizeof label, "+%d min", figures.minutesLeft);
    ui::SetCtrlVal(bannerPanel, panel::kProgressBar, figures.percent);
    ui::SetCtrlVal(bannerPanel, panel::kProgressLabel, label);
  }
  if (move) {
    ui::SetCtrlAttribute(bannerPanel, panel::kProgressBar, ui::kAttrVisible, 1);
    ui::SetCtrlAttribute(bannerPanel, panel::kProgressLabel, ui::kAttrVisible, 1);
  }
}

void HideProgrammeProgress(int bannerPanel) {
  LockGuard guard(shownLock);
  hides.fetch_add(1);
  if (shown.visible) Hide(bannerPanel);
  shown.visible = false;
}
