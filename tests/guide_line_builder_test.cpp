// The pure line building the plug-in and the EIT reader share: picking a
// unit's event for a service, and one line from it by the line settings.
#include <gtest/gtest.h>

#include <string>

#include "guide/crc32.h"
#include "guide/eit_section.h"
#include "guide/guide_codes.h"
#include "guide/line_builder.h"
#include "tests/support/guide_sections.h"

namespace {

using namespace sections;

struct Built {
  char line[guide::kTextBuffer];
  char name[guide::kTextBuffer];
  char text[guide::kTextBuffer];
  char timeText[guide::kTimeBuffer];
  int32_t nameLead;
};

// Picks the first unit's event for serviceId and builds its line.
bool Build(const Bytes& delivery, uint16_t serviceId, const guide::LineSettings& settings,
           Built* out, const char* presentText = "") {
  guide::UnitReader unit(delivery.data(), delivery.size(), 0);
  guide::PickedEvent picked;
  if (!guide::PickEvent(unit, serviceId, &picked)) return false;
  guide::LineBuffers buffers = {out->line, out->name, out->text, out->timeText};
  out->nameLead = guide::BuildLine(
      picked.header.nownxt == 0 ? guide::LineKind::kNow : guide::LineKind::kNext,
      picked.strings, picked.header.orax, picked.header.min, settings, presentText, buffers);
  return true;
}

TEST(GuideLineBuilder, PicksOnlyPresentFollowingSectionsOfTheService) {
  Section s;
  s.descriptors = ShortEvent(Text("News"), Text("Headlines"));
  Built b;
  EXPECT_TRUE(Build(Units(s), 0x1234, {}, &b));
  EXPECT_FALSE(Build(Units(s), 0x1235, {}, &b));
  s.tableId = 0x4F;  // other transport stream
  EXPECT_FALSE(Build(Units(s), 0x1234, {}, &b));
  s.tableId = 0x4E;
  s.sectionLength = 14;
  EXPECT_FALSE(Build(Units(s), 0x1234, {}, &b));
  // A name that runs past the delivery: the unit is passed over.
  s.sectionLength = -1;
  Bytes cut = Units(s);
  cut[32] = 200;
  EXPECT_FALSE(Build(cut, 0x1234, {}, &b));
}

TEST(GuideLineBuilder, LayoutsTimeshiftAndCleaning) {
  Section s;
  s.hour = 0x23;
  s.minute = 0x07;
  s.descriptors = ShortEvent(Text("\x05News*Live"), Text("Head\x8Alines"));
  Built b;
  ASSERT_TRUE(Build(Units(s), 0x1234, {0, 0}, &b));
  EXPECT_STREQ(b.line, "(23:07) News Live ");
  EXPECT_EQ(b.nameLead, 1);
  ASSERT_TRUE(Build(Units(s), 0x1234, {1, 1}, &b));
  EXPECT_STREQ(b.line, "(00:07) News Live > Head lines ");
  EXPECT_STREQ(b.timeText, "00:07");
  ASSERT_TRUE(Build(Units(s), 0x1234, {3, 0}, &b));
  EXPECT_STREQ(b.line, "");
  EXPECT_STREQ(b.name, " News Live");  // cleaned, nameLead not applied
}

TEST(GuideLineBuilder, EpgtextTwoShowsThePresentTextOnTheSecondLine) {
  Section s;
  s.sectionNumber = 1;
  s.descriptors = ShortEvent(Text("Film"), Text("A film"));
  Built b;
  ASSERT_TRUE(Build(Units(s), 0x1234, {2, 0}, &b, "Tonight's news"));
  EXPECT_STREQ(b.line, "Tonight's news ");
  ASSERT_TRUE(Build(Units(s), 0x1234, {2, 0}, &b, nullptr));
  EXPECT_STREQ(b.line, " ");
}

TEST(GuideLineBuilder, DescriptorTagsAndTheirRecognition) {
  Section s;
  s.descriptors = PdcThenShortEvent(Text("XFilm"), Text("Story"));
  guide::PickedEvent picked;
  Bytes d = Units(s);
  ASSERT_TRUE(guide::PickEvent(guide::UnitReader(d.data(), d.size(), 0), 0x1234, &picked));
  EXPECT_TRUE(picked.strings.recognised);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(picked.strings.name),
                        picked.strings.nameLength),
            "Film");
  // A component descriptor first: a short event later in the loop is read
  // as if it came first; with none, nothing is recognised.
  s.descriptors = Cat(Descriptor(0x50, Bytes(6, 1)), ShortEvent(Text("N"), Text("T")));
  d = Units(s);
  ASSERT_TRUE(guide::PickEvent(guide::UnitReader(d.data(), d.size(), 0), 0x1234, &picked));
  EXPECT_TRUE(picked.strings.recognised);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(picked.strings.name),
                        picked.strings.nameLength),
            "N");
  s.descriptors = Cat(Descriptor(0x50, Bytes(6, 1)), Descriptor(0x54, Bytes(2, 0x4D)));
  d = Units(s);
  ASSERT_TRUE(guide::PickEvent(guide::UnitReader(d.data(), d.size(), 0), 0x1234, &picked));
  EXPECT_FALSE(picked.strings.recognised);
  EXPECT_EQ(picked.strings.name, nullptr);
  // A short event whose descriptor runs past the section is not taken.
  Section cut = s;
  cut.descriptors = Cat(Descriptor(0x50, Bytes(6, 1)), ShortEvent(Text("Name"), Text("T")));
  cut.sectionLength = 15 + 12;  // the section ends inside the short event
  d = Units(cut);
  const uint32_t crc = guide::Crc32Mpeg(&d[1], 3 + 27 - 4);  // and its CRC holds
  for (int k = 0; k < 4; ++k) d[1 + 3 + 27 - 4 + k] = static_cast<uint8_t>(crc >> (24 - 8 * k));
  ASSERT_TRUE(guide::PickEvent(guide::UnitReader(d.data(), d.size(), 0), 0x1234, &picked));
  EXPECT_FALSE(picked.strings.recognised);
}

TEST(GuideLineBuilder, UnitsReadFromADeliveryBySize) {
  EXPECT_EQ(guide::DeliveryUnits(183), 0);
  EXPECT_EQ(guide::DeliveryUnits(184), 1);
  EXPECT_EQ(guide::DeliveryUnits(367), 1);
  EXPECT_EQ(guide::DeliveryUnits(2000), 10);
  EXPECT_EQ(guide::DeliveryUnits(2001), 0);
  EXPECT_EQ(guide::DeliveryUnits(-184), 0);
}

TEST(GuideLineBuilder, ShiftedHoursStayInTheDay) {
  EXPECT_EQ(guide::ShiftedHour(0x23, 1), 0);
  EXPECT_EQ(guide::ShiftedHour(0x20, -2), 18);
  EXPECT_EQ(guide::ShiftedHour(0x05, -30), 23);
  EXPECT_EQ(guide::ShiftedHour(0x05, 2147483647), (5 + 2147483647LL) % 24);
}

}  // namespace
