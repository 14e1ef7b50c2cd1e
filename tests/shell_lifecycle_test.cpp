// Attach, detach and the shell exports against the fake desktop and runtime.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "banner/banner.h"
#include "common/channel_record.h"
#include "common/plugin_state.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/fakes/fake_ui_runtime.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"
#include "shell/exports.h"
#include "shell/lifecycle.h"
#include "tests/support/plugin_fixture.h"

using testing_support::WriteFile;

namespace {

// An 18-line settings file with the given style and alpha.
std::string IniWith(int style, int alpha, const std::string& font = "Verdana") {
  std::string s = " 3.0\r\n" + std::to_string(style) +
                  "\r\n0\r\n16777215\r\n1\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n" +
                  std::to_string(alpha) + "\r\n0\r\n0\r\n65535\r\n1\r\n" + font + "\r\n";
  return s;
}

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& c : fake::UiCalls())
    if (c.rfind(prefix, 0) == 0) out.push_back(c);
  return out;
}

using LifecycleTest = PluginTest;

TEST_F(LifecycleTest, LoadsTheFourPanelsInOrderAndHidesThem) {
  ASSERT_EQ(Load(), 1);
  EXPECT_EQ(CallsStartingWith("LoadPanelEx"),
            (std::vector<std::string>{"LoadPanelEx(4)", "LoadPanelEx(3)", "LoadPanelEx(1)",
                                      "LoadPanelEx(2)"}));
  for (int p : {panels.banner.load(), panels.settings.load(), panels.about.load(),
                panels.epg.load()}) {
    EXPECT_TRUE(fake::PanelLoaded(p));
    EXPECT_FALSE(fake::PanelVisible(p));
  }
  EXPECT_EQ(fake::CtrlText(panels.about, panel::kAboutVersion), "Tavik 2_01");
  EXPECT_TRUE(fake::MessageBoxes().empty());
  EXPECT_EQ(testing_support::ReadFile(dir_ + "\\tavik.log"), "");  // no log of a good start
}

