// Channel change: countdown, short names, layout and placement (on the
// viewer's monitor, at the chosen place), the banner's size, title
// diagnostic, logo fallback, programme-line restart and focus hand-back.
#include "tests/banner_fixture.h"

namespace {

using ChangeTest = BannerTest;

TEST_F(ChangeTest, FirstChangeOnlyStartsTheCountdown) {
  Change("BBC One");
  EXPECT_FALSE(BannerVisible());
  EXPECT_TRUE(BannerPlacements().empty());
  BannerState s = BannerSnapshot();
  EXPECT_EQ(s.bannerActive, 1);
  EXPECT_EQ(s.bannerArmed, 0);
  // The record is saved all the same.
  char name[32];
  CopyCurrentChannelName(name, sizeof name);
  EXPECT_STREQ(name, "BBC One");
}

TEST_F(ChangeTest, ChangeBeforeCountdownEndsRestartsIt) {
  Change("One");
  Tick(4);
  Change("Two");  // restarts the countdown: still nothing shown
  Tick(4);
  EXPECT_EQ(BannerSnapshot().bannerArmed, 0);
  EXPECT_FALSE(BannerVisible());
  Tick(1);
  EXPECT_EQ(BannerSnapshot().bannerArmed, 1);
  Change("Three");
  EXPECT_TRUE(BannerVisible());
  EXPECT_EQ(Text(panel::kChannelName), "Three");
}

TEST_F(ChangeTest, OneCharacterNameSavesRecordButKeepsBannerTime) {
  Arm();
  Change("Shown");
  Tick(20);
  fake::ClearUiCalls();
  Change("X");
  char name[8];
  CopyCurrentChannelName(name, sizeof name);
  EXPECT_STREQ(name, "X");
  EXPECT_EQ(BannerSnapshot().tickCount, 20);  // display time not restarted
  EXPECT_TRUE(fake::UiCalls().empty());
  EXPECT_EQ(Text(panel::kChannelName), "Shown");
}

TEST_F(ChangeTest, FullScreenLayoutWithStyleOne) {
  Arm();
  Change("BBC One");
  auto placed = BannerPlacements();
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].insertAfter, win32::kHwndTopmost);
  EXPECT_EQ(placed[0].x, 30);
  EXPECT_EQ(placed[0].y, 894);
  EXPECT_EQ(placed[0].cx, 1220);
  EXPECT_EQ(placed[0].cy, 90);
  EXPECT_EQ(placed[0].flags, win32::kSwpShowWindow);
  EXPECT_TRUE(BannerVisible());

  struct { int control, left; } kLefts[] = {
      {panel::kDetailBox, 1115}, {panel::kLevelMeter, 1123}, {panel::kQualityMeter, 1153},
      {panel::kCaLed, 1183},     {panel::kClock, 1130},      {panel::kFrequency, 1120},
      {panel::kPolarisation, 1165}, {panel::kCaText, 1187},
  };
  for (auto c : kLefts) EXPECT_EQ(Attr(c.control, ui::kAttrLeft), c.left) << c.control;
  EXPECT_EQ(Text(panel::kClock), "12:34");
}

TEST_F(ChangeTest, JustificationMovesTheTextLines) {
  struct Case { int justify, screenWidth, left; };
  const Case kCases[] = {{16, 1280, 1090}, {32, 1024, 472}, {32, 1281, 600}};
  for (const Case& c : kCases) {
    SetUp();
    Arm();
    fake::SetScreen(c.screenWidth, 768);
    settings.justify = c.justify;
    Change("Sky News");
    for (int control : {panel::kNowLine, panel::kNextLine})
      EXPECT_EQ(Attr(control, ui::kAttrLeft), c.left) << "justify " << c.justify;
    EXPECT_EQ(Attr(panel::kChannelName, ui::kAttrLeft), c.left);
    EXPECT_EQ(Text(panel::kChannelName), "Sky News");  // blanked, then named
  }
}

