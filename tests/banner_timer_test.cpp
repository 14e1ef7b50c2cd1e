// The timer routine: the first countdown and the post-start key, tick
// thresholds after a channel change and the two keys, slide widths, hiding,
// focus hand-back and cursor parking.
#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/banner_fixture.h"
#include "guide/schedule.h"
#include "tests/support/guide_sections.h"

namespace {

using TimerTest = BannerTest;

int TicksUntilHidden(int limit = 200) {
  for (int i = 1; i <= limit; ++i) {
    BannerTest::Tick();
    if (BannerSnapshot().bannerActive == 0) return i;
  }
  return -1;
}

TEST_F(TimerTest, PostStartKeyAfterFiveTicks) {
  const struct { int32_t postkey; bool sent; uint8_t vk; } kCases[] = {
      {13, false, 0}, {32, false, 0}, {33, true, 33}, {122, true, 122}, {300, true, 44}};
  for (auto c : kCases) {
    SetUp();
    settings.postkey = c.postkey;
    Change("BBC One");
    Tick(4);
    EXPECT_TRUE(fake::KeyEvents().empty());
    Tick(1);
    auto keys = fake::KeyEvents();
    ASSERT_EQ(keys.size(), c.sent ? 1u : 0u) << c.postkey;
    if (c.sent) {
      EXPECT_EQ(keys[0].vk, c.vk);
      EXPECT_EQ(keys[0].scan, 0);
      EXPECT_EQ(keys[0].flags, 0x101u);
      EXPECT_EQ(keys[0].extra, 0u);
    }
    BannerState s = BannerSnapshot();
    EXPECT_EQ(s.bannerArmed, 1);
    EXPECT_EQ(s.bannerActive, 0);
    EXPECT_FALSE(BannerVisible());
    Tick(100);  // never sent again
    EXPECT_EQ(fake::KeyEvents().size(), c.sent ? 1u : 0u);
    Change("BBC Two");
    EXPECT_TRUE(BannerVisible()) << "the next change shows the banner";
  }
}

TEST_F(TimerTest, KeyDuringCountdownKeepsBannerUnarmed) {
  settings.postkey = 122;
  Change("BBC One");
  Tick(3);
  fake::PressKey(0x50);
  Tick(1);  // key P: counting from 10, the countdown is passed over
  Tick(10);
  EXPECT_EQ(BannerSnapshot().bannerArmed, 0);
  EXPECT_TRUE(fake::KeyEvents().empty());
}

TEST_F(TimerTest, HideTickAfterEachTrigger) {
  // Ticks from the trigger to the tick that hides.
  struct Case { const char* trigger; int hiddenAt; };
  const Case kCases[] = {{"change", 51}, {"P", 41}, {"O", 46}};
  for (const Case& c : kCases) {
    SetUp();
    Arm();
    std::string t = c.trigger;
    if (t == "change") {
      Change("BBC One");
    } else {
      fake::PressKey(t == "P" ? 0x50 : 0x4F);
      Tick();  // the tick that sees the key counts too
    }
    int more = TicksUntilHidden();
    EXPECT_EQ(more + (t == "change" ? 0 : 1), c.hiddenAt) << t;
  }
}

TEST_F(TimerTest, CompleteLinesRestartDisplayTime) {
  settings.epgon = 1;
  Arm();
  Change("BBC One");
  ASSERT_EQ(eitState.load(), 1);
  Tick(29);
  eitState = 7;  // both lines decoded
  Tick();        // tick 30 puts them on the banner
  EXPECT_EQ(eitState.load(), 8);
  EXPECT_EQ(BannerSnapshot().tickCount, 0);
  EXPECT_EQ(TicksUntilHidden(), 51);
}

TEST_F(TimerTest, LinesWaitWhileEpgOff) {
  settings.epgon = 0;
  Arm();
  Change("BBC One");
  eitState = 7;
  Tick();
  EXPECT_EQ(eitState.load(), 7);
  EXPECT_EQ(TicksUntilHidden(), 50);
}

TEST_F(TimerTest, KeyPShowsBannerAtStoredArea) {
  Arm();
  Change("BBC One");
  TicksUntilHidden();
  fake::ClearRecords();
  fake::SetClock(21, 5, 0);
  fake::PressKey(0x50);
  Tick();
  EXPECT_TRUE(BannerVisible());
  auto placed = BannerPlacements();
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].x, 30);
  EXPECT_EQ(placed[0].y, 894);
  EXPECT_EQ(placed[0].cx, 1220);
  EXPECT_EQ(Text(panel::kClock), "21:05");
  EXPECT_EQ(Text(panel::kChannelName), "BBC One");
  EXPECT_EQ(BannerSnapshot().tickCount, 11);
}

