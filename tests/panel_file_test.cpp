// Tests of the panel file reader and of the shipped tavik.uir: what is read,
// which faults fail the file with their line, and the four panels' layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/panel_file.h"
#include "runtime/ui_codes.h"

namespace {

using ui::CtrlDef;
using ui::CtrlKind;
using ui::PanelDef;

const char* kUirPath = TAVIK_SOURCE_DIR "/src/resources/tavik.uir";

std::vector<PanelDef> ParseOk(const std::string& text) {
  std::vector<PanelDef> panels;
  std::string error;
  EXPECT_TRUE(ui::ParsePanelFile(text, &panels, &error, "t.uir")) << error;
  return panels;
}

TEST(PanelFileTest, ReadsEverySetting) {
  auto panels = ParseOk(
      "# a comment\n"
      "panel 7 \"My \\\"panel\\\"\"   # trailing comment\r\n"
      "size 200 100\n"
      "background 0x102030\n"
      "caption no\n"
      "\n"
      "control 3 textline\n"
      "at -5 6 70 20\n"
      "font \"Arial Narrow\" 18 bold\n"
      "textcolor 0xFFFFFF\n"
      "textbg none\n"
      "justify centre\n"
      "autosize\n"
      "value \"two\\nlines\"\n"
      "control 4 ring\n"
      "at 1 2 3 4\n"
      "label \"Mode\"\n"
      "labelwidth 50\n"
      "item \"Off\" 0\n"
      "item \"Dump # not a comment\" -1\n"
      "value \"-1\"\n"
      "control 5 float\n"
      "at 1 2 3 4\n"
      "range -1.5 99\n"
      "precision 2\n"
      "control 6 button\n"
      "at 1 2 3 4\n"
      "callback SAVE_2\n"
      "control 7 meter\n"
      "at 1 2 3 4\n"
      "color 255\n"
      "control 8 list\n"
      "at 1 2 3 4\n"
      "callback ROW\n"
      "hidden\n"
      "control 9 progress\n"
      "at 1 2 3 4\n"
      "beside\n");
  ASSERT_EQ(panels.size(), 1u);
  const PanelDef& p = panels[0];
  EXPECT_EQ(p.id, 7);
  EXPECT_EQ(p.title, "My \"panel\"");
  EXPECT_EQ(p.width, 200);
  EXPECT_EQ(p.height, 100);
  EXPECT_EQ(p.backColor, 0x102030);
  EXPECT_FALSE(p.caption);
  ASSERT_EQ(p.controls.size(), 7u);

  const CtrlDef& t = p.controls[0];
  EXPECT_EQ(t.number, 3);
  EXPECT_EQ(t.kind, CtrlKind::TextLine);
  EXPECT_EQ(t.left, -5);
  EXPECT_EQ(t.top, 6);
  EXPECT_EQ(t.font, "Arial Narrow");
  EXPECT_EQ(t.pointSize, 18);
  EXPECT_TRUE(t.bold);
  EXPECT_EQ(t.bgColor, ui::kNoColor);
  EXPECT_EQ(t.justify, ui::kJustifyCentre);
  EXPECT_TRUE(t.autosize);
  EXPECT_EQ(t.value, "two\nlines");

  const CtrlDef& r = p.controls[1];
  EXPECT_EQ(r.label, "Mode");
  EXPECT_EQ(r.labelWidth, 50);
  ASSERT_EQ(r.items.size(), 2u);
  EXPECT_EQ(r.items[1].first, "Dump # not a comment");
  EXPECT_EQ(r.items[1].second, -1);

  EXPECT_TRUE(p.controls[2].hasRange);
  EXPECT_DOUBLE_EQ(p.controls[2].min, -1.5);
  EXPECT_EQ(p.controls[2].precision, 2);
  EXPECT_EQ(p.controls[3].callback, "SAVE_2");
  EXPECT_EQ(p.controls[4].color, 255);
  EXPECT_EQ(p.controls[5].kind, CtrlKind::List);
  EXPECT_EQ(p.controls[5].callback, "ROW");
  EXPECT_TRUE(p.controls[5].hidden);
  EXPECT_FALSE(p.controls[5].beside);
  EXPECT_EQ(p.controls[6].kind, CtrlKind::Progress);
  EXPECT_TRUE(p.controls[6].beside);
  EXPECT_FALSE(p.controls[6].hidden);
  // A list's callback must be bound like a button's.
  const ui::CallbackEntry table[] = {{"SAVE_2", nullptr}};
  EXPECT_EQ(ui::UnknownCallback(p, table, 1), "ROW");
}

TEST(PanelFileTest, FaultsFailTheWholeFileWithTheirLine) {
  const std::string head = "panel 1 \"P\"\nsize 10 10\n";  // lines 1-2
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {head + "control 2 slider\nat 0 0 1 1\n", "t.uir:3: unknown kind 'slider'"},
      {head + "control 2 button\nat 0 0 1 1\n", "t.uir:3: control 2: a button needs a callback"},
      {head + "control 2 ring\nat 0 0 1 1\n", "t.uir:3: control 2: a ring needs at least one item"},
      {head + "control 2 textline\nlabel \"x\"\n", "t.uir:3: control 2 has no 'at' position"},
      {head + "control 2 textline\nat 0 0 1 1\ncontrol 2 box\n",
       "t.uir:5: control number 2 used twice in panel 1"},
      {head + "panel 1 \"Q\"\n", "t.uir:3: panel id 1 used twice"},
      {"panel 1 \"P\"\ncontrol 2 box\nat 0 0 1 1\n", "t.uir:1: panel 1 has no size"},
      {"size 10 10\n", "t.uir:1: 'size' before any 'panel'"},
      {head + "at 0 0 1 1\n", "t.uir:3: 'at' before any 'control'"},
      {head + "colour 5\n", "t.uir:3: 'colour' before any 'control'"},
      {head + "control 2 box\nat 0 0 1 1\nshade 5\n", "t.uir:5: unknown statement 'shade'"},
      {head + "control 2 box\nat 0 0 0 1\n", "t.uir:4: width 0 out of range 1..10000"},
      {head + "control 2 box\nat 0 0 1x 1\n", "t.uir:4: '1x' is not a number (width)"},
      {head + "control 2 box\nat 0 0 1\n", "t.uir:4: too few values for 'at'"},
      {head + "control 2 box\nat 0 0 1 1 1\n", "t.uir:4: too many values for 'at'"},
      {head + "control 2 box\nat 0 0 1 1\ncolor 0x1000000\n",
       "t.uir:5: colour 0x1000000 out of range 0..16777215"},
      {head + "control 2 progress\nat 0 0 1 1\ncallback OK\n",
       "t.uir:5: only a button or a list has a callback"},
      {head + "control 2 box\nat 0 0 1 1\nhidden 1\n", "t.uir:5: too many values for 'hidden'"},
      {head + "control 2 button\nat 0 0 1 1\ncallback \"OK\"\n",
       "t.uir:5: callback name 'OK' is not a plain name"},
      {head + "control 2 button\nat 0 0 1 1\ncallback 9OK\n",
       "t.uir:5: callback name '9OK' is not a plain name"},
      {head + "control 2 ring\nat 0 0 1 1\nitem \"a\" 1\nitem \"b\" 1\n",
       "t.uir:6: item value 1 used twice"},
      {head + "control 2 numeric\nat 0 0 1 1\nrange 5 1\n", "t.uir:5: range minimum above maximum"},
      {head + "control 2 numeric\nat 0 0 1 1\nvalue \"abc\"\n",
       "t.uir:3: control 2: value 'abc' is not an integer"},
      {head + "control 2 textline\nat 0 0 1 1\nlabel \"open\n", "t.uir:5: text without closing quote"},
      {head + "control 2 textline\nat 0 0 1 1\nlabel \"a\\tb\"\n",
       "t.uir:5: unknown escape '\\t' in text"},
      {head + "control 2 textline\nat 0 0 1 1\nlabel plain\n",
       "t.uir:5: a label must be in double quotes"},
      {head + "control 2 textline\nat 0 0 1 1\njustify middle\n",
       "t.uir:5: justify is left, right or centre"},
      {head + "control 2 textline\nat 0 0 1 1\nfont \"A\" 0\n",
       "t.uir:5: text size 0 out of range 1..200"},
      {head + "control 99999 box\n", "t.uir:3: control number 99999 out of range 1..9999"},
      {head + "control 2 box\nat 0 0 99999999999 1\n", "t.uir:4: width out of range"},
      {"# only a comment\n", "t.uir:2: no panel in the file"},
      {std::string("panel 1 \"P\"\0\n", 13), "t.uir:1: NUL character in the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<PanelDef> panels(1);  // must come back empty
    std::string error;
    EXPECT_FALSE(ui::ParsePanelFile(c.text, &panels, &error, "t.uir"));
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(panels.empty());
  }
}

TEST(PanelFileTest, LoadNamesTheFileWithoutItsDirectory) {
  std::vector<PanelDef> panels;
  std::string error;
  EXPECT_FALSE(ui::LoadPanelFile("no/such/dir/x.uir", &panels, &error));
  EXPECT_EQ(error, "no/such/dir/x.uir: cannot open the panel file");
  EXPECT_FALSE(ui::LoadPanelFile(nullptr, &panels, &error));
  ASSERT_TRUE(ui::LoadPanelFile(kUirPath, &panels, &error)) << error;
}

TEST(PanelFileTest, ExtentCoversCaptionAndColourParts) {
  CtrlDef c;
  c.kind = CtrlKind::ColorPicker;
  c.left = 100;
  c.top = 10;
  c.width = 80;
  c.height = 20;
  c.label = "Colour";
  c.labelWidth = 60;
  ui::Extent e = ui::CtrlExtent(c);
  EXPECT_EQ(e.left, 36);
  EXPECT_EQ(e.right, 180 + ui::kSwatchGap * 2 + ui::kSwatchWidth + ui::kPickButtonWidth);
  c.kind = CtrlKind::Toggle;  // a toggle's caption is inside its own box
  EXPECT_EQ(ui::CtrlExtent(c).left, 100);
}

// ---- The shipped panel file ----

class ShippedPanels : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ui::LoadPanelFile(kUirPath, &panels_, &error)) << error;
  }
  const PanelDef& Panel(int id) {
    const PanelDef* p = ui::FindPanel(panels_, id);
    EXPECT_NE(p, nullptr) << id;
    return p ? *p : empty_;
  }
  std::vector<PanelDef> panels_;
  PanelDef empty_;
};

