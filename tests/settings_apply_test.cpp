// Colours, style geometry and typeface carried onto the banner panel.
#include <string>
#include <vector>

#include "runtime/ui_codes.h"
#include "tests/support/settings_fixture.h"

namespace {

using SettingsApplyTest = SettingsTest;

struct Geometry {
  int32_t height;
  int nameSize, logoTop, nowSize, nowTop, nextSize, nextTop;
  bool operator==(const Geometry& o) const {
    return height == o.height && nameSize == o.nameSize && logoTop == o.logoTop &&
           nowSize == o.nowSize && nowTop == o.nowTop && nextSize == o.nextSize &&
           nextTop == o.nextTop;
  }
};

Geometry BannerGeometry(int banner) {
  return {settings.bannerHeight,
          fake::CtrlAttr(banner, panel::kChannelName, ui::kAttrTextPointSize),
          fake::CtrlAttr(banner, panel::kLogo, ui::kAttrTop),
          fake::CtrlAttr(banner, panel::kNowLine, ui::kAttrTextPointSize),
          fake::CtrlAttr(banner, panel::kNowLine, ui::kAttrTop),
          fake::CtrlAttr(banner, panel::kNextLine, ui::kAttrTextPointSize),
          fake::CtrlAttr(banner, panel::kNextLine, ui::kAttrTop)};
}

TEST_F(SettingsApplyTest, EachStyleSetsItsRow) {
  const Geometry rows[] = {{60, 22, 5, 11, 26, 11, 42},
                           {90, 40, 20, 14, 48, 14, 68},
                           {120, 60, 35, 18, 70, 18, 93},
                           {90, 22, 20, 18, 40, 18, 64},
                           {90, 30, 20, 18, 40, 18, 64}};
  LoadWith(nullptr);
  for (int style = 0; style < 5; ++style) {
    settings.style = style;
    ApplyStyle();
    EXPECT_TRUE(BannerGeometry(Banner()) == rows[style]) << "style " << style;
    EXPECT_EQ(BannerHeightForStyle(style), rows[style].height);
  }
}

TEST_F(SettingsApplyTest, StyleOutsideTableKeepsGeometryOrTakesTheDefault) {
  // A first start with such a style takes style 1's geometry: a banner of
  // height 0 would never be seen. The value itself is kept.
  LoadWith(IniLines({" 3.0", "5"}).c_str());
  EXPECT_EQ(settings.style, 5);
  EXPECT_EQ(settings.bannerHeight, 90);
  settings.style = 2;
  ApplyStyle();
  Geometry before = BannerGeometry(Banner());
  for (int32_t style : {5, -1, 1000}) {
    settings.style = style;
    fake::ClearUiCalls();
    ApplyStyle();
    EXPECT_TRUE(BannerGeometry(Banner()) == before) << style;
    EXPECT_TRUE(fake::UiCalls().empty());
    EXPECT_EQ(BannerHeightForStyle(style), -1);
  }
}

TEST_F(SettingsApplyTest, SwitchFromStyle1To3KeepsHeightResizesText) {
  LoadWith(kExampleIni);
  EXPECT_TRUE(BannerGeometry(Banner()) == (Geometry{90, 40, 20, 14, 48, 14, 68}));
  ui::SetCtrlVal(Panel(), panel::kSetStyle, 3);
  PressSave();
  EXPECT_TRUE(BannerGeometry(Banner()) == (Geometry{90, 22, 20, 18, 40, 18, 64}));
  EXPECT_EQ(Ini().substr(6, 3), "3\r\n");
}

TEST_F(SettingsApplyTest, ColoursGoOnInOrder) {
  LoadWith(nullptr);
  settings.backcolor = 1;
  settings.textcolor = 2;
  settings.epgcolor = 3;
  fake::ClearUiCalls();
  ApplyColors();
  const std::string b = std::to_string(Banner());
  std::vector<std::string> expected = {"SetPanelAttribute(" + b + ",570,1)",
                                       "SetCtrlAttribute(" + b + ",12,550,1)"};
  for (int c : {8, 10, 11, 4, 5, 6, 7})
    expected.push_back("SetCtrlAttribute(" + b + "," + std::to_string(c) + ",690,1)");
  for (auto [c, colour] : {std::pair{8, 2}, {10, 3}, {11, 3}, {4, 2}, {5, 2}, {6, 2}, {7, 2}})
    expected.push_back("SetCtrlAttribute(" + b + "," + std::to_string(c) + ",680," +
                       std::to_string(colour) + ")");
  EXPECT_EQ(fake::UiCalls(), expected);
}

}  // namespace
