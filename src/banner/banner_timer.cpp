// The periodic banner routine: keys P and O, the first change's countdown and
// post-start key, programme lines, slide-out, hiding and focus hand-back.
#include <atomic>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "common/plugin_state.h"
#include "guide/guide.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

// What the counting part of a tick decided, to be carried out after the lock.
struct TickPlan {
  bool sendPostKey = false;
  bool slide = false;
  bool hide = false;
  bool hideEpg = false;
  bool parkCursor = false;
  BannerRect slideRect = {0, 0, 0, 0};
  win32::Wnd bannerWnd = nullptr;
  win32::Wnd videoWnd = nullptr;
  int cursorX = 0, cursorY = 0;
  uint32_t generation = 0;
  uint32_t epgGeneration = 0;
};

// A key acts on a poll that reads positive: released now, pressed since the
// last poll. Held down reads negative.
bool KeyPressed(int vk) { return win32::GetAsyncKeyState(vk) > 0; }

// Keys P and O are the viewer's: they act only while a window of its process
// (the host's, or one of our panels) is in front.
bool ViewerInFront() {
  uint32_t process = 0;
  win32::GetWindowThreadProcessId(win32::GetForegroundWindow(), &process);
  return process != 0 && process == win32::GetCurrentProcessId();
}

// Key P: the banner again, over the stored area, with a fresh clock.
void ShowBannerAgain(int bannerPanel) {
  // A banner that never had an area (no channel change yet) goes over the screen.
  const bool needScreen = WithBannerState([](BannerState& s) { return !s.areaSet; });
  const win32::Rect screen = needScreen ? ViewerScreen() : win32::Rect{0, 0, 0, 0};
  // Counted as shown from here on, as a channel change does at its start: a
  // tick that decided to hide before this sees the show and puts the banner
  // back; one that counts after it finds a fresh display time.
  const BannerState area = WithBannerState([&](BannerState& s) {
    if (needScreen && !s.areaSet) UseScreenAsArea(s, screen);
    s.tickCount = banner::kTicksAfterKeyP;
    s.slideStep = 0;
    ++s.showGeneration;
    return s;
  });
  // Lines of a programme that began while the banner was hidden, shown
  // together with their progress.
  ui::DeferPanelUpdates(bannerPanel, 1);
  if (settings.epgon == 1) ShowChangedProgrammeLines(bannerPanel);
  UpdateProgrammeProgress(bannerPanel);
  UpdateProgrammeMarks(bannerPanel);
  ui::DeferPanelUpdates(bannerPanel, 0);
  ui::DisplayPanel(bannerPanel);
  PlaceBannerWindow(FullBannerRect(area, settings.bannerHeight, settings.place));
  ShowClock(bannerPanel);
  WithBannerState([](BannerState& s) {
    s.bannerActive = 1;
    s.tickCount = banner::kTicksAfterKeyP;
    s.slideStep = 0;
    ++s.showGeneration;
  });
}

// Key O: the EPG panel with the present event's description, without a loop.
void ShowEpgPanel() {
  const int epgPanel = panels.epg;
  // Counted as shown before it shows, and again after: a tick that decided to
  // hide the panel meanwhile sees epgGeneration move and shows it again.
  WithBannerState([](BannerState& s) {
    s.bannerActive = 1;
    s.tickCount = banner::kTicksAfterKeyO;
    s.epgShown = 1;
    ++s.epgGeneration;
  });
  FillEpgPanel(epgPanel);  // its size and contents before it shows
  ui::DisplayPanel(epgPanel);
  int width = 0, height = 0;
  EpgPanelSize(epgPanel, &width, &height);
  win32::Wnd wnd = ui::PanelWindow(epgPanel);
  if (wnd != nullptr) ui::PlaceOnTop(wnd, banner::kEpgX, banner::kEpgY, width, height);
  WithBannerState([](BannerState& s) {
    s.bannerActive = 1;
    s.tickCount = banner::kTicksAfterKeyO;
    s.epgShown = 1;
    ++s.epgGeneration;
  });
}