TEST_F(ChangeTest, LeftJustifiedLinesKeepPanelFilePositions) {
  const int before = Attr(panel::kNowLine, ui::kAttrLeft);
  Arm();
  settings.justify = 0;
  Change("Sky News");
  EXPECT_EQ(Attr(panel::kNowLine, ui::kAttrLeft), before);
}

TEST_F(ChangeTest, TitleDiagnosticShowsWindowUnderCentre) {
  Arm();
  fake::AddWindow("A window title that is longer than thirty-one",
                  win32::Rect{600, 500, 700, 600});
  settings.titlemode = -2;
  settings.epgon = 1;
  Change("BBC One");
  EXPECT_EQ(Text(panel::kNextLine), "A window title that is longer t");
  EXPECT_NE(Text(panel::kChannelName), "BBC One");
  EXPECT_EQ(eitState.load(), 0);  // no filter started
  for (const fake::SentMessage& m : fake::SentMessages()) EXPECT_NE(m.msg, host::kWmUser);
  EXPECT_EQ(Text(panel::kClock), "12:34");
  EXPECT_EQ(BannerSnapshot().bannerActive, 1);
}

// The channel's own .jpg, its own .png, the logo pack's .png and .jpg, in
// that order; the first that exists decides.
TEST_F(ChangeTest, LogoOrFallbackPicture) {
  for (const char* file : {"BBC One.jpg", "bbcone.png", "Arte.png", "arte.jpg",
                           "canalplussport.png", "ct1hd.jpg", "skysport12.png", "broken.png"})
    fake::AddImageFile(std::string(kIconDir) + file);
  fake::AddBrokenImageFile(std::string(kIconDir) + "Broken.jpg");
  struct Case { const char* name; std::string shown; };
  const Case kCases[] = {
      {"BBC One", std::string(kIconDir) + "BBC One.jpg"},
      {"Arte", std::string(kIconDir) + "Arte.png"},
      {"Canal+ Sport", std::string(kIconDir) + "canalplussport.png"},
      {"\xC4\x8CT1 HD", std::string(kIconDir) + "ct1hd.jpg"},   // UTF-8
      {"Sky Sport 1/2", std::string(kIconDir) + "skysport12.png"},  // no file of its own name
      {"Broken", std::string(kIconDir) + "0.jpg"},  // there, but cannot be shown
      {"No Logo", std::string(kIconDir) + "0.jpg"},
      {"A/B", std::string(kIconDir) + "0.jpg"},
      {"..\\..\\x", std::string(kIconDir) + "0.jpg"},
      {"Wh?t", std::string(kIconDir) + "0.jpg"},
  };
  Arm();
  for (const Case& c : kCases) {
    Change(c.name);
    EXPECT_EQ(fake::CtrlImage(bannerPanel_, panel::kLogo), c.shown) << c.name;
  }
}

// A channel whose logo and fallback both fail (a decoder failing for a
// moment) shows no picture, never the previous channel's logo; the next
// change tries its logo again.
TEST_F(ChangeTest, NoPictureRatherThanThePreviousChannelsLogo) {
  fake::AddImageFile(std::string(kIconDir) + "BBC One.jpg");
  Arm();
  Change("BBC One");
  CopyText(paths.iconDir, sizeof paths.iconDir, "/failing/");
  Change("No Logo");
  EXPECT_EQ(fake::CtrlImage(bannerPanel_, panel::kLogo), "");
  CopyText(paths.iconDir, sizeof paths.iconDir, kIconDir);
  Change("BBC One");
  EXPECT_EQ(fake::CtrlImage(bannerPanel_, panel::kLogo), std::string(kIconDir) + "BBC One.jpg");
}