TEST_F(TimerTest, KeyPBeforeAnyAreaUsesScreen) {
  fake::PressKey(0x50);
  Tick();
  auto placed = BannerPlacements();
  ASSERT_EQ(placed.size(), 1u);
  EXPECT_EQ(placed[0].cx, 1220);
  EXPECT_EQ(placed[0].y, 894);
}

// A key held over polls does nothing, also when let go; a tap that one poll
// finds down acts when the next finds it up.
TEST_F(TimerTest, HeldKeyDoesNothing) {
  Arm();
  fake::HoldKey(0x50);
  fake::HoldKey(0x4F);
  Tick(3);
  fake::ReleaseKey(0x50);
  fake::ReleaseKey(0x4F);
  Tick();
  EXPECT_FALSE(BannerVisible());
  EXPECT_FALSE(fake::PanelVisible(panels.epg));
  EXPECT_EQ(BannerSnapshot().bannerActive, 0);
  fake::HoldKey(0x50);
  Tick();
  EXPECT_FALSE(BannerVisible());
  fake::ReleaseKey(0x50);
  Tick();
  EXPECT_TRUE(BannerVisible());
}

TEST_F(TimerTest, KeyOOpensEpgPanelAndHidesIt) {
  Arm();
  Change("BBC One");
  TicksUntilHidden();
  fake::ClearRecords();
  fake::PressKey(0x4F);
  Tick();
  const int epg = panels.epg;
  EXPECT_TRUE(fake::PanelVisible(epg));
  EXPECT_FALSE(BannerVisible()) << "key O does not show the banner";
  EXPECT_EQ(fake::CtrlText(epg, panel::kEpgChannel), "BBC One");
  bool placed = false;
  for (const fake::WindowPos& p : fake::WindowPositions()) {
    if (p.wnd != fake::PanelWindow(epg)) continue;
    placed = true;
    EXPECT_EQ(p.insertAfter, win32::kHwndTopmost);
    EXPECT_EQ(p.x, 50);
    EXPECT_EQ(p.y, 50);
    EXPECT_EQ(p.cx, 420);
    EXPECT_EQ(p.cy, 420);
    EXPECT_EQ(p.flags, win32::kSwpShowWindow);
  }
  EXPECT_TRUE(placed);
  EXPECT_NE(fake::ActivePanel(), epg);
  TicksUntilHidden();
  EXPECT_FALSE(fake::PanelVisible(epg));
  EXPECT_EQ(BannerSnapshot().epgShown, 0);
}

TEST_F(TimerTest, SlideWidths) {
  settings.slideout = 1;
  Arm();
  Change("BBC One");
  Tick(45);
  fake::ClearRecords();
  Tick(5);
  std::vector<int> widths;
  for (const fake::WindowPos& p : BannerPlacements()) {
    widths.push_back(p.cx);
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.y, 894);
    EXPECT_EQ(p.flags, win32::kSwpShowWindow);
  }
  EXPECT_EQ(widths, (std::vector<int>{976, 732, 488, 244, 0}));
  EXPECT_TRUE(BannerVisible());
  // Tick 51 takes a sixth step (a width below zero, placed as zero), then hides.
  fake::ClearRecords();
  Tick();
  ASSERT_EQ(BannerPlacements().size(), 1u);
  EXPECT_EQ(BannerPlacements()[0].cx, 0);
  EXPECT_FALSE(BannerVisible());
}