// The one "Tavik error" box of a failed start, and tavik.log holding its text.
std::string OnlyErrorBox() {
  auto boxes = fake::MessageBoxes();
  EXPECT_EQ(boxes.size(), 1u);
  if (boxes.empty()) return "";
  EXPECT_EQ(boxes[0].second, "Tavik error");
  return boxes[0].first;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(LifecycleTest, MissingPanelFileShowsTheMessageAndFailsTheLoad) {
  EXPECT_EQ(Load(/*withPanelFile=*/false), 0);
  std::string box = OnlyErrorBox();
  EXPECT_TRUE(Has(box, "its panel file tavik.uir was not found")) << box;
  EXPECT_TRUE(Has(box, "\n\n" + dir_ + "\n\n")) << box;  // the folder it looked in
  EXPECT_TRUE(Has(box, "kept in " + dir_ + "\\tavik.log")) << box;
  EXPECT_TRUE(Has(testing_support::ReadFile(dir_ + "\\tavik.log"),
                  "tavik.uir was not found (or could not be opened) in its folder:\r\n"));
  EXPECT_TRUE(CallsStartingWith("LoadPanelEx").empty());
  EXPECT_TRUE(fake::TimersSet().empty());
}

TEST_F(LifecycleTest, RuntimeThatWillNotStartSaysSo) {
  fake::SetInitFails(true);
  EXPECT_EQ(Load(), 0);
  EXPECT_TRUE(Has(OnlyErrorBox(), "Windows would not make one of its windows (its window "
                                  "classes)"));
  EXPECT_TRUE(fake::TimersSet().empty());
}

TEST_F(LifecycleTest, ModuleFolderTooLongFailsTheLoadWithoutCuttingPaths) {
  // Fits the 256-byte folder buffer, but not with "\tavik.ini" after it; the
  // log goes to the temp folder when the folder cannot take it.
  std::string longDir = dir_ + "/absent/";
  longDir += std::string(250 - longDir.size(), 'd');
  fake::SetModuleDir(longDir);
  fake::SetTempDir(dir_ + "/");
  EXPECT_EQ(Attach(nullptr), 0);
  auto debug = fake::DebugStrings();
  EXPECT_TRUE(std::any_of(debug.begin(), debug.end(), [](const std::string& s) {
    return s.find("too long") != std::string::npos;
  }));
  std::string box = OnlyErrorBox();
  EXPECT_TRUE(Has(box, "the path of its folder is too long (250 characters; at most 245 fit)"))
      << box;
  EXPECT_TRUE(Has(box, longDir)) << box;
  EXPECT_TRUE(Has(box, "kept in " + dir_ + "/tavik.log")) << box;
  EXPECT_TRUE(Has(testing_support::ReadFile(dir_ + "/tavik.log"), "is too long"));
  EXPECT_EQ(panels.banner, kNoPanel);
  EXPECT_EQ(Detach(), 1);  // a detach after the failed attach is harmless
}

TEST_F(LifecycleTest, AWindowRefusedFailsTheLoadAndSaysWhich) {
  fake::SetWindowFails(panel::kSettingsId);
  EXPECT_EQ(Load(), 0);
  EXPECT_TRUE(Has(OnlyErrorBox(), "would not make one of its windows (cannot create the "
                                  "window of panel 3)"));
  EXPECT_EQ(panels.banner, kNoPanel);
  EXPECT_TRUE(fake::TimersSet().empty());
}

TEST_F(LifecycleTest, NoTimerIsToldButTheLoadStands) {
  // 99999 s: a period of 1999980 ms, over the longest the timer takes.
  std::string ini = IniWith(1, 255);
  WriteFile(dir_ + "\\tavik.ini", "99999.0" + ini.substr(ini.find("\r\n")));
  ASSERT_EQ(Load(), 1);
  EXPECT_TRUE(Has(OnlyErrorBox(), "without its timer: Windows would not start a timer of "
                                  "1999980 ms"));
  EXPECT_TRUE(fake::TimersSet().empty());
}

TEST_F(LifecycleTest, AlphaDecidesTheLayeredBanner) {
  struct Case {
    int alpha;
    bool layered;
    int opacity;
  } const cases[] = {{249, true, 249}, {250, false, 0}, {99, true, 255}, {100, true, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alpha);
    testing_support::ResetEverything();
    fake::SetModuleDir(dir_);
    WriteFile(dir_ + "\\tavik.ini", IniWith(1, c.alpha));
    ASSERT_EQ(Load(), 1);
    win32::Wnd banner = fake::PanelWindow(panels.banner);
    auto calls = fake::LayeredCalls();
    EXPECT_EQ((fake::WindowExStyle(banner) & win32::kWsExLayered) != 0, c.layered);
    ASSERT_EQ(calls.size(), c.layered ? 1u : 0u);
    if (c.layered) {
      EXPECT_EQ(calls[0].wnd, banner);
      EXPECT_EQ(calls[0].alpha, c.opacity);
      EXPECT_EQ(calls[0].colorKey, 0u);
      EXPECT_EQ(calls[0].flags, win32::kLwaAlpha);
    }
    Unload();
  }
}

TEST_F(LifecycleTest, NoLayeredWindowsLeavesTheBannerOpaque) {
  WriteFile(dir_ + "\\tavik.ini", IniWith(1, 200));
  fake::SetLayeredAvailable(false);
  ASSERT_EQ(Load(), 1);
  EXPECT_EQ(fake::WindowExStyle(fake::PanelWindow(panels.banner)) & win32::kWsExLayered, 0);
}

TEST_F(LifecycleTest, BannerHeightFollowsTheStyle) {
  const int expected[] = {60, 90, 120, 90, 90, 90};  // style 5: the default style's
  for (int style = 0; style <= 5; ++style) {
    SCOPED_TRACE(style);
    testing_support::ResetEverything();
    fake::SetModuleDir(dir_);
    WriteFile(dir_ + "\\tavik.ini", IniWith(style, 255));
    ASSERT_EQ(Load(), 1);
    EXPECT_EQ(settings.bannerHeight, expected[style]);
    Unload();
  }
}

TEST_F(LifecycleTest, TimerRunsAtAFiftiethOfTheDisplayTime) {
  WriteFile(dir_ + "\\tavik.ini", IniWith(1, 255));
  ASSERT_EQ(Load(), 1);
  auto timers = fake::TimersSet();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].delay, 60u);
  EXPECT_EQ(timers[0].resolution, 100u);
  // Periodic, and killed synchronously so no tick outlives the library.
  EXPECT_EQ(timers[0].flags, win32::kTimePeriodic | win32::kTimeKillSynchronous);
  EXPECT_EQ(TimerPeriodFor(3000), 60u);
  EXPECT_EQ(TimerPeriodFor(49), 1u);  // the timer refuses 0 ms
  Unload();
  EXPECT_EQ(fake::TimersKilled(), std::vector<uint32_t>{timers[0].id});
  EXPECT_FALSE(fake::FireTimer(timers[0].id));
}