TEST_F(ChangeTest, LogoPathThatDoesNotFitFallsBack) {
  // 200-character logo directory + 80-character name > 255 characters.
  std::string dir = "/" + std::string(198, 'd') + "/";
  CopyText(paths.iconDir, sizeof paths.iconDir, dir.c_str());
  fake::AddImageFile(dir + "0.jpg");
  const std::string name(80, 'n');
  fake::AddImageFile(dir + name + ".jpg");
  Arm();
  Change(name.c_str());
  EXPECT_EQ(fake::CtrlImage(bannerPanel_, panel::kLogo), dir + "0.jpg");
  int attempts = 0;
  for (const std::string& call : fake::UiCalls())
    if (call.rfind("DisplayImageFile", 0) == 0) ++attempts;
  EXPECT_EQ(attempts, 1) << "only the fallback is tried, never a cut path";
}

TEST_F(ChangeTest, FallbackThatDoesNotFitShowsNothing) {
  std::string dir = "/" + std::string(300, 'd') + "/";
  CopyText(paths.iconDir, sizeof paths.iconDir, dir.c_str());
  Arm();
  Change("BBC One");
  for (const std::string& call : fake::UiCalls())
    EXPECT_EQ(call.find("DisplayImageFile"), std::string::npos) << call;
}

TEST_F(ChangeTest, ProgrammeLinesByEpgon) {
  Arm();
  settings.epgon = 0;
  ui::SetCtrlVal(bannerPanel_, panel::kNowLine, "old");
  Change("BBC One");
  EXPECT_EQ(Text(panel::kNowLine), " ");
  EXPECT_EQ(Text(panel::kNextLine), " ");

  settings.epgon = 2;  // neither: the lines keep their texts
  ui::SetCtrlVal(bannerPanel_, panel::kNowLine, "kept");
  Change("BBC Two");
  EXPECT_EQ(Text(panel::kNowLine), "kept");
}

TEST_F(ChangeTest, EpgonStartsFilterOnceAndEmptiesLines) {
  Arm();
  settings.epgon = 1;
  Change("BBC One");
  EXPECT_EQ(eitState.load(), 1);
  Change("BBC Two");
  EXPECT_EQ(eitState.load(), 1);
  int starts = 0;
  for (const fake::SentMessage& m : fake::SentMessages())
    if (m.msg == host::kWmUser && m.wparam == host::kCmdStartFilter) ++starts;
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(Text(panel::kNowLine), "");
  EXPECT_EQ(Text(panel::kNextLine), "");
}

TEST_F(ChangeTest, FocusGoesBackToRecognisedHost) {
  Arm();
  Change("BBC One");
  ASSERT_EQ(fake::FocusCalls().size(), 1u);
  EXPECT_EQ(fake::FocusCalls()[0], hostWnd_);
  EXPECT_EQ(fake::ForegroundCalls().size(), 1u);
}

TEST_F(ChangeTest, NoFocusWithoutHost) {
  fake::SetWindowTitle(hostWnd_, "Some editor");
  Arm();
  Change("BBC One");
  EXPECT_TRUE(fake::FocusCalls().empty());
  EXPECT_TRUE(BannerVisible());
}

TEST_F(ChangeTest, VideoAreaGivesBannerRectangle) {
  fake::AddWindow("ActiveMovie Window", win32::Rect{100, 50, 900, 650}, hostWnd_);
  settings.videownd = 1;
  Arm();
  Change("BBC One");
  auto placed = BannerPlacements();
  ASSERT_FALSE(placed.empty());
  EXPECT_EQ(placed.back().x, 130);
  EXPECT_EQ(placed.back().y, 650 - 130);
  EXPECT_EQ(placed.back().cx, 740);
}

TEST_F(ChangeTest, NoVideoWindowEverFoundUsesScreen) {
  settings.videownd = 1;
  Arm();
  Change("BBC One");
  auto placed = BannerPlacements();
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].x, 30);
  EXPECT_EQ(placed[0].y, 894);
  EXPECT_EQ(placed[0].cx, 1220);
}

