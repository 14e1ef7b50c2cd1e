// The host's thread (its keyboard hook, its channel changes) and the timer's
// tick acting on the banner at once, run under TSan: whatever the
// interleaving, what the viewer asked for last is what stays on screen.
#include <chrono>
#include <thread>

#include "banner/banner_constants.h"
#include "tests/banner_fixture.h"
#include "tests/support/guide_sections.h"

namespace {

// Each runtime call first waits a few microseconds, a different few each
// time, so the two threads' calls fall among each other in ever other orders.
void Pause() {
  thread_local uint32_t seed = 12345;
  seed = seed * 1103515245u + 12345u;
  std::this_thread::sleep_for(std::chrono::microseconds((seed >> 16) % 40));
}

// A tick on another thread, and the host's action on this one after `delay`
// pauses (the tick after -delay pauses when it is negative).
template <typename Host>
void WithTick(int delay, Host host) {
  std::thread timer([delay] {
    for (int k = 0; k < -delay; ++k) Pause();
    BannerTest::Tick();
  });
  for (int k = 0; k < delay; ++k) Pause();
  host();
  timer.join();
}

// Key P or O by the hook while the tick that ends the display time runs: the
// banner (or the EPG panel) stays shown, with a display time counting. A
// change to a channel without EIT while the tick shows the previous
// channel's progress: once the tick after it ran, no bar is left.
TEST_F(BannerTest, TheHostThreadAndTheTickTogether) {
  fake::SetCallPause(&Pause);
  settings.epgon = 1;
  settings.progress = 1;
  Arm();
  Change("BBC One");
  int hidden = 0, left = 0;
  for (int i = 0; i < 400; ++i) {
    const int vk = i % 2 ? banner::kVkO : banner::kVkP;
    WithBannerState([](BannerState& s) { s.tickCount = banner::kHideAfterTick; s.epgShown = 1; });
    const int delay = i % 2 ? 4 - i / 2 % 16 : i / 2 % 8;  // key O fills its panel first
    WithTick(delay, [vk] { fake::PressKey(vk); KeyUpOnHostThread(vk); });
    hidden += !fake::PanelVisible(i % 2 ? panels.epg.load() : bannerPanel_) ||
              BannerSnapshot().bannerActive == 0;
  }
  sections::Section present;  // service 0x1234, 1 h 30 min from 20:15 UTC
  present.descriptors = sections::ShortEvent(sections::Text("News"), sections::Text(""));
  fake::SetUtcNow((int64_t(present.mjd) - 40587) * 86400 + 21 * 3600);
  const sections::Bytes units = sections::Units(present);
  for (int i = 0; i < 200; ++i) {
    Change("BBC One");
    OnDataArrival(1, static_cast<int>(units.size()), units.data());
    WithTick(i % 16, [] { Change("BBC Two", 11778000, 18, 0x4321); });
    Tick();
    left += Attr(panel::kProgressBar, ui::kAttrVisible) == 1;
  }
  EXPECT_EQ(hidden, 0);
  EXPECT_EQ(left, 0);
}

}  // namespace