// Under the banner lock: count the tick, and end the first countdown after
// load (the one that arms the banner and sends the post key).
// Returns false when the banner is idle.
bool CountTick(TickPlan& plan) {
  return WithBannerState([&](BannerState& s) {
    if (s.bannerActive == 0) return false;
    ++s.tickCount;
    if (s.tickCount == banner::kCountdownTicks && s.bannerArmed == 0) {
      plan.sendPostKey = true;
      s.bannerArmed = 1;
      s.tickCount = 0;
      s.bannerActive = 0;
    }
    return true;
  });
}

// Under the banner lock: whether this tick slides the banner out a step and
// whether it hides it.
void PlanSlideAndHide(TickPlan& plan, int32_t slideout, int32_t parkcursor,
                      int32_t bannerHeight, int32_t place) {
  WithBannerState([&](BannerState& s) {
    plan.generation = s.showGeneration;
    plan.epgGeneration = s.epgGeneration;
    plan.bannerWnd = s.bannerWnd;
    if (s.tickCount > banner::kSlideFromTick && slideout == 1) {
      ++s.slideStep;
      plan.slide = true;
      plan.slideRect = SlideBannerRect(s, bannerHeight, place);
    }
    if (s.tickCount > banner::kHideAfterTick) {
      plan.hide = true;
      plan.hideEpg = s.epgShown == 1;
      if (plan.hideEpg) s.epgShown = 0;
      plan.videoWnd = s.videoWnd;
      plan.parkCursor = s.hostKind == banner::kHostAltDvb && parkcursor == 1;
      plan.cursorX = s.screenLeft + s.screenWidth / 2;
      plan.cursorY = s.screenTop + s.screenHeight;
      s.bannerActive = 0;
      s.tickCount = 0;
    }
  });
}

void CarryOut(const TickPlan& plan, int bannerPanel, int32_t bannerHeight, int32_t place) {
  if (plan.slide && plan.bannerWnd != nullptr)
    ui::PlaceOnTop(plan.bannerWnd, plan.slideRect.x, plan.slideRect.y, plan.slideRect.cx,
                   plan.slideRect.cy);
  if (plan.hide) {
    ui::HidePanel(bannerPanel);
    if (plan.hideEpg) ui::HidePanel(panels.epg);
    // The focus goes back to the host, unless the user is working in one of
    // our menu panels: taking it would throw their typing at the host.
    if (plan.videoWnd != nullptr && panels.menuOpen.load() == kNoPanel)
      ui::HandFrontTo(plan.videoWnd);
    if (plan.parkCursor) win32::SetCursorPos(plan.cursorX, plan.cursorY);
  }
  if (!plan.slide && !plan.hide) return;
  // A channel change or key P that began showing the banner while this tick
  // shrank or hid it wins: put the banner back whole. (A show still in
  // progress places it again itself; showing it once more does no harm.)
  bool reshow = false, reshowEpg = false;
  const BannerState now = WithBannerState([&](BannerState& s) {
    reshow = s.showGeneration != plan.generation;
    reshowEpg = plan.hideEpg && s.epgGeneration != plan.epgGeneration;
    return s;
  });
  // Key O showed the EPG panel again while this tick hid it.
  if (reshowEpg) ui::DisplayPanel(panels.epg);
  if (!reshow) return;
  if (plan.hide) ui::DisplayPanel(bannerPanel);
  PlaceBannerWindow(FullBannerRect(now, bannerHeight, place));
}

// Key P or O, read as pressed.
void ActOnKey(int vk, int bannerPanel) {
  if (vk == banner::kVkP)
    ShowBannerAgain(bannerPanel);
  else
    ShowEpgPanel();
}

// The pressed-since-the-last-poll bit is the whole desktop's: whoever reads
// it first takes it. So the keys are read only while the viewer is in front
// (a second viewer in the back would take the presses of the one in front),
// and the first tick in front again reads and forgets what was typed into
// another program meanwhile. The tick reads and sets it; ForgetKeyPresses
// sets it on the host's thread at load, hence an atomic.
std::atomic<bool> inFrontLastTick{true};  // the load forgets the keys