TEST_F(ShippedPanels, IdsTitlesAndControls) {
  struct Want {
    int id;
    const char* title;
    std::vector<int> controls;
  };
  const Want wants[] = {
      {panel::kBannerId, panel::kBannerTitle, {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}},
      {panel::kSettingsId, panel::kSettingsTitle,
       {2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 21}},
      {panel::kAboutId, panel::kAboutTitle, {3}},
      {panel::kEpgId, panel::kEpgTitle, {2, 3, 4, 5}},
  };
  for (const auto& w : wants) {
    const PanelDef& p = Panel(w.id);
    EXPECT_EQ(p.title, w.title);
    for (int n : w.controls) EXPECT_NE(ui::FindControl(p, n), nullptr) << w.title << " " << n;
  }
  EXPECT_FALSE(Panel(panel::kBannerId).caption);
  EXPECT_EQ(ui::FindControl(Panel(panel::kSettingsId), panel::kSetShowtime)->kind,
            CtrlKind::FloatNumeric);
  EXPECT_EQ(ui::FindControl(Panel(panel::kEpgId), panel::kEpgText)->kind, CtrlKind::TextBox);
  EXPECT_EQ(ui::FindControl(Panel(panel::kBannerId), panel::kLogo)->kind, CtrlKind::Picture);
  EXPECT_EQ(ui::FindControl(Panel(panel::kBannerId), panel::kProgressBar)->kind, CtrlKind::Progress);
  EXPECT_EQ(ui::FindControl(Panel(panel::kEpgId), panel::kEpgSchedule)->kind, CtrlKind::List);
  // The progress and the schedule start hidden: the plug-in shows them.
  for (int n : {panel::kProgressBar, panel::kProgressLabel})
    EXPECT_TRUE(ui::FindControl(Panel(panel::kBannerId), n)->hidden) << n;
  EXPECT_TRUE(ui::FindControl(Panel(panel::kEpgId), panel::kEpgSchedule)->hidden);
}

