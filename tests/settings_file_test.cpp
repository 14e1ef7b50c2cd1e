// Reading and writing tavik.ini: positions, conversions, the display-time and
// colour rules, hostile files, and saves that must never lose the old file.
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/fakes/fake_desktop.h"
#include "runtime/ui_codes.h"
#include "settings/settings_internal.h"
#include "tests/support/settings_fixture.h"

namespace {

std::vector<int32_t> Snapshot() {
  const Settings& s = settings;
  return {s.showtime,   s.style,     s.backcolor, s.textcolor, s.epgon,    s.showsignal,
          s.showdetails, s.videownd, s.parkcursor, s.timeshift, s.titlemode, s.postkey,
          s.alpha,      s.justify,   s.epgtext,   s.epgcolor,  s.slideout, s.bannerHeight};
}

// The first start without a file, saved unchanged.
std::string ZeroFile() {
  std::string text = " 0.0\r\n";
  for (int i = 0; i < 16; ++i) text += "0\r\n";
  return text + "\r\n";
}

using SettingsFileTest = SettingsTest;

// ---- Reading ----

TEST_F(SettingsFileTest, ExampleFileFillsSettingsPanelAndBanner) {
  LoadWith(kExampleIni);
  EXPECT_EQ(Snapshot(), (std::vector<int32_t>{3000, 1, 0, 0xFFFFFF, 1, 1, 1, 1, 0, 0, 0, 0,
                                              255, 0, 0, 0x00FFFF, 1, 90}));
  EXPECT_STREQ(settings.fontname, "Verdana");
  EXPECT_DOUBLE_EQ(fake::CtrlDouble(Panel(), panel::kSetShowtime), 3.0);
  const std::pair<int, int> shown[] = {
      {panel::kSetStyle, 1},     {panel::kSetBackcolor, 0},   {panel::kSetTextcolor, 0xFFFFFF},
      {panel::kSetEpgon, 1},     {panel::kSetVideownd, 1},    {panel::kSetAlpha, 255},
      {panel::kSetEpgcolor, 0x00FFFF}, {panel::kSetSlideout, 1}};
  for (auto [control, value] : shown) EXPECT_EQ(fake::CtrlInt(Panel(), control), value) << control;
  EXPECT_EQ(fake::PanelAttr(Banner(), ui::kAttrBackColor), 0);
  EXPECT_EQ(fake::CtrlAttr(Banner(), panel::kNowLine, ui::kAttrTextColor), 0x00FFFF);
  EXPECT_EQ(fake::CtrlAttrText(Banner(), panel::kChannelName, ui::kAttrTextFont), "Verdana");
}

TEST_F(SettingsFileTest, LfOnlyLineEndsReadLikeCrLf) {
  std::string lf = kExampleIni;
  for (size_t at; (at = lf.find('\r')) != std::string::npos;) lf.erase(at, 1);
  LoadWith(lf.c_str());
  auto fromLf = Snapshot();
  std::string fontLf = settings.fontname;
  WriteIni(kExampleIni);
  GetPar();
  EXPECT_EQ(Snapshot(), fromLf);
  EXPECT_EQ(fontLf, settings.fontname);
}

TEST_F(SettingsFileTest, NoFileGivesDefaultTimeAndWhiteBackground) {
  LoadWith(nullptr);
  EXPECT_EQ(settings.showtime, 3000);
  EXPECT_DOUBLE_EQ(fake::CtrlDouble(Panel(), panel::kSetShowtime), 0.0);
  EXPECT_EQ(settings.backcolor, 0xFFFFFF);
  EXPECT_EQ(settings.textcolor, 0);
  EXPECT_EQ(fake::CtrlInt(Panel(), panel::kSetBackcolor), 0);  // the panel shows the file
  EXPECT_EQ(fake::CtrlInt(Panel(), panel::kSetTextcolor), 0);
  EXPECT_EQ(fake::PanelAttr(Banner(), ui::kAttrBackColor), 0xFFFFFF);
  EXPECT_STREQ(settings.fontname, "");
  EXPECT_EQ(settings.bannerHeight, 60);
  EXPECT_EQ(fake::CtrlAttrText(Banner(), panel::kChannelName, ui::kAttrTextFont), "");
}

TEST_F(SettingsFileTest, ShortFileCountsMissingLinesAsEmpty) {
  LoadWith(IniLines({"5.0", "2", "255"}).c_str());
  EXPECT_EQ(Snapshot(), (std::vector<int32_t>{5000, 2, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                              0, 0, 0, 120}));
  EXPECT_STREQ(settings.fontname, "");
}

TEST_F(SettingsFileTest, DisplayTimeIsSinglePrecisionSecondsTruncated) {
  LoadWith(nullptr);
  struct Case {
    const char* line;
    int32_t ms;
    double panelSeconds;
  } cases[] = {
      {" 2.8", 2799, 2.8f},  {" 3.0", 3000, 3.0},  {" 0.1", 100, 0.1f},
      {"0.01", 3000, 0.01f},  // 9 ms before the minimum applies
      {"0.011", 10, 0.011f}, {"-2.0", 3000, -2.0}, {"100.0", 100000, 100.0},
      {"12.5 s", 12500, 12.5}, {"seconds", 3000, 0.0}, {"1e1", 10000, 10.0},
      {"9999999999999", 3000, 9999999999.0f},  // 10 characters kept, no 32-bit result
  };
  for (const Case& c : cases) {
    WriteIni(IniLines({c.line, "1"}));
    GetPar();
    EXPECT_EQ(settings.showtime, c.ms) << c.line;
    EXPECT_DOUBLE_EQ(fake::CtrlDouble(Panel(), panel::kSetShowtime), c.panelSeconds) << c.line;
  }
}

TEST_F(SettingsFileTest, IntegerLinesConvertLikeAtoi) {
  LoadWith(nullptr);
  struct Case {
    const char* line;
    int32_t value;
  } cases[] = {
      {"-2", -2},          {"  +7", 7},         {"12abc", 12},   {"abc", 0},     {"", 0},
      {"- 5", 0},          {"-999999999", -999999999},  {"123456789012345", 1234567890},
      {"9999999999", INT32_MAX},  // saturates instead of wrapping
      {"-9999999999", -999999999},  // only 10 characters are kept
  };
  for (const Case& c : cases) {
    WriteIni(IniLines({" 3.0", "1", "0", "0", "1", "1", "1", "1", "0", "0", c.line}));
    GetPar();
    EXPECT_EQ(settings.titlemode, c.value) << '"' << c.line << '"';
    EXPECT_EQ(fake::CtrlInt(Panel(), panel::kSetTitlemode), c.value) << c.line;
  }
}

TEST_F(SettingsFileTest, EqualColoursGiveWhiteBackgroundButPanelShowsFile) {
  LoadWith(IniLines({" 3.0", "1", "255", "255"}).c_str());
  EXPECT_EQ(settings.backcolor, 0xFFFFFF);
  EXPECT_EQ(settings.textcolor, 255);
  EXPECT_EQ(fake::CtrlInt(Panel(), panel::kSetBackcolor), 255);
  EXPECT_EQ(fake::PanelAttr(Banner(), ui::kAttrBackColor), 0xFFFFFF);
  EXPECT_EQ(fake::CtrlAttr(Banner(), panel::kChannelName, ui::kAttrTextColor), 255);
}

TEST_F(SettingsFileTest, LongFontNameIsCutTo128) {
  std::string ini = kExampleIni;
  ini.replace(ini.find("Verdana"), 7, std::string(72, 'b') + std::string(128, 'a'));
  LoadWith(ini.c_str());
  EXPECT_EQ(std::string(settings.fontname), std::string(72, 'b') + std::string(56, 'a'));
}

TEST_F(SettingsFileTest, HostileFilesReadAsText) {
  LoadWith(nullptr);
  struct Case {
    std::string bytes;
    int32_t style;
    const char* font;
  } cases[] = {
      {std::string(" 3.0\n1\0009\n", 9), 1, ""},
      {std::string(100000, '7') + "\n2\n", 2, ""},  // 10 sevens: no 32-bit time
      {IniLines({"1", "3", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}, "\n") +
           std::string("Ari\0al\r\n", 8),
       3, "Ari"},
      {std::string("\xff\xfe\x00\x01\r\r\n\x80", 8), 0, ""},
      {std::string(300000, '\n'), 0, ""},
  };
  for (const Case& c : cases) {
    WriteIni(c.bytes);
    GetPar();
    EXPECT_EQ(settings.style, c.style);
    EXPECT_STREQ(settings.fontname, c.font);
    EXPECT_GE(settings.showtime, settings_file::kMinShowtimeMs);
  }
}

TEST_F(SettingsFileTest, BeforePanelsLoadOnlyValuesAreSet) {
  LoadWith(kExampleIni);
  Unload();
  testing_support::ResetEverything();  // no panels; the paths stay as the load built them
  GetPar();
  EXPECT_EQ(settings.textcolor, 0xFFFFFF);
  EXPECT_EQ(settings.bannerHeight, 90);
}

// ---- Writing ----

TEST_F(SettingsFileTest, UnchangedSaveRewritesExampleByteForByte) {
  LoadWith(kExampleIni);
  EXPECT_EQ(PressSave(), 0);
  EXPECT_EQ(Ini(), kExampleIni);
  EXPECT_FALSE(fake::PanelVisible(Panel()));
  struct stat st;
  EXPECT_NE(stat((IniPath() + ".new").c_str(), &st), 0) << "no file left beside it";
}

TEST_F(SettingsFileTest, SaveAfterFirstStartWritesZerosAndRestartsWithDefaults) {
  LoadWith(nullptr);
  // A new install starts with Unicode, local time, the schedule, the
  // progress, the marks and the kept guide on; the eighteen lines are as ever.
  for (int control : {panel::kSetEpgchars, panel::kSetLocaltime, panel::kSetSchedule,
                      panel::kSetProgress, panel::kSetMarks})
    EXPECT_EQ(fake::CtrlInt(Panel(), control), 1) << control;
  PressSave();
  EXPECT_EQ(settings.keepguide, 1);
  // What the panel shows, and line 26 on.
  EXPECT_EQ(Ini(), ZeroFile() + IniLines({"1", "1", "0", "1", "1", "0", "1", "1"}));
  EXPECT_EQ(settings.showtime, 0);  // no minimum on saving
  // Equal colours are never applied as text on its own background.
  EXPECT_EQ(fake::PanelAttr(Banner(), ui::kAttrBackColor), 0xFFFFFF);
  EXPECT_EQ(fake::CtrlAttr(Banner(), panel::kChannelName, ui::kAttrTextBgColor), 0xFFFFFF);
  EXPECT_EQ(fake::CtrlAttr(Banner(), panel::kChannelName, ui::kAttrTextColor), 0);
  Restart();
  EXPECT_EQ(settings.showtime, 3000);
  EXPECT_EQ(settings.backcolor, 0xFFFFFF);
  EXPECT_EQ(settings.keepguide, 1);
}

TEST_F(SettingsFileTest, PanelValuesRoundTripThroughTheFile) {
  struct Case {
    int control;
    double value;
    int line;  // 0-based
    const char* written;
    std::atomic<int32_t> Settings::*field;
    int32_t readBack;
  } cases[] = {
      {panel::kSetShowtime, 2.8, 0, " 2.8", &Settings::showtime, 2799},
      {panel::kSetShowtime, 100.0, 0, "100.0", &Settings::showtime, 100000},
      {panel::kSetShowtime, 12.5, 0, "12.5", &Settings::showtime, 12500},
      {panel::kSetTitlemode, -2, 10, "-2", &Settings::titlemode, -2},
      {panel::kSetBackcolor, 0xFF0000, 2, "16711680", &Settings::backcolor, 0xFF0000},
  };
  LoadWith(kExampleIni);
  for (const Case& c : cases) {
    if (c.control == panel::kSetShowtime)
      ui::SetCtrlVal(Panel(), c.control, c.value);
    else
      ui::SetCtrlVal(Panel(), c.control, static_cast<int>(c.value));
    PressSave();
    std::string ini = Ini();
    size_t start = 0;
    for (int i = 0; i < c.line; ++i) start = ini.find("\r\n", start) + 2;
    EXPECT_EQ(ini.substr(start, ini.find("\r\n", start) - start), c.written);
    Restart();
    EXPECT_EQ(settings.*c.field, c.readBack) << c.written;
  }
}

// Lines 19 to 26 follow the typeface; a file without them is the eighteen
// lines as ever, and a save writes them only up to the last one not at 0.
TEST_F(SettingsFileTest, OptionalLinesReadWhenThereAndWrittenOnlyWhenSet) {
  const std::string example = kExampleIni;
  LoadWith((example + IniLines({"1", "0", "-1", "0", "0", "0", "1", "0", "77"})).c_str());
  EXPECT_EQ(settings.epgchars, 1);
  EXPECT_EQ(settings.localtime, 0);
  EXPECT_EQ(settings.scale, -1);
  EXPECT_EQ(settings.schedule, 0);  // a file that exists keeps its values
  EXPECT_EQ(settings.marks, 1);
  EXPECT_EQ(settings.keepguide, 0);  // line 27 is ignored
  EXPECT_EQ(fake::CtrlInt(Panel(), panel::kSetScale), -1);
  EXPECT_EQ(fake::CtrlInt(Panel(), panel::kSetMarks), 1);
  PressSave();
  EXPECT_EQ(Ini(), example + IniLines({"1", "0", "-1", "0", "0", "0", "1"}));
  ui::SetCtrlVal(Panel(), panel::kSetMarks, 0);
  PressSave();
  EXPECT_EQ(Ini(), example + IniLines({"1", "0", "-1"}));
  Restart();
  EXPECT_EQ(settings.marks, 0);  // a file without line 25: as without the marks

  const struct {
    int epgchars, localtime, scale;
    std::string tail;
  } saves[] = {{0, 0, 0, ""}, {1, 0, 0, "1\r\n"}, {0, 1, 0, "0\r\n1\r\n"},
               {0, 0, 150, "0\r\n0\r\n150\r\n"}};
  for (const auto& c : saves) {
    ui::SetCtrlVal(Panel(), panel::kSetEpgchars, c.epgchars);
    ui::SetCtrlVal(Panel(), panel::kSetLocaltime, c.localtime);
    ui::SetCtrlVal(Panel(), panel::kSetScale, c.scale);
    PressSave();
    EXPECT_EQ(Ini(), example + c.tail);
    Restart();
    EXPECT_EQ(settings.scale, c.scale);
    EXPECT_EQ(settings.localtime, c.localtime);
  }
}

TEST_F(SettingsFileTest, FailedSaveKeepsOldFileAndTellsTheUser) {
  LoadWith(kExampleIni);
  ASSERT_EQ(mkdir((IniPath() + ".new").c_str(), 0700), 0);  // the new file cannot be made
  ui::SetCtrlVal(Panel(), panel::kSetStyle, 3);
  PressSave();
  EXPECT_EQ(Ini(), kExampleIni);
  EXPECT_EQ(settings.style, 3);  // memory and banner still take the panel's values
  EXPECT_EQ(fake::CtrlAttr(Banner(), panel::kChannelName, ui::kAttrTextPointSize), 22);
  EXPECT_FALSE(fake::PanelVisible(Panel()));
  bool reported = false;
  for (const std::string& s : fake::DebugStrings())
    reported = reported || s.find("settings not saved") != std::string::npos;
  EXPECT_TRUE(reported);
  auto boxes = fake::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].second, "Tavik");
  EXPECT_NE(boxes[0].first.find("The plug-in's folder cannot be written to"), std::string::npos);
}

// A file the user made read-only is never replaced, even where the system
// would allow it: the old bytes stay, nothing is left beside it, and the
// user is told why.
TEST_F(SettingsFileTest, ReadOnlyFileIsKeptAndTheUserIsTold) {
  LoadWith(kExampleIni);
  ASSERT_EQ(chmod(IniPath().c_str(), 0444), 0);
  ui::SetCtrlVal(Panel(), panel::kSetStyle, 3);
  PressSave();
  EXPECT_EQ(Ini(), kExampleIni);
  EXPECT_EQ(testing_support::ReadFile(IniPath() + ".new"), "");
  auto boxes = fake::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].first.find("The settings were not saved"), std::string::npos);
  EXPECT_NE(boxes[0].first.find("read-only"), std::string::npos);
  EXPECT_EQ(settings.style, 3);  // the banner still takes what the user chose
  chmod(IniPath().c_str(), 0644);
  PressSave();  // writable again: saved, and nothing more is said
  EXPECT_NE(Ini(), kExampleIni);
  EXPECT_EQ(fake::MessageBoxes().size(), 1u);
}

}  // namespace