// Idle, the timer slows to kIdlePeriodMs (keys P and O still polled); once
// the banner counts again it is back at a fiftieth of the display time, and
// Unload kills whichever timer is running.
TEST_F(LifecycleTest, TimerSlowsWhileIdleAndSpeedsUpForTheBanner) {
  WriteFile(dir_ + "\\tavik.ini", IniWith(1, 255));
  ASSERT_EQ(Load(), 1);
  EXPECT_EQ(IdlePeriodFor(3000), 90u);
  EXPECT_EQ(IdlePeriodFor(6000), 120u);  // never faster than the banner's own period
  ASSERT_EQ(fake::TimersSet().size(), 1u);
  const uint32_t first = fake::TimersSet()[0].id;
  ASSERT_TRUE(fake::FireTimer(first));  // idle after load
  auto timers = fake::TimersSet();
  ASSERT_EQ(timers.size(), 2u);
  EXPECT_EQ(timers[1].delay, 90u);
  EXPECT_EQ(timers[1].flags, win32::kTimePeriodic | win32::kTimeKillSynchronous);
  EXPECT_EQ(fake::TimersKilled(), std::vector<uint32_t>{first});
  ASSERT_TRUE(fake::FireTimer(timers[1].id));  // still idle: no new timer
  EXPECT_EQ(fake::TimersSet().size(), 2u);

  host::TProgram82 chan = {};
  std::memcpy(chan.bytes, "Harbour TV", 10);
  On_Channel_Change(chan);  // the first change starts the countdown
  ASSERT_TRUE(fake::FireTimer(timers[1].id));
  timers = fake::TimersSet();
  ASSERT_EQ(timers.size(), 3u);
  EXPECT_EQ(timers[2].delay, 60u);
  Unload();
  EXPECT_EQ(fake::TimersKilled(), (std::vector<uint32_t>{first, timers[1].id, timers[2].id}));
  EXPECT_FALSE(fake::FireTimer(timers[2].id));
}

TEST_F(LifecycleTest, SharedStateIsZeroAfterLoad) {
  eitState = 5;
  ASSERT_EQ(Load(), 1);
  EXPECT_EQ(eitState, 0);
  EXPECT_EQ(HostKind(), 0);
}