TEST_F(ShippedPanels, EpgPanelWithAndWithoutTheSchedule) {
  // With the schedule the OK button sits 10 px under the list, as the plug-in
  // places it; without it the button takes the list's top, and everything
  // else fits the 420 x 420 panel of old.
  const PanelDef& p = Panel(panel::kEpgId);
  const CtrlDef& list = *ui::FindControl(p, panel::kEpgSchedule);
  const CtrlDef& ok = *ui::FindControl(p, panel::kEpgOk);
  EXPECT_EQ(ok.top, list.top + list.height + 10);
  EXPECT_EQ(list.callback, "EPGROW");
  EXPECT_EQ(p.width, 420);
  for (const CtrlDef& c : p.controls) {
    if (c.number == panel::kEpgSchedule) continue;
    const int bottom = (c.number == panel::kEpgOk ? list.top : c.top) + c.height;
    EXPECT_LE(bottom, 420 - 32) << c.number;
  }
}

TEST_F(ShippedPanels, EachCallbackOnItsPanel) {
  struct Want {
    int id;
    const char* callback;
  };
  for (const Want& w : {Want{3, "FONT"}, Want{3, "SAVE"}, Want{1, "OK"}, Want{2, "EPGOK"}}) {
    int found = 0;
    for (const auto& c : Panel(w.id).controls)
      if (c.kind == CtrlKind::Button && c.callback == w.callback) ++found;
    EXPECT_EQ(found, 1) << w.callback;
  }
}