TEST_F(TimerTest, NoSlideWithoutSlideout) {
  settings.slideout = 0;
  Arm();
  Change("BBC One");
  fake::ClearRecords();
  Tick(51);
  EXPECT_TRUE(BannerPlacements().empty());
  EXPECT_FALSE(BannerVisible());
}

TEST_F(TimerTest, SlideAfterKeyOGoesPastStepFiveAtZeroWidth) {
  settings.slideout = 1;
  Arm();
  Change("BBC One");
  TicksUntilHidden();  // slideStep is now 6 and is not reset by hiding
  EXPECT_EQ(BannerSnapshot().slideStep, 6);
  fake::PressKey(0x4F);
  Tick();
  fake::ClearRecords();
  Tick(45);  // ticks 7 to 51: steps 7 to 12 at ticks 46 to 51
  EXPECT_EQ(BannerSnapshot().bannerActive, 0);
  auto placed = BannerPlacements();
  EXPECT_EQ(placed.size(), 6u);
  for (const fake::WindowPos& p : placed) EXPECT_EQ(p.cx, 0);
  EXPECT_EQ(BannerSnapshot().slideStep, 12);
}

TEST_F(TimerTest, CursorParkedOnlyForAltDvb) {
  struct Case { const char* host; int32_t parkcursor; bool parked; };
  const Case kCases[] = {{"ALT-DVB 2.2", 1, true}, {"ALT-DVB 2.2", 0, false},
                         {"ProgDVB 6.5", 1, false}, {"SkyView", 1, false}};
  for (const Case& c : kCases) {
    SetUp();
    fake::SetWindowTitle(hostWnd_, c.host);
    settings.parkcursor = c.parkcursor;
    Arm();
    Change("BBC One");
    TicksUntilHidden();
    auto moves = fake::CursorMoves();
    ASSERT_EQ(moves.size(), c.parked ? 1u : 0u) << c.host;
    if (c.parked) {
      EXPECT_EQ(moves[0], std::make_pair(640, 1024));
    }
  }
}

TEST_F(TimerTest, FocusHandedBackWhenHidden) {
  Arm();
  Change("BBC One");
  fake::ClearRecords();
  TicksUntilHidden();
  ASSERT_EQ(fake::FocusCalls().size(), 1u);
  EXPECT_EQ(fake::FocusCalls()[0], hostWnd_);
  EXPECT_EQ(fake::ForegroundCalls().size(), 1u);
}

// The timer's thread never sets the focus itself (Windows refuses it there):
// the thread that owns the host's window does, when its messages run.
TEST_F(TimerTest, FocusHandedBackOnTheThreadOfTheHostWindow) {
  Arm();
  Change("BBC One");
  fake::ClearRecords();
  std::thread timerThread([] { TicksUntilHidden(); });
  timerThread.join();
  EXPECT_FALSE(BannerVisible());
  EXPECT_TRUE(fake::FocusCalls().empty());
  EXPECT_TRUE(fake::ForegroundCalls().empty());
  EXPECT_EQ(fake::RunPostedCalls(), 1);  // the host's thread, here the test's own
  ASSERT_EQ(fake::FocusCalls(), std::vector<win32::Wnd>{hostWnd_});
  EXPECT_EQ(fake::FocusThreads(), std::vector<uint32_t>{fake::CurrentThread()});
  EXPECT_EQ(fake::ForegroundThreads(), std::vector<uint32_t>{fake::CurrentThread()});
}

// Keys P and O typed into another program are forgotten, not acted on there
// or later; in front again, the viewer's keys work.
TEST_F(TimerTest, KeysActOnlyWhileTheViewerIsInFront) {
  Arm();
  win32::Wnd editor = fake::AddWindow("Editor", win32::Rect{0, 0, 640, 480});
  fake::SetWindowProcess(editor, fake::kOtherProcess);
  fake::SetForeground(editor);
  fake::PressKey(0x50);
  fake::PressKey(0x4F);
  Tick(3);
  fake::SetForeground(hostWnd_);
  Tick(3);
  EXPECT_FALSE(BannerVisible());
  EXPECT_FALSE(fake::PanelVisible(panels.epg));
  fake::SetForeground(fake::PanelWindow(panels.epg));  // one of our panels in front
  fake::PressKey(0x50);
  Tick();
  EXPECT_TRUE(BannerVisible());
}