TEST_F(LifecycleTest, StopFilterOnceAtExitAndNotAgainAtDetach) {
  AddHostWindow();
  ASSERT_EQ(Load(), 1);
  auto stops = [] {
    int n = 0;
    for (const fake::SentMessage& m : fake::SentMessages())
      if (m.msg == host::kWmUser && m.wparam == host::kCmdStopFilter) ++n;
    return n;
  };
  On_Exit(nullptr, nullptr, 0);  // no filter running: nothing sent
  EXPECT_EQ(stops(), 0);
  eitState = 1;  // as after a filter start
  On_Exit(nullptr, nullptr, 0);
  EXPECT_EQ(stops(), 1);
  EXPECT_EQ(eitState, 0);
  EXPECT_EQ(panels.banner, kNoPanel);
  Unload();
  EXPECT_EQ(stops(), 1);
}

TEST_F(LifecycleTest, TicksAfterExitFindNoBannerAndDoNoHarm) {
  ASSERT_EQ(Load(), 1);
  int banner = panels.banner;
  On_Exit(nullptr, nullptr, 0);
  EXPECT_FALSE(fake::PanelLoaded(banner));
  fake::PressKey('P');
  fake::ClearUiCalls();
  fake::ClearRecords();
  EXPECT_TRUE(fake::FireTimer(fake::TimersSet()[0].id));
  EXPECT_TRUE(fake::PanelLoaded(panels.settings));
  // Key P found no banner: not one runtime call, window move or focus change.
  EXPECT_EQ(fake::UiCalls(), std::vector<std::string>{});
  EXPECT_TRUE(fake::WindowPositions().empty());
  EXPECT_TRUE(fake::FocusCalls().empty());
}

TEST_F(LifecycleTest, DetachAfterPartialAttachLeavesMissingPanelsAlone) {
  // A panel file without the EPG panel: the first three load, the fourth fails.
  std::string uir = testing_support::ReadFile(testing_support::SourcePath("src/resources/tavik.uir"));
  WriteFile(dir_ + "\\tavik.uir", uir.substr(0, uir.find("panel 2 ")));
  EXPECT_EQ(Attach(nullptr), 0);
  EXPECT_EQ(CallsStartingWith("LoadPanelEx").size(), 4u);
  EXPECT_EQ(CallsStartingWith("DiscardPanel").size(), 3u);
  EXPECT_EQ(panels.banner, kNoPanel);
  EXPECT_TRUE(fake::TimersSet().empty());
  EXPECT_EQ(Detach(), 1);  // the system's detach after the failed attach
  EXPECT_EQ(CallsStartingWith("DiscardPanel").size(), 3u);
}

TEST_F(LifecycleTest, SendsItsName) {
  char name[16];
  std::memset(name, 'x', sizeof name);
  On_Send_Dll_ID_Name(name);
  EXPECT_STREQ(name, "Tavik");
  EXPECT_EQ(name[6], 'x');  // nothing written past the NUL
}

TEST_F(LifecycleTest, StartKeepsTheHostWindowAndId) {
  int dummy = 0;
  On_Start(nullptr, reinterpret_cast<win32::Wnd>(0x1234), 1, 42, nullptr, nullptr, &dummy);
  EXPECT_EQ(hostLink.hostWnd, reinterpret_cast<win32::Wnd>(0x1234));
  EXPECT_EQ(hostLink.pluginId, 42);
  EXPECT_EQ(dummy, 0);
}

struct MenuCase {
  unsigned id;
  const char* title;
  const char* button;
  int x, y, w, h;
};

