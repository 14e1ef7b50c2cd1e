// Tests of runtime/text_room: where the banner's autosized lines may draw,
// with the banner's own geometry (1220-px banner, detail box at 1115, logo at
// 12..96, lines from 110) and the extremes of narrow areas and long texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/text_room.h"
#include "runtime/ui_codes.h"

namespace {

using ui::FitInRoom;
using ui::LineRoom;
using ui::Span;

constexpr int kFileLeft = 110;
constexpr int kPanelWidth = 1220;
const Span kLogo = {12, 96};
const Span kDetailBox = {1115, 1218};
const Span kClock = {1130, 1194};

Span Shown(Span line, std::initializer_list<Span> others, int panelWidth = kPanelWidth) {
  return FitInRoom(line, LineRoom(kFileLeft, others.begin(), others.size(), panelWidth));
}

TEST(TextRoomTest, LongLeftLineEndsBeforeTheDetailBlock) {
  // A 4000-px text starting at 110 fills 110 .. 1115 - gap.
  Span s = Shown({110, 4110}, {kLogo, kDetailBox, kClock});
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 1115 - ui::kRoomGap);
  // A short one is left alone.
  s = Shown({110, 300}, {kLogo, kDetailBox, kClock});
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 300);
}

TEST(TextRoomTest, RightJustifiedGrowsLeftThenRightAndNeverCrossesTheLogo) {
  // The layout anchors right-justified lines at 1090 (+ a blank). A text that
  // fits keeps its right edge; one that reaches past 110 slides right; one
  // wider than the room fills it up to the detail block.
  Span s = Shown({900, 1097}, {kLogo, kDetailBox, kClock});
  EXPECT_EQ(s.left, 900);
  EXPECT_EQ(s.right, 1097);
  s = Shown({100, 1097}, {kLogo, kDetailBox, kClock});  // 997 px
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 1107);
  s = Shown({-2900, 1097}, {kLogo, kDetailBox, kClock});
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 1115 - ui::kRoomGap);
}

TEST(TextRoomTest, CentredSlidesLeftOfTheBlockOrFillsTheRoom) {
  // Centred at 573: a 1100-px text would run from 23 to 1123.
  Span s = Shown({23, 1123}, {kLogo, kDetailBox});
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 1109);
  // 900 px centred at 573 (123 .. 1023) fits where it is.
  s = Shown({123, 1023}, {kLogo, kDetailBox});
  EXPECT_EQ(s.left, 123);
  EXPECT_EQ(s.right, 1023);
  // 990 px centred at 573 (78 .. 1068) starts left of the room: slides right.
  s = Shown({78, 1068}, {kLogo, kDetailBox});
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 1100);
}

TEST(TextRoomTest, NarrowAreasGiveSmallOrEmptyRooms) {
  // A 260-px banner (320-px area): the box is at 155, the room 110 .. 149.
  Span s = Shown({110, 800}, {kLogo, {155, 258}}, 260);
  EXPECT_EQ(s.left, 110);
  EXPECT_EQ(s.right, 149);
  // A 200-px banner: the box at 95 reaches into the room from its left side.
  s = Shown({110, 800}, {kLogo, {95, 198}}, 200);
  EXPECT_EQ(s.left, s.right);
  // Without any other control the panel's edge ends the room.
  s = Shown({110, 5000}, {}, 1220);
  EXPECT_EQ(s.right, 1220);
}

TEST(TextRoomTest, EmptyControlsAndControlsLeftOfTheRoomDoNotCount) {
  Span s = Shown({110, 4000}, {{0, 0}, {40, 40}, kLogo, {500, 500}});
  EXPECT_EQ(s.right, kPanelWidth);
}

}  // namespace

// A list row cut before its ellipsis, each unit 10 px wide and the ellipsis
// 30: room 100 keeps 7 units unless a character would be split there.
TEST(TextRoomTest, RowsAreCutBetweenWholeCharacters) {
  const std::pair<std::u16string, size_t> kCases[] = {
      {u"0123456789", 10}, {u"0123456789A", 7}, {u"", 0},  // whole; plain; empty
      {u"012345\U0001F600789", 6},       // a surrogate pair is not split
      {u"012345e\u0301789", 6},          // e and its acute accent stay together
      {u"012345\u0E01\u0E34\u0E4889", 6},  // Thai: a consonant, its vowel and tone marks
      {u"012345\u200D6789", 5},          // nothing on either side of a joiner
  };
  for (const auto& c : kCases) {
    std::vector<int> extents;
    for (size_t i = 0; i < c.first.size(); ++i) extents.push_back(10 * static_cast<int>(i + 1));
    EXPECT_EQ(ui::EllipsisCut(reinterpret_cast<const uint16_t*>(c.first.data()), extents.data(),
                              c.first.size(), 100, 30), c.second) << c.second;
  }
}