// A user typing in one of our menu panels keeps the keyboard when the banner
// hides behind it.
TEST_F(TimerTest, NoFocusHandBackWhileAMenuPanelIsOpen) {
  Arm();
  Change("BBC One");
  fake::ClearRecords();
  panels.menuOpen = panels.epg.load();
  TicksUntilHidden();
  panels.menuOpen = kNoPanel;
  EXPECT_TRUE(fake::FocusCalls().empty());
  EXPECT_TRUE(fake::ForegroundCalls().empty());
  EXPECT_FALSE(fake::PanelVisible(bannerPanel_));
}

TEST_F(TimerTest, ChangeWhileShownRestartsDisplayTime) {
  settings.slideout = 1;
  Arm();
  Change("BBC One");
  Tick(47);
  Change("BBC Two");
  BannerState s = BannerSnapshot();
  EXPECT_EQ(s.tickCount, 0);
  EXPECT_EQ(s.slideStep, 0);
  EXPECT_EQ(BannerPlacements().back().cx, 1220);
  EXPECT_EQ(TicksUntilHidden(), 51);
}

TEST_F(TimerTest, TicksAfterBannerPanelDiscardedDoNothing) {
  Arm();
  Change("BBC One");
  ui::DiscardPanel(panels.banner);
  panels.banner = kNoPanel;
  fake::ClearRecords();
  fake::ClearUiCalls();
  fake::PressKey(0x50);
  Tick(60);
  EXPECT_TRUE(fake::UiCalls().empty());
  EXPECT_TRUE(fake::WindowPositions().empty());
  EXPECT_TRUE(fake::FocusCalls().empty());
}

// The timer keeps ticking while the host thread changes channels: the state
// group stays consistent (run under TSan for races).
TEST_F(TimerTest, TicksDuringChannelChanges) {
  settings.slideout = 1;
  Arm();
  std::atomic<bool> done{false};
  std::atomic<int> ticks{0};
  std::thread timer([&] {
    while (!done) {
      Tick();
      ++ticks;
    }
  });
  // Ticks run between every two changes; every tenth change waits out 46-50
  // ticks, so that slides, and now and then the hide, race the next change.
  const auto waitTicks = [&](int count) {
    for (int start = ticks; ticks - start < count;) std::this_thread::yield();
  };
  for (int i = 0; i < 300; ++i) {
    Change(i % 2 ? "BBC One" : "BBC Two");
    waitTicks(i % 10 == 9 ? 46 + (i / 10) % 5 : 1);
  }
  done = true;
  timer.join();
  // Whatever the interleaving, the banner was only ever placed at one of its
  // slide widths (full to none), on the banner's own row; the slides did happen.
  const int kWidths[] = {1220, 976, 732, 488, 244, 0};
  int slides = 0;
  const std::vector<fake::WindowPos> placements = BannerPlacements();
  ASSERT_GE(placements.size(), 300u);
  for (const fake::WindowPos& p : placements) {
    EXPECT_NE(std::find(std::begin(kWidths), std::end(kWidths), p.cx), std::end(kWidths))
        << p.cx;
    EXPECT_EQ(p.y + p.cy, placements.front().y + placements.front().cy);
    slides += p.cx != 1220;
  }
  EXPECT_GE(slides, 30);
  // The last change's banner is shown in full and counts again from the start.
  Change("BBC Three");
  EXPECT_TRUE(BannerVisible());
  EXPECT_EQ(BannerPlacements().back().cx, 1220);
  EXPECT_EQ(TicksUntilHidden(), 51);
}