TEST_F(ShippedPanels, BannerDetailBlockSitsWhereTheLayoutMovesIt) {
  // Left edges the plug-in sets for a 1280-wide area; the file starts there.
  const PanelDef& b = Panel(panel::kBannerId);
  EXPECT_EQ(b.width, 1220);
  EXPECT_EQ(b.height, 90);
  const int want[][2] = {{12, 1115}, {15, 1123}, {14, 1153}, {13, 1183},
                         {4, 1130},  {5, 1120},  {6, 1165},  {7, 1187}};
  for (const auto& w : want) {
    const CtrlDef* c = ui::FindControl(b, w[0]);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->left, w[1]) << w[0];
    EXPECT_LE(c->left + c->width, b.width) << w[0];
  }
  // Style 1 geometry: logo top 20, lines at 48 and 68 with 14-px text.
  EXPECT_EQ(ui::FindControl(b, 9)->top, 20);
  EXPECT_EQ(ui::FindControl(b, 10)->top, 48);
  EXPECT_EQ(ui::FindControl(b, 11)->top, 68);
  EXPECT_EQ(ui::FindControl(b, 10)->pointSize, 14);
  EXPECT_EQ(ui::FindControl(b, 8)->pointSize, 40);
  // The 40-px name ends above the first programme line.
  const CtrlDef* name = ui::FindControl(b, 8);
  EXPECT_LE(name->top + name->height, 48);
  // The logo keeps its size in every style: it must fit the 60-px style 0 at top 5.
  EXPECT_LE(5 + ui::FindControl(b, 9)->height, 60);
}