// A poll that falls inside a tap finds the key down and pressed since the
// last poll: that press acts when the next poll finds the key up. One that
// finds it still down has a held key, which does nothing. Only the tick
// (PollKeys, on the timer's thread) reads or sets it; the host's thread acts
// on a key-up without it.
constexpr int kKeys[] = {banner::kVkP, banner::kVkO};
bool tapUnderway[2] = {false, false};

void PollKeys(int bannerPanel) {
  const bool inFront = ViewerInFront();
  const bool cameToFront = !inFrontLastTick.exchange(inFront) && inFront;
  if (!inFront || cameToFront) {
    if (cameToFront) ForgetKeyPresses();
    tapUnderway[0] = tapUnderway[1] = false;
    return;
  }
  for (int k = 0; k < 2; ++k) {
    const int16_t state = win32::GetAsyncKeyState(kKeys[k]);
    if (state > 0 || (state == 0 && tapUnderway[k])) ActOnKey(kKeys[k], bannerPanel);
    tapUnderway[k] = state < 0 && (state & 1) != 0;
  }
}

}  // namespace

// A key that comes up in a window of the host's thread (the host's own, or
// one of our panels) is read at once, as a tick reads it, rather than at the
// next tick: whichever reads the pressed-since-the-last-poll bit first acts,
// the other finds it gone. Keys typed into the host's other threads' windows
// wait for the tick.
void KeyUpOnHostThread(int vk) {
  if (vk != banner::kVkP && vk != banner::kVkO) return;
  const int bannerPanel = panels.banner;
  if (bannerPanel >= 0 && ViewerInFront() && KeyPressed(vk)) ActOnKey(vk, bannerPanel);
}

void ForgetKeyPresses() {
  KeyPressed(banner::kVkP);
  KeyPressed(banner::kVkO);
  inFrontLastTick = true;
}

bool BannerIdle() {
  return WithBannerState([](BannerState& s) { return s.bannerActive == 0; });
}

void TAVIK_STDCALL TimerProc(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
  const int bannerPanel = panels.banner;
  // After the host's exit the banner panel is gone: the tick does nothing.
  if (bannerPanel < 0) return;

  PollKeys(bannerPanel);
  RefreshEpgSchedule(panels.epg);  // the schedule follows the stream while shown

  // Idle (nothing shown, nothing counting): the keys were all there was to do.
  TickPlan plan;
  if (BannerIdle()) return;
  ui::ProcessSystemEvents();
  if (!CountTick(plan)) return;
  if (plan.sendPostKey) {
    const int32_t postkey = settings.postkey;
    if (postkey > banner::kPostKeyAbove)
      win32::keybd_event(static_cast<uint8_t>(postkey & 0xFF), 0, banner::kPostKeyFlags, 0);
  }

  // Programme lines complete: onto the banner, and a full display time from now.
  // The lines and their progress reach the windows together.
  const bool counting = WithBannerState([](BannerState& s) { return s.tickCount > 0; });
  ui::DeferPanelUpdates(bannerPanel, 1);
  if (counting && settings.epgon == 1) {
    if (ShowCompleteProgrammeLines(bannerPanel))
      WithBannerState([](BannerState& s) { s.tickCount = 0; });
    else  // a programme that began while the banner is on screen shows at once
      ShowChangedProgrammeLines(bannerPanel);
  }
  UpdateProgrammeProgress(bannerPanel);
  UpdateProgrammeMarks(bannerPanel);
  ui::DeferPanelUpdates(bannerPanel, 0);

  const int32_t bannerHeight = settings.bannerHeight;
  const int32_t place = settings.place;
  PlanSlideAndHide(plan, settings.slideout, settings.parkcursor, bannerHeight, place);
  CarryOut(plan, bannerPanel, bannerHeight, place);
}