// The programme's progress (tavik.ini line 23): elapsed percent rounded
// down, whole minutes left, nothing without a duration or with a PC clock an
// hour or more away from the programme.
TEST(ProgressTest, FiguresAndPlace) {
  struct Case {
    int64_t now;
    int32_t duration;
    bool shown;
    int percent, minutes;
  } const cases[] = {
      {600, 2400, true, 25, 30},      {0, 2400, true, 0, 40},
      {2399, 2400, true, 99, 0},      {2459, 2400, true, 100, 0},
      {-3600, 2400, true, 0, 40},     {-3601, 2400, false, 0, 0},
      {2400 + 3601, 2400, false, 0, 0}, {600, 0, false, 0, 0},
      {100, 59, true, 100, 0},
  };
  for (const Case& c : cases) {
    const ProgrammeProgress p = ProgressAt(1000000, c.duration, 1000000 + c.now);
    EXPECT_EQ(p.shown, c.shown) << c.now << " " << c.duration;
    if (!c.shown) continue;
    EXPECT_EQ(p.percent, c.percent) << c.now;
    EXPECT_EQ(p.minutesLeft, c.minutes) << c.now;
  }
  // Beside the present line, ending before the detail block, leaving the
  // line its room; a banner too narrow for both shows none.
  for (int32_t width : {1280, 720, 640}) {
    const ProgressPlace p = PlaceProgress(width, 48, 16, 14);
    ASSERT_TRUE(p.fits) << width;
    EXPECT_LE(p.labelLeft + p.labelWidth, width - 165 - 6) << width;
    EXPECT_LE(p.barLeft + p.barWidth, p.labelLeft - 6) << width;
    EXPECT_GE(p.barLeft, 110 + 140) << width;
    EXPECT_GT(p.barTop, 48);
    EXPECT_LT(p.barTop + p.barHeight, 48 + 16);
    EXPECT_EQ(p.labelTop, 48);
  }
  // The lowest present line (style 0): the bar still has a fill inside its
  // 2-px edge and margin, and stays within the line.
  const ProgressPlace low = PlaceProgress(1280, 30, 11, 9);
  EXPECT_GE(low.barHeight - 4, 2);
  EXPECT_GE(low.barTop, 30);
  EXPECT_LE(low.barTop + low.barHeight, 30 + 11);
  EXPECT_FALSE(PlaceProgress(320, 48, 16, 14).fits);
  EXPECT_FALSE(PlaceProgress(500, 70, 21, 18).fits);
}

TEST_F(TimerTest, ProgressFollowsThePresentEventWhileShown) {
  settings.epgon = 1;
  settings.progress = 1;
  Arm();
  Change("BBC One");  // service 0x1234
  sections::Section present;  // 2021-08-10 20:15 UTC, 1 h 30 min
  present.descriptors = sections::ShortEvent(sections::Text("News"), sections::Text(""));
  const int64_t start = (int64_t(present.mjd) - 40587) * 86400 + 20 * 3600 + 15 * 60;
  fake::SetUtcNow(start + 10 * 60 + 30);
  const sections::Bytes units = sections::Units(present);
  OnDataArrival(1, static_cast<int>(units.size()), units.data());
  Tick();
  EXPECT_EQ(Attr(panel::kProgressBar, ui::kAttrVisible), 1);
  EXPECT_EQ(fake::CtrlInt(bannerPanel_, panel::kProgressBar), 11);
  EXPECT_EQ(Text(panel::kProgressLabel), "+79 min");
  // Unchanged figures change nothing on the banner.
  fake::ClearUiCalls();
  Tick(3);
  EXPECT_TRUE(fake::UiCalls().empty());
  fake::SetUtcNow(start + 89 * 60 + 59);
  Tick();
  EXPECT_EQ(fake::CtrlInt(bannerPanel_, panel::kProgressBar), 99);
  EXPECT_EQ(Text(panel::kProgressLabel), "+0 min");
  // A channel change hides it at once; progress 0 keeps it hidden.
  Change("BBC Two", 11778000, 18, 0x4321);
  EXPECT_EQ(Attr(panel::kProgressBar, ui::kAttrVisible), 0);
  EXPECT_EQ(Attr(panel::kProgressLabel, ui::kAttrVisible), 0);
  Change("BBC One");
  OnDataArrival(1, static_cast<int>(units.size()), units.data());
  settings.progress = 0;
  fake::ClearUiCalls();
  Tick(3);
  EXPECT_TRUE(fake::UiCalls().empty());
  EXPECT_EQ(Attr(panel::kProgressBar, ui::kAttrVisible), 0);
}