TEST_F(LifecycleTest, EachMenuItemShowsItsPanelTopmostUntilItsButtonIsPressed) {
  ASSERT_EQ(Load(), 1);
  // A new install shows the schedule in the EPG panel, which makes it as tall
  // as the panel file has it; without the schedule it is 420 x 420.
  ASSERT_EQ(settings.schedule, 1);
  const MenuCase cases[] = {{44454, "Settings", "SAVE", 50, 50, 300, 400},
                            {44455, "About", "OK", 400, 50, 300, 330},
                            {44456, "EPG", "EPGOK", 50, 50, 420, 690},
                            {0, "EPG without the schedule", "EPGOK", 50, 50, 420, 420}};
  for (const MenuCase& c : cases) {
    SCOPED_TRACE(c.title);
    const unsigned id = c.id != 0 ? c.id : 44456;
    if (c.id == 0) settings.schedule = 0;
    int panelHandle = id == 44454 ? panels.settings : id == 44455 ? panels.about : panels.epg;
    fake::ClearRecords();
    bool shownWhileLooping = false;
    fake::QueueUiAction([&] {
      shownWhileLooping = fake::PanelVisible(panelHandle);
      fake::PressButton(panelHandle, c.button);
    });
    int quitsBefore = fake::QuitCount();
    On_Menu_Select(id);
    EXPECT_TRUE(shownWhileLooping);
    EXPECT_EQ(fake::ActivePanel(), panelHandle);
    auto pos = fake::WindowPositions();
    ASSERT_EQ(pos.size(), 1u);
    EXPECT_EQ(pos[0].wnd, fake::PanelWindow(panelHandle));
    EXPECT_EQ(pos[0].insertAfter, win32::kHwndTopmost);
    EXPECT_EQ(pos[0].x, c.x);
    EXPECT_EQ(pos[0].y, c.y);
    EXPECT_EQ(pos[0].cx, c.w);
    EXPECT_EQ(pos[0].cy, c.h);
    EXPECT_EQ(pos[0].flags, win32::kSwpShowWindow);
    EXPECT_EQ(fake::QuitCount(), quitsBefore + 1);
    if (id != 44454) EXPECT_FALSE(fake::PanelVisible(panelHandle));
  }
}

TEST_F(LifecycleTest, OtherMenuIdsDoNothing) {
  ASSERT_EQ(Load(), 1);
  fake::ClearUiCalls();
  fake::ClearRecords();
  On_Menu_Select(0);
  On_Menu_Select(44457);
  EXPECT_TRUE(fake::UiCalls().empty());
  EXPECT_TRUE(fake::WindowPositions().empty());
}

TEST_F(LifecycleTest, ButtonsIgnoreEventsOtherThanCommit) {
  ASSERT_EQ(Load(), 1);
  ui::DisplayPanel(panels.about);
  EXPECT_EQ(fake::PressButton(panels.about, "OK", 2), 0);
  EXPECT_TRUE(fake::PanelVisible(panels.about));
  EXPECT_EQ(fake::PressButton(panels.about, "OK", 1), 0);
  EXPECT_FALSE(fake::PanelVisible(panels.about));
}

// The host's menu used again while a panel's loop runs: the second call
// returns at once without a loop of its own, the other panel takes the open
// one's place, and the first call's loop ends when that panel is closed.
TEST_F(LifecycleTest, MenuChosenAgainDuringALoopNeverNestsLoops) {
  ASSERT_EQ(Load(), 1);
  int loopsInside = -1;
  bool aboutShown = false, settingsHidden = false;
  fake::QueueUiAction([&] {
    int loopsBefore = fake::RunLoopCount();
    On_Menu_Select(44455);  // About, from inside the settings panel's loop
    loopsInside = fake::RunLoopCount() - loopsBefore;
    aboutShown = fake::PanelVisible(panels.about);
    settingsHidden = !fake::PanelVisible(panels.settings);
    On_Menu_Select(44455);  // the same item again: still one panel
  });
  fake::QueueUiAction([&] { fake::PressButton(panels.about, "OK"); });
  On_Menu_Select(44454);
  EXPECT_EQ(loopsInside, 0);
  EXPECT_TRUE(aboutShown);
  EXPECT_TRUE(settingsHidden);
  EXPECT_FALSE(fake::PanelVisible(panels.about));
  EXPECT_FALSE(fake::PanelVisible(panels.settings));
}

