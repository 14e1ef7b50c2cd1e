// The host's thread (its keyboard hook, its channel changes) and the timer's
// tick acting on the banner at once, run under TSan: whatever the
// interleaving, what the viewer asked for last is what stays on screen.
#include <atomic>
#include <chrono>
#include <thread>

#include "banner/banner_constants.h"
#include "tests/banner_fixture.h"
#include "tests/support/guide_sections.h"

namespace {

// Each runtime call waits a few microseconds first, a different few on each
// call: the two threads' calls fall among each other in ever other orders.
void Pause() {
  thread_local uint32_t seed = 12345;
  seed = seed * 1103515245u + 12345u;
  std::this_thread::sleep_for(std::chrono::microseconds((seed >> 16) % 40));
}

class RaceTest : public BannerTest {
 protected:
  void SetUp() override {
    BannerTest::SetUp();
    fake::SetCallPause(&Pause);
  }
};

// Runs host() and tick() on two threads that start together; the host's
// side waits `delay` pauses first, so that its start moves across the tick.
template <typename Host, typename Tick>
void Together(int delay, Host host, Tick tick) {
  std::atomic<int> ready{0};
  auto start = [&ready] {
    ++ready;
    while (ready.load() < 2) std::this_thread::yield();
  };
  std::thread timer([&] {
    start();
    tick();
  });
  start();
  for (int k = 0; k < delay; ++k) Pause();
  host();
  timer.join();
}

constexpr int kRounds = 200;

// The hook's key P or O: pressed and taken on the host's thread (after the
// tick polled the keys, mostly).
void HookKey(int vk) {
  fake::PressKey(vk);
  KeyUpOnHostThread(vk);
}

// Key P by the hook while the tick that ends the display time runs: the
// banner stays shown, with a display time counting.
TEST_F(RaceTest, KeyPOnTheHostThreadWinsOverTheHidingTick) {
  Arm();
  Change("BBC One");
  int hidden = 0;
  for (int i = 0; i < kRounds; ++i) {
    WithBannerState([](BannerState& s) { s.tickCount = banner::kHideAfterTick; });
    Together(i % 8, [] { HookKey(banner::kVkP); }, [] { Tick(); });
    hidden += !BannerVisible() || BannerSnapshot().bannerActive == 0;
    if (!BannerVisible()) ui::DisplayPanel(bannerPanel_);  // the next round starts shown
  }
  EXPECT_EQ(hidden, 0) << "of " << kRounds << " rounds";
  // Key O likewise: the EPG panel it shows stays shown.
  const int epg = panels.epg;
  int epgHidden = 0;
  for (int i = 0; i < kRounds; ++i) {
    WithBannerState([](BannerState& s) {
      s.bannerActive = 1;
      s.epgShown = 1;
      s.tickCount = banner::kHideAfterTick;
    });
    Together(i % 8, [] { HookKey(banner::kVkO); }, [] { Tick(); });
    epgHidden += !fake::PanelVisible(epg) || BannerSnapshot().epgShown == 0;
  }
  EXPECT_EQ(epgHidden, 0) << "of " << kRounds << " rounds";
}

// A change to a channel without EIT while the tick shows the previous
// channel's progress: once the tick after it ran, no bar is left.
TEST_F(RaceTest, ChannelChangeHidesTheProgressTheTickShows) {
  settings.epgon = 1;
  settings.progress = 1;
  Arm();
  sections::Section present;  // service 0x1234, 1 h 30 min from 20:15 UTC
  present.descriptors = sections::ShortEvent(sections::Text("News"), sections::Text(""));
  fake::SetUtcNow((int64_t(present.mjd) - 40587) * 86400 + 21 * 3600);
  const sections::Bytes units = sections::Units(present);
  int left = 0;
  for (int i = 0; i < kRounds; ++i) {
    Change("BBC One");
    OnDataArrival(1, static_cast<int>(units.size()), units.data());
    Together(i % 16, [] { Change("BBC Two", 11778000, 18, 0x4321); }, [] { Tick(); });
    Tick();
    left += Attr(panel::kProgressBar, ui::kAttrVisible) == 1;
  }
  EXPECT_EQ(left, 0) << "of " << kRounds << " rounds";
}

}  // namespace