// The present programme's age and marks (tavik.ini line 25): one label per
// mark its own descriptors give, in order, left of the progress bar; none for
// a programme without components and rating; a narrow room keeps the first.
TEST_F(TimerTest, MarksShowThePresentEventsOwnDescriptors) {
  settings.epgon = settings.progress = settings.schedule = settings.marks = 1;
  Arm();
  Change("BBC One");
  sections::Section present;
  present.descriptors = sections::ShortEvent(sections::Text("Film"), sections::Text(""));
  present.descriptors.insert(present.descriptors.end(),
                             {0x50, 6, 0xF5, 0x0B, 1, 'd', 'e', 'u',   // H.264 HD 16:9
                              0x50, 6, 0xF2, 0x47, 2, 'd', 'e', 'u',   // audio description
                              0x55, 4, 'D', 'E', 'U', 0x09});          // 12+
  fake::SetUtcNow((int64_t(present.mjd) - 40587) * 86400 + 20 * 3600 + 30 * 60);
  auto deliver = [&] {
    const sections::Bytes units = sections::Units(present);
    OnDataArrival(1, static_cast<int>(units.size()), units.data());
    Tick();
  };
  deliver();
  const char* want[] = {"12+", "HD", "16:9", "AD"};
  int right = 0;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Text(panel::kFirstMark + i), want[i]);
    EXPECT_EQ(Attr(panel::kFirstMark + i, ui::kAttrVisible), 1);
    EXPECT_GT(Attr(panel::kFirstMark + i, ui::kAttrLeft), right);
    right = Attr(panel::kFirstMark + i, ui::kAttrLeft) + Attr(panel::kFirstMark + i, ui::kAttrWidth);
  }
  EXPECT_LT(right, Attr(panel::kProgressBar, ui::kAttrLeft));
  EXPECT_NE(Attr(panel::kFirstMark + 4, ui::kAttrVisible), 1);
  Change("BBC Two", 11778000, 18, 0x4321);  // its present event has neither
  present.serviceId = 0x4321;
  present.descriptors = sections::ShortEvent(sections::Text("News"), sections::Text(""));
  deliver();
  EXPECT_EQ(Attr(panel::kProgressBar, ui::kAttrVisible), 1);
  for (int i = 0; i < panel::kMarkLabels; ++i)
    EXPECT_NE(Attr(panel::kFirstMark + i, ui::kAttrVisible), 1) << i;
  const int widths[] = {30, 30, 30};
  int lefts[3] = {};
  EXPECT_EQ(PlaceMarks(widths, 3, 500, 410, lefts), 2);
  EXPECT_EQ(lefts[1], 470);
  EXPECT_EQ(PlaceMarks(widths, 3, 420, 410, lefts), 0);
  guide::ReleaseSchedule();  // the next test starts with an empty store
}