// A quit meant for another panel (the EPG panel that key O opened) does not
// end the settings panel's loop; hiding the panel by any means does.
TEST_F(LifecycleTest, MenuLoopRunsUntilItsOwnPanelIsClosed) {
  ASSERT_EQ(Load(), 1);
  bool stillLooping = false;
  fake::QueueUiAction([&] {
    ui::DisplayPanel(panels.epg);
    fake::PressButton(panels.epg, "EPGOK");  // hides the EPG panel and quits
  });
  fake::QueueUiAction([&] { stillLooping = fake::PanelVisible(panels.settings); });
  fake::QueueUiAction([&] { ui::HidePanel(panels.settings); });  // e.g. its close box
  int loopsBefore = fake::RunLoopCount();
  On_Menu_Select(44454);
  EXPECT_TRUE(stillLooping);
  EXPECT_EQ(fake::RunLoopCount() - loopsBefore, 2);  // the loop ran again after the quit
  EXPECT_FALSE(fake::PanelVisible(panels.settings));
}

// On_Exit from inside a panel's loop gives the host its menu call back.
TEST_F(LifecycleTest, ExitDuringAMenuLoopEndsIt) {
  ASSERT_EQ(Load(), 1);
  fake::QueueUiAction([] { On_Exit(nullptr, nullptr, 0); });
  fake::QueueUiAction([] { FAIL() << "the loop ran on after On_Exit"; });
  On_Menu_Select(44455);
  EXPECT_FALSE(fake::PanelVisible(panels.about));
}