TEST_F(ChangeTest, ProbeFailureKeepsPreviousArea) {
  win32::Wnd video = fake::AddWindow("ActiveMovie Window", win32::Rect{100, 50, 900, 650},
                                     hostWnd_);
  settings.videownd = 1;
  Arm();
  Change("BBC One");
  fake::RemoveWindow(video);
  fake::ClearRecords();
  Change("BBC Two");
  auto placed = BannerPlacements();
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].x, 130);
  EXPECT_EQ(placed[0].cx, 740);
}

TEST_F(ChangeTest, SizeSettingScalesTheBannerAndItsLayout) {
  // Setting, screen height, DPI: the percent the panel is drawn at, and the
  // banner's rectangle on a 1280-pixel-wide screen (style 1: 90 high, margins
  // 30 at the sides and 40 below, each grown by the factor).
  struct Case {
    int setting, screenHeight, dpi, percent;
  } const kCases[] = {
      {0, 1024, 96, 100},    {100, 1024, 96, 100}, {150, 1024, 96, 150},
      {300, 1024, 96, 300},  {450, 1024, 96, 300}, {50, 1024, 96, 100},
      {-1, 1024, 96, 100},   {-1, 1080, 96, 100},  {-1, 1440, 96, 150},
      {-1, 2160, 96, 200},   {-1, 1024, 144, 150}, {-1, 2160, 192, 200},
      {-1, 768, 120, 125},   {-1, 4320, 96, 300},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.setting << " " << c.screenHeight << " " << c.dpi);
    SetUp();
    fake::SetScreen(1280, c.screenHeight);
    fake::SetDpi(c.dpi);
    settings.scale = c.setting;
    Arm();
    Change("BBC One");
    // At 100 % the panel is never told a size: every call stays as it was.
    EXPECT_EQ(fake::PanelAttr(bannerPanel_, ui::kAttrScale),
              c.percent == 100 ? -999999 : c.percent);
    auto placed = BannerPlacements();
    ASSERT_EQ(placed.size(), 1u);
    auto px = [&](int v) { return (v * c.percent + 50) / 100; };  // to the nearest pixel
    const int side = px(30), height = px(90);
    EXPECT_EQ(placed[0].x, side);
    EXPECT_EQ(placed[0].cx, 1280 - 2 * side);
    EXPECT_EQ(placed[0].cy, height);
    EXPECT_EQ(placed[0].y, c.screenHeight - height - px(40));
    // The detail block is laid out in the panel file's pixels for the width
    // the banner has at that size.
    EXPECT_EQ(Attr(panel::kDetailBox, ui::kAttrLeft), 1280 * 100 / c.percent - 165);
  }
}

// A banner too narrow for its name (a size other than 0): the detail block
// goes, then the logo (the lines take its left edge), then the name shrinks;
// over the whole screen again all is back. Size 0 touches none of it.
TEST_F(ChangeTest, NarrowBannerLeavesOutWhatMattersLeastBeforeTheName) {
  constexpr int kUnset = kUnsetAttr;
  struct Case {  // the name 22 (styles 0, 3), 40 (1) or 60 (2) px, lines 18 in style 3
    int scale, videoWidth, style, block, logo, linesLeft, shownSize, level;
  } const kCases[] = {
      {100, 1280, 1, kUnset, kUnset, 110, 40, 0}, {100, 520, 1, 0, kUnset, 110, 40, 1},
      {-1, 320, 1, 0, 0, 12, 40, 2},              {100, 320, 2, 0, 0, 12, 40, 2},
      {200, 640, 0, 0, kUnset, 110, 22, 1},       {0, 320, 2, kUnset, kUnset, 110, 60, 0},
      {100, 320, 3, 0, 0, 12, 22, 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.scale << " " << c.videoWidth << " " << c.style);
    SetUp();
    fake::AddWindow("ActiveMovie Window", win32::Rect{0, 0, c.videoWidth, 600}, hostWnd_);
    settings.videownd = 1;
    settings.scale = c.scale;
    settings.showsignal = 1;
    settings.style = c.style;
    ApplyStyle();
    Arm();
    for (bool narrowed : {true, false}) {
      Change("Harbour TV");
      const bool back = !narrowed && c.block == 0;
      for (int control : {panel::kDetailBox, panel::kClock, panel::kCaLed})
        EXPECT_EQ(Attr(control, ui::kAttrVisible), back ? 1 : c.block) << control;
      EXPECT_EQ(Attr(panel::kLogo, ui::kAttrVisible), narrowed || c.logo == kUnset ? c.logo : 1);
      EXPECT_EQ(Attr(panel::kNextLine, ui::kAttrLeft), narrowed ? c.linesLeft : 110);
      EXPECT_EQ(Attr(panel::kChannelName, ui::kAttrTextPointSize),
                narrowed ? c.shownSize : NameSizeForStyle(c.style));
      EXPECT_EQ(BannerSnapshot().narrowLevel, narrowed ? c.level : 0);
      settings.videownd = 0;  // the next change: over the whole screen
    }
  }
}