bool Overlap(const ui::Extent& a, const ui::Extent& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST_F(ShippedPanels, BannerDetailBlockFitsTheLowestBannerWithoutOverlaps) {
  // The style step moves nothing of the detail block: it must fit the 60-px
  // banner of style 0, inside the box behind it, each control apart.
  const PanelDef& b = Panel(panel::kBannerId);
  const ui::Extent box = ui::CtrlExtent(*ui::FindControl(b, 12));
  EXPECT_GE(box.top, 0);
  EXPECT_LE(box.bottom, 60);
  EXPECT_LE(box.right, b.width);
  const int detail[] = {4, 5, 6, 7, 13, 14, 15};
  for (int n : detail) {
    ui::Extent e = ui::CtrlExtent(*ui::FindControl(b, n));
    EXPECT_TRUE(e.left >= box.left && e.right <= box.right && e.top >= box.top &&
                e.bottom <= box.bottom)
        << n << " is not inside the box";
    for (int m : detail) {
      if (m <= n) continue;
      EXPECT_FALSE(Overlap(e, ui::CtrlExtent(*ui::FindControl(b, m)))) << n << " and " << m;
    }
  }
  // The text lines start right of the logo.
  const ui::Extent logo = ui::CtrlExtent(*ui::FindControl(b, 9));
  for (int n : {8, 10, 11}) EXPECT_GT(ui::FindControl(b, n)->left, logo.right) << n;
}

TEST_F(ShippedPanels, DialogControlsFitAndNeverOverlap) {
  // Captioned panels lose about 8 px of width and 32 px of height to the frame.
  for (int id : {panel::kSettingsId, panel::kAboutId, panel::kEpgId}) {
    const PanelDef& p = Panel(id);
    SCOPED_TRACE(p.title);
    for (size_t i = 0; i < p.controls.size(); ++i) {
      ui::Extent a = ui::CtrlExtent(p.controls[i]);
      EXPECT_GE(a.left, 0) << p.controls[i].number;
      EXPECT_GE(a.top, 0) << p.controls[i].number;
      EXPECT_LE(a.right, p.width - 8) << p.controls[i].number;
      EXPECT_LE(a.bottom, p.height - 32) << p.controls[i].number;
      for (size_t j = i + 1; j < p.controls.size(); ++j)
        EXPECT_FALSE(Overlap(a, ui::CtrlExtent(p.controls[j])))
            << p.controls[i].number << " and " << p.controls[j].number;
    }
  }
}

TEST_F(ShippedPanels, SettingsRingsOfferTheMeaningfulValues) {
  const PanelDef& s = Panel(panel::kSettingsId);
  auto values = [&](int n) {
    std::vector<int> v;
    for (const auto& it : ui::FindControl(s, n)->items) v.push_back(it.second);
    return v;
  };
  EXPECT_EQ(values(panel::kSetTitlemode), (std::vector<int>{0, -1, -2}));
  EXPECT_EQ(values(panel::kSetEpgtext), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(values(panel::kSetStyle), (std::vector<int>{0, 1, 2, 3, 4}));
  const CtrlDef* alpha = ui::FindControl(s, panel::kSetAlpha);
  EXPECT_EQ(alpha->kind, CtrlKind::Numeric);
  EXPECT_DOUBLE_EQ(alpha->max, 255);
  EXPECT_EQ(ui::FindControl(s, panel::kSetShowtime)->precision, 1);
  for (int n : {panel::kSetEpgcolor, panel::kSetTextcolor, panel::kSetBackcolor})
    EXPECT_EQ(ui::FindControl(s, n)->kind, CtrlKind::ColorPicker);
}

}  // namespace