// A panel file whose button names no known callback, or whose dialog panel
// lacks its closing button, fails the load: no panel nobody can close.
TEST_F(LifecycleTest, PanelFileWithoutAWayOutFailsTheLoad) {
  const std::string good = testing_support::ReadFile(testing_support::SourcePath("src/resources/tavik.uir"));
  struct Case {
    const char* what;
    const char* from;
    const char* to;
  } cases[] = {{"unknown callback", "callback OK\n", "callback OKAY\n"},
               {"no closing button", "callback EPGOK", "callback OK"},
               {"no save button", "callback SAVE", "callback FONT"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::ResetEverything();
    fake::SetModuleDir(dir_);
    std::string text = good;
    size_t at = text.find(c.from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::strlen(c.from), c.to);
    WriteFile(dir_ + "\\tavik.uir", text);
    EXPECT_EQ(Attach(nullptr), 0);
    for (int p : {panels.banner.load(), panels.settings.load(), panels.about.load(),
                  panels.epg.load()})
      EXPECT_FALSE(fake::PanelLoaded(p));
    EXPECT_TRUE(fake::TimersSet().empty());
  }
}

// Windows of the host (or of another program) that carry our panels' titles
// are never moved, shown or made translucent: ours are known by handle.
TEST_F(LifecycleTest, WindowsWithOurTitlesThatAreNotOursAreNeverTouched) {
  std::vector<win32::Wnd> decoys;
  for (const char* title : {"Tavik", "EPG", "Settings", "About"})
    decoys.push_back(fake::AddWindow(title, win32::Rect{5, 5, 105, 105}));
  fake::SetWindowProcess(decoys[0], fake::kOtherProcess);  // another viewer's banner
  WriteFile(dir_ + "\\tavik.ini", IniWith(1, 200));
  ASSERT_EQ(Load(), 1);
  auto tick = [] { fake::FireTimer(fake::TimersSet().back().id); };
  for (int i = 0; i < 2; ++i) {  // the first change only arms the banner
    On_Channel_Change(hostkit::MakeRecord("BBC One", 11778000, 18, 0x1234, 0));
    for (int t = 0; t < 6; ++t) tick();
  }
  fake::PressKey('P');
  fake::PressKey('O');
  tick();
  for (unsigned id : {44454u, 44455u, 44456u}) {
    fake::QueueUiAction([id] {
      fake::PressButton(id == 44454u ? panels.settings : id == 44455u ? panels.about : panels.epg,
                        id == 44454u ? "SAVE" : id == 44455u ? "OK" : "EPGOK");
    });
    On_Menu_Select(id);
  }
  std::vector<win32::Wnd> placed;
  for (const fake::WindowPos& p : fake::WindowPositions()) placed.push_back(p.wnd);
  for (win32::Wnd ours : {fake::PanelWindow(panels.banner), fake::PanelWindow(panels.epg),
                          fake::PanelWindow(panels.settings), fake::PanelWindow(panels.about)})
    EXPECT_NE(std::find(placed.begin(), placed.end(), ours), placed.end());
  for (win32::Wnd decoy : decoys) {
    EXPECT_EQ(std::find(placed.begin(), placed.end(), decoy), placed.end())
        << fake::WindowTitle(decoy);
    EXPECT_EQ(fake::WindowExStyle(decoy), 0) << fake::WindowTitle(decoy);
  }
  ASSERT_EQ(fake::LayeredCalls().size(), 1u);
  EXPECT_EQ(fake::LayeredCalls()[0].wnd, fake::PanelWindow(panels.banner));
}

// Keys typed before the load are forgotten, and a timer that could not be set
// at the load is set at the next channel change; the load itself succeeds.
TEST_F(LifecycleTest, KeyBeforeLoadIsForgottenAndAFailedTimerIsSetAtTheNextChange) {
  fake::PressKey('P');
  fake::PressKey('O');
  fake::FailTimers(1);
  ASSERT_EQ(Load(), 1);
  EXPECT_TRUE(fake::TimersSet().empty());
  On_Channel_Change(hostkit::MakeRecord("BBC One", 11778000, 18, 0x1234, 0));
  ASSERT_EQ(fake::TimersSet().size(), 1u);
  On_Channel_Change(hostkit::MakeRecord("BBC Two", 11778000, 18, 0x1234, 0));
  EXPECT_EQ(fake::TimersSet().size(), 1u) << "one timer, not one per change";
  fake::FireTimer(fake::TimersSet()[0].id);
  EXPECT_FALSE(fake::PanelVisible(panels.epg));
  EXPECT_TRUE(CallsStartingWith("DisplayPanel(" + std::to_string(panels.epg.load())).empty());
}

// Keys P and O that come up in a window of the host's thread act at once,
// without a tick; a key-up with no press since the last reading (a tick took
// it) does nothing; in another program's window nothing; unloaded, no hook.
TEST_F(LifecycleTest, KeysComingUpOnTheHostsThreadActAtOnce) {
  ASSERT_EQ(Load(), 1);
  win32::Wnd host = fake::AddWindow("Host", win32::Rect{0, 0, 640, 480});
  EXPECT_FALSE(fake::HostThreadTakesKeyUp('O'));  // the hook comes with On_Start
  On_Start(nullptr, host, 0, 7, nullptr, nullptr, nullptr);
  fake::SetForeground(host);
  fake::PressKey('O');
  ASSERT_TRUE(fake::HostThreadTakesKeyUp('O'));
  EXPECT_TRUE(fake::PanelVisible(panels.epg));
  fake::PressKey('P');
  fake::HostThreadTakesKeyUp('X');
  EXPECT_FALSE(fake::PanelVisible(panels.banner));
  fake::HostThreadTakesKeyUp('P');
  EXPECT_TRUE(fake::PanelVisible(panels.banner));
  const std::string showBanner = "DisplayPanel(" + std::to_string(panels.banner.load());
  const size_t shown = CallsStartingWith(showBanner).size();
  fake::HostThreadTakesKeyUp('P');
  win32::Wnd editor = fake::AddWindow("Editor", win32::Rect{0, 0, 640, 480});
  fake::SetWindowProcess(editor, fake::kOtherProcess);
  fake::SetForeground(editor);
  fake::PressKey('P');
  fake::HostThreadTakesKeyUp('P');
  EXPECT_EQ(CallsStartingWith(showBanner).size(), shown);
  Unload();
  EXPECT_FALSE(fake::HostThreadTakesKeyUp('O'));
}

}  // namespace
