// The settings panel's FONT and SAVE buttons, and the typeface at start-up.
#include <string>

#include "common/text.h"
#include "runtime/ui_codes.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/settings_fixture.h"

namespace {

using SettingsCallbacksTest = SettingsTest;

// A file like the example with another typeface and justification.
std::string IniWithFont(const std::string& font, int justify) {
  std::string ini = kExampleIni;
  ini.replace(ini.find("Verdana"), 7, font);
  size_t line14 = 0;
  for (int i = 0; i < 13; ++i) line14 = ini.find("\r\n", line14) + 2;
  ini.replace(line14, 1, std::to_string(justify));
  return ini;
}

std::string BannerFont(int banner, int control) {
  return fake::CtrlAttrText(banner, control, ui::kAttrTextFont);
}

TEST_F(SettingsCallbacksTest, FontDialogStartsFromVerdanaWhenNameTooShort) {
  struct Case {
    const char* font;
    int justify;
    const char* dialogFont;
    int dialogJustify;
  } cases[] = {{"", 16, "Verdana", 0}, {"ab", 16, "Verdana", 0}, {"abc", 16, "abc", 16}};
  for (const Case& c : cases) {
    WriteIni(IniWithFont(c.font, c.justify));
    Restart();
    EXPECT_EQ(fake::PressButton(Panel(), "FONT"), 0);
    auto calls = fake::FontPopupCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].typeface, c.dialogFont) << c.font;
    EXPECT_EQ(calls[0].justify, c.dialogJustify) << c.font;
    EXPECT_EQ(calls[0].title, "Font select");
    EXPECT_EQ(calls[0].sample, "Sample Text");
    EXPECT_EQ(calls[0].minSize, 4);
    EXPECT_EQ(calls[0].maxSize, 64);
    EXPECT_EQ(calls[0].monospaced + calls[0].showDefault, 0);
    EXPECT_EQ(calls[0].allowMeta, 1);
    EXPECT_EQ(fake::QuitCount(), 0) << "the panel stays open";
  }
}

TEST_F(SettingsCallbacksTest, StartupAppliesOnlyNamesLongerThanThree) {
  for (auto [font, applied] : {std::pair{"ab", false}, {"abc", false}, {"abcd", true}}) {
    WriteIni(IniWithFont(font, 32));
    Restart();
    for (int control : {panel::kChannelName, panel::kNowLine, panel::kNextLine}) {
      EXPECT_EQ(BannerFont(Banner(), control), applied ? font : "") << font;
      EXPECT_EQ(fake::CtrlAttr(Banner(), control, ui::kAttrTextJustify),
                applied ? 32 : kUnsetAttr);
    }
    // The button applies whatever name it leaves, however short.
    fake::PressButton(Panel(), "FONT");
    EXPECT_EQ(BannerFont(Banner(), panel::kNextLine), std::string(font) == "ab" ? "Verdana" : font);
  }
}

TEST_F(SettingsCallbacksTest, ChosenFontReachesBannerAndNextSave) {
  LoadWith(kExampleIni);
  fake::SetFontHandler([](char* typeface, int capacity, int* justify) {
    CopyText(typeface, static_cast<size_t>(capacity), "Georgia");
    *justify = ui::kJustifyRight;
    return 1;
  });
  fake::PressButton(Panel(), "FONT");
  for (int control : {panel::kChannelName, panel::kNowLine, panel::kNextLine}) {
    EXPECT_EQ(BannerFont(Banner(), control), "Georgia");
    EXPECT_EQ(fake::CtrlAttr(Banner(), control, ui::kAttrTextJustify), 16);
  }
  EXPECT_EQ(BannerFont(Banner(), panel::kClock), "") << "clock keeps the panel file's font";
  EXPECT_EQ(Ini(), kExampleIni) << "the button itself writes nothing";
  PressSave();
  EXPECT_EQ(Ini(), IniWithFont("Georgia", 16));
}

TEST_F(SettingsCallbacksTest, CancelledDialogStillAppliesFont) {
  LoadWith(nullptr);
  fake::SetFontHandler([](char*, int, int*) { return 0; });
  fake::PressButton(Panel(), "FONT");
  EXPECT_EQ(BannerFont(Banner(), panel::kChannelName), "Verdana");
  EXPECT_EQ(fake::CtrlAttr(Banner(), panel::kChannelName, ui::kAttrTextJustify), 0);
}

TEST_F(SettingsCallbacksTest, OtherEventsDoNothing) {
  LoadWith(kExampleIni);
  ui::DisplayPanel(Panel());
  ui::SetCtrlVal(Panel(), panel::kSetStyle, 2);
  fake::ClearUiCalls();
  for (int event : {0, 2, 3, 7}) {
    EXPECT_EQ(fake::PressButton(Panel(), "FONT", event), 0);
    EXPECT_EQ(fake::PressButton(Panel(), "SAVE", event), 0);
  }
  EXPECT_TRUE(fake::UiCalls().empty());
  EXPECT_TRUE(fake::PanelVisible(Panel()));
  EXPECT_EQ(settings.style, 1);
  EXPECT_EQ(Ini(), kExampleIni);
}

TEST_F(SettingsCallbacksTest, SaveEndsTheSettingsLoop) {
  LoadWith(kExampleIni);
  ui::DisplayPanel(Panel());
  fake::QueueUiAction([this] { PressSave(); });
  fake::QueueUiAction([] { ADD_FAILURE() << "the loop went on after SAVE"; });
  ui::RunUserInterface();
  EXPECT_FALSE(fake::PanelVisible(Panel()));
  EXPECT_EQ(fake::QuitCount(), 1);
}

TEST_F(SettingsCallbacksTest, APostKeyThatIsNeverSentIsRefusedWithTheReason) {
  LoadWith(kExampleIni);
  ui::DisplayPanel(Panel());
  for (int key : {1, 13, 32}) {
    SCOPED_TRACE(key);
    fake::ClearRecords();
    ui::SetCtrlVal(Panel(), panel::kSetPostkey, key);
    PressSave();
    auto boxes = fake::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].second, "Tavik");
    EXPECT_NE(boxes[0].first.find("Post key " + std::to_string(key) +
                                  " is never sent: Tavik sends only key codes from 33 to 255"),
              std::string::npos);
    EXPECT_TRUE(fake::PanelVisible(Panel()));  // open for another code
    EXPECT_EQ(Ini(), kExampleIni);             // nothing written
  }
  for (int key : {0, 33, 255}) {  // none, and the first and last code sent
    SCOPED_TRACE(key);
    fake::ClearRecords();
    ui::DisplayPanel(Panel());
    ui::SetCtrlVal(Panel(), panel::kSetPostkey, key);
    PressSave();
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_FALSE(fake::PanelVisible(Panel()));
    EXPECT_EQ(settings.postkey, key);
  }
}

}  // namespace
