// Host discovery: main window title prefixes, the video window titles with
// the 8-character channel-name rule, and the probe points.
#include "tests/banner_fixture.h"

namespace {

class DiscoveryTest : public BannerTest {
 protected:
  void SetUp() override {
    BannerTest::SetUp();
    fake::RemoveWindow(hostWnd_);
    hostLink.hostWnd = nullptr;
  }
  static int32_t Enumerate() {
    win32::EnumWindows(EPproc, 0);
    return HostKind();
  }
  static void SetScreenForProbe(int width, int height) {
    WithBannerState([&](BannerState& s) {
      s.screenWidth = width;
      s.screenHeight = height;
    });
  }
  static void SetChannel(const char* name) {
    SaveChannelRecord(hostkit::MakeRecord(name, 0, 0, 0, 0));
  }
};

TEST_F(DiscoveryTest, MainWindowTitles) {
  const struct { const char* title; int32_t kind; } kCases[] = {
      {"ProgDVB 6.5", 102}, {"progdvb 6.5", 0},   {"DVB Viewer Pro", 100},
      {"DVB Vie", 100},     {"SkyView", 100},     {"ALT-DVB 2.2", 101},
      {"ALT-DV", 0},        {"Notepad", 0},
  };
  for (auto c : kCases) {
    fake::ResetDesktop();
    win32::Wnd wnd = fake::AddWindow(c.title, win32::Rect{0, 0, 100, 100});
    EXPECT_EQ(Enumerate(), c.kind) << c.title;
    if (c.kind != 0) {
      EXPECT_EQ(BannerSnapshot().videoWnd, wnd);
    }
  }
}

TEST_F(DiscoveryTest, FirstRecognisedWindowDecides) {
  fake::AddWindow("Notepad", win32::Rect{0, 0, 10, 10});
  win32::Wnd alt = fake::AddWindow("ALT-DVB 2.2", win32::Rect{0, 0, 10, 10});
  fake::AddWindow("ProgDVB 6.5", win32::Rect{0, 0, 10, 10});
  EXPECT_EQ(Enumerate(), 101);
  EXPECT_EQ(BannerSnapshot().videoWnd, alt);
}

TEST_F(DiscoveryTest, NothingRecognisedClearsKindKeepsWindow) {
  win32::Wnd prog = fake::AddWindow("ProgDVB 6.5", win32::Rect{0, 0, 10, 10});
  EXPECT_EQ(Enumerate(), 102);
  fake::SetWindowTitle(prog, "Closed");
  EXPECT_EQ(Enumerate(), 0);
  EXPECT_EQ(BannerSnapshot().videoWnd, prog);
}

TEST_F(DiscoveryTest, ShortTitlesAreSkipped) {
  fake::ResetDesktop();
  win32::Wnd prog = fake::AddWindow("ProgDVB 6.5", win32::Rect{0, 0, 10, 10});
  EXPECT_EQ(Enumerate(), 102);
  fake::SetWindowTitle(prog, "Pr");
  // Windows of two characters or fewer do not reset the family.
  EXPECT_EQ(Enumerate(), 102);
}

TEST_F(DiscoveryTest, VideoWindowTitlesAndChannelNameRule) {
  const struct { const char* channel; const char* title; int32_t kind; } kCases[] = {
      {"BBC One", "ActiveMovie Window", 100},
      {"BBC One", "ActiveMovi", 0},
      {"BBC One", "DvbVideoGraph", 101},
      {"BBC One", "BBC One", 102},
      {"BBC One", "BBC One HD", 0},           // shorter name: the whole title must agree
      {"Eurosport 2", "Eurosport 2", 102},   // 11 characters
      {"Eurosport 2", "Eurospor", 102},      // first 8 are enough
      {"Eurosport 2", "Eurosport 1", 102},   // only 8 compared
      {"Eurosport 2", "Eurospo", 0},
      {"ARTE", "ARTE", 102},
      {"ARTE", "ARTE HD", 0},
  };
  for (auto c : kCases) {
    fake::ResetDesktop();
    SetChannel(c.channel);
    SetScreenForProbe(1280, 1024);
    WithBannerState([](BannerState& s) { s.hostKind = 0; s.renderWnd = nullptr; });
    win32::Wnd wnd = fake::AddWindow(c.title, win32::Rect{0, 0, 1280, 1024});
    EXPECT_EQ(EPtry(), c.kind ? 1 : -1) << c.channel << " / " << c.title;
    EXPECT_EQ(HostKind(), c.kind) << c.channel << " / " << c.title;
    if (c.kind) {
      EXPECT_EQ(BannerSnapshot().renderWnd, wnd);
    }
  }
}

TEST_F(DiscoveryTest, ProbeOverridesEnumeratedFamily) {
  fake::ResetDesktop();
  win32::Wnd main = fake::AddWindow("ALT-DVB 2.2", win32::Rect{0, 0, 1280, 1024});
  fake::AddWindow("ActiveMovie Window", win32::Rect{0, 0, 1280, 1024}, main);
  SetChannel("BBC One");
  SetScreenForProbe(1280, 1024);
  EXPECT_EQ(Enumerate(), 101);
  EXPECT_EQ(EPtry(), 1);
  EXPECT_EQ(HostKind(), 100);
}

TEST_F(DiscoveryTest, ProbeMissKeepsPreviousValues) {
  fake::ResetDesktop();
  SetScreenForProbe(1280, 1024);
  win32::Wnd old = fake::AddWindow("x", win32::Rect{0, 0, 1, 1});
  WithBannerState([&](BannerState& s) { s.hostKind = 101; s.renderWnd = old; });
  SetChannel("BBC One");
  fake::AddWindow("Something else", win32::Rect{0, 0, 1280, 1024});
  EXPECT_EQ(EPtry(), -1);
  EXPECT_EQ(HostKind(), 101);
  EXPECT_EQ(BannerSnapshot().renderWnd, old);
}

// A window of one pixel at each candidate point tells which points are
// probed: the centre, then x = 200..1200 by y = 200..1000, row by row.
TEST_F(DiscoveryTest, ThirtyPointGridAfterCentre) {
  fake::ResetDesktop();
  SetChannel("BBC One");
  SetScreenForProbe(1280, 1024);
  std::vector<std::pair<int, int>> points;
  for (int y = 200; y < 1024; y += 200)
    for (int x = 200; x < 1280; x += 200) points.push_back({x, y});
  ASSERT_EQ(points.size(), 30u);
  // Placing the video window at each grid point in turn, the probe finds it;
  // one pixel beside the grid, it does not.
  for (auto [x, y] : points) {
    fake::ResetDesktop();
    win32::Wnd video = fake::AddWindow("DvbVideoGraph", win32::Rect{x, y, x + 1, y + 1});
    EXPECT_EQ(EPtry(), 1) << x << "," << y;
    EXPECT_EQ(BannerSnapshot().renderWnd, video);
    fake::ResetDesktop();
    fake::AddWindow("DvbVideoGraph", win32::Rect{x + 1, y + 1, x + 2, y + 2});
    EXPECT_EQ(EPtry(), -1) << x + 1 << "," << y + 1;
  }
  fake::ResetDesktop();
  fake::AddWindow("DvbVideoGraph", win32::Rect{640, 512, 641, 513});
  EXPECT_EQ(EPtry(), 1) << "the centre";
  fake::ResetDesktop();
  fake::AddWindow("DvbVideoGraph", win32::Rect{1200, 1000, 1280, 1024});
  EXPECT_EQ(EPtry(), 1) << "the last grid point";
  fake::ResetDesktop();
  fake::AddWindow("DvbVideoGraph", win32::Rect{1201, 1001, 1280, 1024});
  EXPECT_EQ(EPtry(), -1) << "past the last grid point";
}

TEST_F(DiscoveryTest, ChannelChangeRunsBothAndSetsFamily) {
  fake::ResetDesktop();
  fake::ResetUi();
  BannerTest::SetUp();  // panels back, host window "ProgDVB 6.5"
  Arm();
  Change("BBC One");
  EXPECT_EQ(HostKind(), 102);
  settings.videownd = 1;
  fake::AddWindow("DvbVideoGraph", win32::Rect{0, 0, 1280, 1000}, hostWnd_);
  Change("BBC One");
  EXPECT_EQ(HostKind(), 101);
}

}  // namespace