// Two monitors, the viewer on the second (a TV right of the PC's screen): the
// banner goes over that monitor, whether it does not follow the video or no
// video window was found, and the automatic size measures that monitor.
TEST_F(ChangeTest, BannerOnTheMonitorThatHoldsTheViewer) {
  for (int videownd : {0, 1}) {
    SCOPED_TRACE(videownd);
    SetUp();
    fake::AddMonitor(win32::Rect{0, 0, 1280, 1024});
    fake::AddMonitor(win32::Rect{1280, -200, 1280 + 3840, -200 + 2160});
    win32::Rect onTv = {1400, 100, 3000, 1000};
    fake::RemoveWindow(hostWnd_);
    hostWnd_ = fake::AddWindow(hostTitle_, onTv);
    hostLink.hostWnd = hostWnd_;
    settings.videownd = videownd;
    settings.scale = -1;
    Arm();
    Change("BBC One");
    auto placed = BannerPlacements();
    ASSERT_EQ(placed.size(), 1u);
    // 2160 lines: 200 %, so margins of 60 and 80 and a banner 180 high.
    EXPECT_EQ(fake::PanelAttr(bannerPanel_, ui::kAttrScale), 200);
    EXPECT_EQ(placed[0].x, 1280 + 60);
    EXPECT_EQ(placed[0].cx, 3840 - 120);
    EXPECT_EQ(placed[0].cy, 180);
    EXPECT_EQ(placed[0].y, -200 + 2160 - 180 - 80);
  }
}

// tavik.ini line 24 on a 1280 x 1024 screen, banner 90 high: 0 at the bottom,
// 1 at the top, 2 to 95 the lower edge that many percent up (never above the
// top), anything else as 0. A slide-out step keeps the height it was given.
TEST_F(ChangeTest, PlaceMovesTheBannerUpTheArea) {
  struct Case {
    int place, scale, y;
  } const kCases[] = {{0, 0, 894},   {1, 0, 40},   {1, 200, 80},  {2, 0, 1024 - 20 - 90},
                      {30, 0, 627},  {95, 0, 0},   {96, 0, 894},  {-1, 0, 894}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "place " << c.place << " scale " << c.scale);
    SetUp();
    settings.place = c.place;
    settings.scale = c.scale;
    settings.slideout = 1;
    Arm();
    Change("BBC One");
    Tick(46);  // the first slide-out step
    auto placed = BannerPlacements();
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0].y, c.y);
    EXPECT_EQ(placed[1].y, c.y);
    EXPECT_LT(placed[1].cx, placed[0].cx);
  }
}

TEST_F(ChangeTest, BackToFullSizeTellsThePanel) {
  settings.scale = 200;
  Arm();
  Change("BBC One");
  EXPECT_EQ(fake::PanelAttr(bannerPanel_, ui::kAttrScale), 200);
  settings.scale = 0;
  Change("BBC Two");
  EXPECT_EQ(fake::PanelAttr(bannerPanel_, ui::kAttrScale), 100);
  EXPECT_EQ(BannerPlacements().back().cy, 90);
}

}  // namespace