// The schedule (tavik.ini line 22) in the EPG panel opened by key O: the
// tuned channel's events from the one running, the panel as tall as the file
// has it, a chosen row's detail in the text box, and a list that follows the
// stream (a new event appears, an ended one goes) keeping the chosen event.
TEST_F(TimerTest, EpgScheduleFollowsTheStreamKeepingTheChosenRow) {
  settings.epgon = 1;
  settings.schedule = 1;
  Arm();
  Change("BBC One");  // service 0x1234
  const uint16_t mjd = 0xE82C;  // 2021-08-10
  const int64_t day = (int64_t(mjd) - 40587) * 86400;
  auto feed = [](uint8_t number, uint16_t id, uint16_t onMjd, uint8_t hour, uint8_t minute,
                 const char* name, uint8_t genre = 0) {
    sections::Section s;
    s.tableId = 0x50;  // the schedule, actual transport stream
    s.sectionNumber = number;
    s.eventId = id;
    s.mjd = onMjd;
    s.hour = hour;
    s.minute = minute;
    s.descriptors = sections::ShortEvent(sections::Text(name), sections::Text("About it"));
    if (genre != 0) s.descriptors.insert(s.descriptors.end(), {0x54, 2, genre, 0});
    const sections::Bytes units = sections::Units(s);
    OnDataArrival(1, static_cast<int>(units.size()), units.data());
  };
  fake::SetUtcNow(day + 20 * 3600 + 30 * 60);  // 20:30
  feed(1, 0x102, mjd, 0x21, 0x45, "Middle", 0x43);  // sports: the group's colour
  feed(2, 0x103, mjd, 0x23, 0x15, "Late");
  TicksUntilHidden();
  fake::PressKey(0x4F);
  Tick();
  const int epg = panels.epg;
  // No event runs yet: the text box keeps the present text. The running one
  // comes while the panel is open: the box shows it, title first.
  EXPECT_EQ(fake::CtrlText(epg, panel::kEpgText).find("Middle"), std::string::npos);
  feed(0, 0x101, mjd, 0x20, 0x15, "Early");     // 20:15-21:45, running
  fake::SetUtcNow(day + 20 * 3600 + 30 * 60 + 1);
  Tick();
  ASSERT_TRUE(fake::PanelVisible(epg));
  EXPECT_EQ(fake::CtrlAttr(epg, panel::kEpgSchedule, ui::kAttrVisible), 1);
  EXPECT_EQ(fake::WindowPositions().back().cy, 690);
  const std::vector<std::string> rows = fake::ListRows(epg, panel::kEpgSchedule);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "20:15 Early");
  EXPECT_EQ(rows[1], "21:45 Middle");
  EXPECT_EQ(rows[2], "23:15 Late");
  int colours[3] = {};  // the row text stays as it was; the genre is the row's colour
  for (int i = 0; i < 3; ++i) ui::GetListItemColour(epg, panel::kEpgSchedule, i, &colours[i]);
  EXPECT_EQ(colours[0], ui::kNoRowColour);
  EXPECT_EQ(colours[1], 0x1E7B34);
  EXPECT_EQ(colours[2], ui::kNoRowColour);
  EXPECT_EQ(fake::ListIndex(epg, panel::kEpgSchedule), -1);
  EXPECT_EQ(fake::CtrlText(epg, panel::kEpgText).rfind("Early\n20:15 - ", 0), 0u);
  // The user chooses row 1: the runtime selects it and calls the list's callback.
  ASSERT_EQ(ui::SetCtrlIndex(epg, panel::kEpgSchedule, 1), 0);
  EXPECT_EQ(EPGROW(epg, panel::kEpgSchedule, ui::kEventCommit, nullptr, 0, 0), 0);
  EXPECT_NE(fake::CtrlText(epg, panel::kEpgText).find("Middle"), std::string::npos);
  EXPECT_NE(fake::CtrlText(epg, panel::kEpgText).find("About it"), std::string::npos);
  // A new event, the next day: it appears, "Middle" stays chosen.
  feed(3, 0x104, mjd + 1, 0x00, 0x45, "Night");
  fake::SetUtcNow(day + 20 * 3600 + 31 * 60);
  Tick();
  ASSERT_EQ(fake::ListRows(epg, panel::kEpgSchedule).size(), 4u);
  EXPECT_EQ(fake::ListRows(epg, panel::kEpgSchedule)[3].rfind("Wed 11.08. 00:45 Night", 0), 0u);
  EXPECT_EQ(fake::ListIndex(epg, panel::kEpgSchedule), 1);
  // "Early" ends: it goes, and "Middle", now first, is still the one chosen.
  fake::SetUtcNow(day + 21 * 3600 + 50 * 60);
  Tick();
  ASSERT_EQ(fake::ListRows(epg, panel::kEpgSchedule).size(), 3u);
  EXPECT_EQ(fake::ListRows(epg, panel::kEpgSchedule)[0], "21:45 Middle");
  EXPECT_EQ(fake::ListIndex(epg, panel::kEpgSchedule), 0);
  EXPECT_NE(fake::CtrlText(epg, panel::kEpgText).find("Middle"), std::string::npos);
}

}  // namespace
