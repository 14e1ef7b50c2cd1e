// Tests of OnDataArrival and BcdT over hand-made present/following sections.
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <gtest/gtest.h>

#include "common/channel_record.h"
#include "guide/crc32.h"
#include "guide/event_time.h"
#include "guide/guide.h"
#include "tests/hostkit/record.h"
#include "tests/fakes/fake_desktop.h"
#include "settings/settings.h"
#include "tests/support/guide_sections.h"

using sections::Bytes;
using sections::Section;
using sections::Text;

namespace {

constexpr uint16_t kSid = 0x1234;

std::string NowLine() { char b[1024]; CopyNowLine(b, sizeof b); return b; }
std::string NextLine() { char b[1024]; CopyNextLine(b, sizeof b); return b; }
std::string NowName() { char b[1024]; CopyNowName(b, sizeof b); return b; }
std::string NowText() { char b[1024]; CopyNowText(b, sizeof b); return b; }
std::string NextText() { char b[1024]; CopyNextText(b, sizeof b); return b; }
std::string TimeText() { char b[256]; CopyTimeText(b, sizeof b); return b; }
std::string UnicodeNow() { char b[1024]; CopyUnicodeNowLine(b, sizeof b); return b; }
std::string UnicodeNext() { char b[1024]; CopyUnicodeNextLine(b, sizeof b); return b; }

void Feed(const Bytes& delivery, int filterId = 1) {
  OnDataArrival(filterId, static_cast<int>(delivery.size()), delivery.data());
}

Section Present(const Bytes& descriptors) {
  Section s;
  s.descriptors = descriptors;
  return s;
}

Section Following(const Bytes& descriptors) {
  Section s;
  s.sectionNumber = 1;
  s.hour = 0x21;
  s.minute = 0x00;
  s.descriptors = descriptors;
  return s;
}

Bytes News() { return sections::ShortEvent(Text("News"), Text("Headlines")); }
Bytes Film() { return sections::ShortEvent(Text("Film"), Text("Plot")); }

class GuideDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGuide();
    ResetSettings();
    settings.epgtext = 1;
    settings.epgchars = 0;
    settings.localtime = 0;
    fake::SetTimeZone(0, false);
    SaveChannelRecord(hostkit::MakeRecord("Test", 11778000, 13, kSid, 0));
    eitState = 1;
  }
  void TearDown() override {
    settings.epgchars = 0;
    settings.localtime = 0;
  }
};

// ---- Delivery sizes -------------------------------------------------------

struct SizeCase {
  int length;
  size_t sectionUnit;  // where the present section starts
  int32_t expectedState;
};

TEST_F(GuideDecode, DeliverySizesDecideHowManyUnitsAreRead) {
  const SizeCase cases[] = {
      {183, 0, 1},   // shorter than a unit: ignored
      {184, 0, 3},   // one unit
      {367, 0, 3},   // one unit, the 183 bytes after it ignored
      {2000, 9, 3},  // ten units: the last one is read
      {2001, 0, 1},  // too long: ignored entirely
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.length);
    SetUp();
    Bytes delivery(c.length, 0xFF);
    Bytes unit = sections::Units(Present(News()));
    for (size_t i = 0; i < unit.size() && c.sectionUnit * 184 + i < delivery.size(); ++i)
      delivery[c.sectionUnit * 184 + i] = unit[i];
    Feed(delivery);
    EXPECT_EQ(eitState.load(), c.expectedState);
  }
}

TEST_F(GuideDecode, RemainderShorterThanAUnitIsNotRead) {
  // 367 bytes: a following section starts in the 183-byte remainder.
  Bytes delivery = sections::Units(Present(News()));
  Bytes next = sections::Units(Following(Film()));
  delivery.insert(delivery.end(), next.begin(), next.begin() + 183);
  ASSERT_EQ(delivery.size(), 367u);
  Feed(delivery);
  EXPECT_EQ(eitState.load(), 3);
  EXPECT_EQ(NextLine(), "");
}

// ---- Present and following ------------------------------------------------

TEST_F(GuideDecode, PresentAndFollowingInEitherOrder) {
  Bytes present = sections::Units(Present(News()));
  Bytes following = sections::Units(Following(Film()));

  Feed(following);
  EXPECT_EQ(eitState.load(), 5);
  EXPECT_EQ(NextLine(), "(21:00) Film > Plot ");
  EXPECT_EQ(NowLine(), "");
  Feed(present);
  EXPECT_EQ(eitState.load(), 7);
  EXPECT_EQ(NowLine(), "(20:15) News > Headlines ");

  SetUp();
  Feed(present);
  EXPECT_EQ(eitState.load(), 3);
  Feed(following);
  EXPECT_EQ(eitState.load(), 7);

  SetUp();
  Feed(sections::Cat(following, present));  // both in one delivery
  EXPECT_EQ(eitState.load(), 7);
}

TEST_F(GuideDecode, ALineIsTakenOncePerChannelChange) {
  Feed(sections::Units(Present(News())));
  Feed(sections::Units(Present(Film())));  // a programme change on the same channel
  EXPECT_EQ(NowLine(), "(20:15) News > Headlines ");

  RestartProgrammeLines(-1);
  EXPECT_EQ(eitState.load(), 1);
  EXPECT_EQ(NowLine(), "");
  EXPECT_EQ(NowText(), "Headlines");  // the description stays for the EPG panel
  Feed(sections::Units(Present(Film())));
  EXPECT_EQ(NowLine(), "(20:15) Film > Plot ");
}

// ---- Descriptor layouts ---------------------------------------------------

// An extended event descriptor whose name the decoder finds at 40 + L and
// 41 + L: body from unit byte 29, item length L = 2 at unit byte 33.
Bytes ExtendedShort() {
  Bytes body = {0x00, 'e', 'n', 'g', 2, 'i', 'j', 'a', 'b', 'c', 'd', 'e', 'f', 5};
  return sections::Descriptor(0x4E, sections::Cat(body, Text("Title")));
}

// A long extended event descriptor: 48 bytes from unit byte 41 are the name.
Bytes ExtendedLong() {
  Bytes body(0x90, 'x');
  for (size_t i = 0; i < 48; ++i) body[12 + i] = static_cast<uint8_t>('A' + i % 26);
  return sections::Descriptor(0x4E, body);
}

struct LayoutCase {
  const char* what;
  Bytes descriptors;
  std::string name, text;
  int32_t state;
};

TEST_F(GuideDecode, EachDescriptorLayoutGivesNameAndText) {
  std::string alphabet48 = "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUV";
  const LayoutCase cases[] = {
      {"short event", News(), "News", "Headlines", 3},
      {"PDC then short event: the name loses its first byte",
       sections::PdcThenShortEvent(Text("XNews"), Text("Headlines")), "News", "Headlines", 3},
      {"PDC with an empty name", sections::PdcThenShortEvent({}, Text("Only text")), "",
       "Only text", 3},
      {"extended event, item area", ExtendedShort(), "Title", "", 3},
      {"extended event, long descriptor", ExtendedLong(), alphabet48, "", 3},
      {"component descriptor first: line built, bit clear",
       sections::Descriptor(0x50, Bytes(6, 0x41)), "", "", 1},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Feed(sections::Units(Present(c.descriptors)));
    EXPECT_EQ(eitState.load(), c.state);
    EXPECT_EQ(NowName(), c.name);
    EXPECT_EQ(NowText(), c.text);
    EXPECT_EQ(NowLine(), "(20:15) " + c.name + " > " + c.text + " ");
  }
}

TEST_F(GuideDecode, UnrecognisedFirstDescriptorGivesTimeAndTwoBlanks) {
  settings.epgtext = 0;
  Feed(sections::Units(Present(sections::Descriptor(0x50, Bytes(6, 0x41)))));
  EXPECT_EQ(NowLine(), "(20:15)  ");
  EXPECT_EQ(eitState.load(), 1);
  // The bit stayed clear, so a later section of the same kind builds it again.
  Feed(sections::Units(Present(News())));
  EXPECT_EQ(NowLine(), "(20:15) News ");
  EXPECT_EQ(eitState.load(), 3);
}

// ---- Character-table bytes and cleaning -----------------------------------

struct NameCase {
  const char* what;
  Bytes name, text;
  std::string line;  // epgtext 1
  std::string storedName;
};

TEST_F(GuideDecode, CharacterTableBytesAndCleaning) {
  const NameCase cases[] = {
      {"three-byte table 0x10: name and text lose three bytes",
       Text(std::string("\x10\x00\x02Zpravy", 9)), Text(std::string("\x10\x00\x02" "Dnes", 7)),
       "(20:15) Zpravy > Dnes ", "Zpravy"},
      {"table 0x10 with a name shorter than the skip: no name",
       Text(std::string("\x10\x00", 2)), Text("abcdef"), "(20:15)  > def ", ""},
      {"single table byte: the name shows from its second byte",
       Text("\x05Journal"), Text("Texte"), "(20:15) Journal > Texte ", " Journal"},
      {"leading blank", Text(" Lead"), Text("t"), "(20:15) Lead > t ", " Lead"},
      {"empty name", {}, Text("t"), "(20:15)  > t ", ""},
      {"asterisk and 0x8A become blanks",
       Text("A*B\x8A" "C"), Text("x\x8Ay*z\x01w"), "(20:15) A B C > x y z w ", "A B C"},
      {"bytes from 0x80 stay (except 0x8A); no lead for them",
       Text("\xC9" "cole\x8B"), Text("\xE9t\xE9"), "(20:15) \xC9" "cole\x8B > \xE9t\xE9 ",
       "\xC9" "cole\x8B"},
      {"a NUL inside the name ends it", Text(std::string("AB\0*C", 5)), Text("t"),
       "(20:15) AB > t ", "AB"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Feed(sections::Units(Present(sections::ShortEvent(c.name, c.text))));
    EXPECT_EQ(eitState.load(), 3);
    EXPECT_EQ(NowLine(), c.line);
    EXPECT_EQ(NowName(), c.storedName);
  }
}

// ---- Unicode lines (epgchars 1) --------------------------------------------

TEST_F(GuideDecode, EpgcharsBuildsUnicodeLinesFromTheBytesBeforeCleaning) {
  settings.epgchars = 1;
  Feed(sections::Units(Present(sections::ShortEvent(Text("Vyjednava\xCF" "c"),
                                                    Text("Film\x8A" "CZ 2019")))));
  Feed(sections::Units(Following(sections::ShortEvent(Text("\x03\xB6\xEB\xEB\xEF\xED"),
                                                      Text("\x03\xC5\xF0. 13")))));
  EXPECT_EQ(eitState.load(), 7);
  EXPECT_EQ(UnicodeNow(), u8"(20:15) Vyjednavač > Film CZ 2019 ");
  EXPECT_EQ(UnicodeNext(), u8"(21:00) Άλλον > Επ. 13 ");
  // The 8-bit lines stay as without the setting.
  EXPECT_EQ(NowLine(), "(20:15) Vyjednava\xCF" "c > Film CZ 2019 ");
  EXPECT_EQ(NextLine(), "(21:00) \xB6\xEB\xEB\xEF\xED >  \xC5\xF0. 13 ");
  // The EPG panel's description keeps its line break.
  char text[1024];
  EXPECT_TRUE(CopyNowTextFor(CurrentChannelSerial(), text, sizeof text));
  EXPECT_STREQ(text, "Film\nCZ 2019");

  SetUp();  // epgchars 0: no Unicode form is made
  Feed(sections::Units(Present(News())));
  EXPECT_EQ(UnicodeNow(), "");
  EXPECT_FALSE(CopyNowTextFor(CurrentChannelSerial(), text, sizeof text));
  EXPECT_STREQ(text, "Headlines");
}

TEST_F(GuideDecode, ShortEventAfterAnotherFirstDescriptorGivesTheLine) {
  settings.epgchars = 1;
  // As the Taiwanese broadcasters send it: two component descriptors first,
  // then the name in two-byte characters (0x14).
  Bytes name = {0x14, 0x65, 0xB0, 0x54, 0xC6, 0x55, 0x66};
  Bytes loop = sections::Cat(sections::Descriptor(0x50, Bytes(6, 0x01)),
                             sections::Descriptor(0x50, Bytes(6, 0x02)));
  Feed(sections::Units(Present(sections::Cat(loop, sections::ShortEvent(name, {})))));
  EXPECT_EQ(eitState.load(), 3);
  EXPECT_EQ(UnicodeNow(), u8"(20:15) 新哆啦 >  ");
}

// ---- Local time (localtime 1) ----------------------------------------------

TEST(GuideEventTime, MjdDates) {
  const guide::CivilDate d = guide::DateOfMjd(0xE82C);
  EXPECT_EQ(d.year * 10000 + d.month * 100 + d.day, 20210810);
  const guide::CivilDate leap = guide::DateOfMjd(60369);  // 2024-02-29
  EXPECT_EQ(leap.year * 10000 + leap.month * 100 + leap.day, 20240229);
}

TEST_F(GuideDecode, LocaltimeTurnsTheUtcStartIntoWindowsLocalTime) {
  struct ZoneCase {
    int minutes;
    bool summerHour;
    uint16_t mjd;
    int32_t timeshift;
    const char* time;
  };
  const ZoneCase cases[] = {
      {60, true, 0xE82C, 0, "22:15"},    // August: summer time, +2
      {60, true, 60369, 0, "21:15"},     // February: winter time, +1
      {570, false, 0xE82C, 0, "05:45"},  // +9:30, past midnight
      {330, false, 0xE82C, -1, "00:45"}, // +5:30, then the hour shift
      {345, false, 0xE82C, 0, "02:00"},  // +5:45
  };
  for (const ZoneCase& c : cases) {
    SCOPED_TRACE(c.time);
    SetUp();
    settings.localtime = 1;
    settings.timeshift = c.timeshift;
    fake::SetTimeZone(c.minutes, c.summerHour);
    Section present = Present(News());
    present.mjd = c.mjd;
    Feed(sections::Units(present));
    EXPECT_EQ(TimeText(), c.time);
  }
  // Off, or with a start that is no time: today's rule.
  SetUp();
  fake::SetTimeZone(60, false);
  Feed(sections::Units(Present(News())));
  EXPECT_EQ(TimeText(), "20:15");
  SetUp();
  settings.localtime = 1;
  fake::SetTimeZone(60, false);
  Section bad = Present(News());
  bad.minute = 0x7A;
  Feed(sections::Units(bad));
  EXPECT_EQ(TimeText(), "20:7A");
  settings.timeshift = 0;
}

// ---- Lines that follow the programme ----------------------------------------

TEST_F(GuideDecode, AnotherEventWhileTunedBuildsThatLineAgain) {
  settings.epgchars = 1;
  Feed(sections::Cat(sections::Units(Present(News())), sections::Units(Following(Film()))));
  ASSERT_EQ(eitState.load(), 7);
  ASSERT_TRUE(ShowCompleteProgrammeLines(-1));
  ASSERT_EQ(eitState.load(), 8);
  EXPECT_FALSE(ShowChangedProgrammeLines(-1));

  // The same events again: nothing changes.
  Feed(sections::Units(Present(Film())));
  EXPECT_EQ(NowLine(), "(20:15) News > Headlines ");
  EXPECT_FALSE(ShowChangedProgrammeLines(-1));

  // The film begins: the present section carries its event, the following
  // section the next one.
  Section present = Present(Film());
  present.eventId = 0x1235;
  present.hour = 0x21;
  present.minute = 0x00;
  Section following = Following(sections::ShortEvent(Text("Late"), Text("Talk")));
  following.eventId = 0x1236;
  following.hour = 0x22;
  Feed(sections::Cat(sections::Units(present), sections::Units(following)));
  EXPECT_EQ(eitState.load(), 8);
  EXPECT_EQ(NowLine(), "(21:00) Film > Plot ");
  EXPECT_EQ(NextLine(), "(22:00) Late > Talk ");
  EXPECT_EQ(UnicodeNow(), "(21:00) Film > Plot ");
  EXPECT_EQ(NowText(), "Plot");
  EXPECT_TRUE(ShowChangedProgrammeLines(-1));
  EXPECT_FALSE(ShowChangedProgrammeLines(-1));  // taken once

  // Another channel tuned without the lines restarted (a change too short to
  // show the banner): its programme is not followed on the lines shown.
  SaveChannelRecord(hostkit::MakeRecord("X", 11778000, 13, kSid, 0));
  Section other = Present(News());
  other.eventId = 0x1299;
  Feed(sections::Units(other));
  EXPECT_EQ(NowLine(), "(21:00) Film > Plot ");
  EXPECT_FALSE(ShowChangedProgrammeLines(-1));

  // A channel change forgets the events: the same one builds again.
  RestartProgrammeLines(-1);
  Feed(sections::Units(present));
  EXPECT_EQ(eitState.load(), 3);
  EXPECT_FALSE(ShowChangedProgrammeLines(-1));
}

TEST_F(GuideDecode, EpgtextTwoFollowsTheNewPresentDescription) {
  settings.epgtext = 2;
  Feed(sections::Cat(sections::Units(Present(News())), sections::Units(Following(Film()))));
  ASSERT_TRUE(ShowCompleteProgrammeLines(-1));
  EXPECT_EQ(NextLine(), "Headlines ");
  Section present = Present(Film());
  present.eventId = 0x1235;
  Feed(sections::Units(present));
  EXPECT_EQ(NextLine(), "Plot ");
}

// ---- Line layouts by epgtext ------------------------------------------------

struct ModeCase {
  int epgtext;
  std::string now, next;
};

TEST_F(GuideDecode, LineLayoutsByEpgtext) {
  const ModeCase cases[] = {
      {0, "(20:15) News ", "(21:00) Film "},
      {1, "(20:15) News > Headlines ", "(21:00) Film > Plot "},
      {2, "(20:15) News ", "Headlines "},  // the second line: the present description
      {3, "", ""},
      {-1, "", ""},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.epgtext);
    SetUp();
    settings.epgtext = c.epgtext;
    Feed(sections::Units(Present(News())));
    Feed(sections::Units(Following(Film())));
    EXPECT_EQ(NowLine(), c.now);
    EXPECT_EQ(NextLine(), c.next);
    EXPECT_EQ(eitState.load(), 7);  // the bits are added whatever the layout
    EXPECT_EQ(NextText(), "Plot");
  }
}

TEST_F(GuideDecode, EpgtextTwoUsesTheDescriptionHeldWhenTheFollowingArrives) {
  settings.epgtext = 2;
  Feed(sections::Units(Following(Film())));  // before any present section
  EXPECT_EQ(NextLine(), " ");
}

// ---- Bounds of the reads --------------------------------------------------

// A short event whose text runs past the first unit.
Bytes LongEvent() { return sections::ShortEvent(Text("Long"), Bytes(200, 'L')); }

struct BoundsCase {
  const char* what;
  Bytes delivery;
  int32_t state;
};

TEST_F(GuideDecode, LengthsPointingPastTheDeliveryPassTheUnitOver) {
  Bytes twoUnits = sections::Units(Present(LongEvent()));
  ASSERT_EQ(twoUnits.size(), 368u);
  Bytes firstOnly(twoUnits.begin(), twoUnits.begin() + 184);
  // Ten units with the long section starting in the last one.
  Bytes tenUnits(9 * 184, 0xFF);
  tenUnits.insert(tenUnits.end(), firstOnly.begin(), firstOnly.end());
  // The name length byte itself says 250: name and text beyond the unit.
  Bytes hugeName = sections::Units(Present(News()));
  hugeName[32] = 250;
  // PDC layout whose name length points past the end.
  Bytes pdc = sections::Units(Present(sections::PdcThenShortEvent(Text("XN"), Text("t"))));
  pdc[37] = 200;
  // Extended layout whose item length puts the name length byte past the end.
  Bytes ext = sections::Units(Present(ExtendedShort()));
  ext[33] = 200;

  const BoundsCase cases[] = {
      {"continuation in the following unit is read", twoUnits, 3},
      {"text cut by the end of a one-unit delivery", firstOnly, 1},
      {"text cut by the end of a ten-unit delivery", tenUnits, 1},
      {"name length past the end", hugeName, 1},
      {"PDC name length past the end", pdc, 1},
      {"extended item length past the end", ext, 1},
  };
  for (const BoundsCase& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    Feed(sections::Units(Present(sections::ShortEvent(Text("Before"), Text("B")))));
    RestartProgrammeLines(-1);
    Feed(c.delivery);
    EXPECT_EQ(eitState.load(), c.state);
    // A unit passed over leaves the buffers as they were.
    if (c.state == 1) {
      EXPECT_EQ(NowName(), "Before");
    }
  }
  SetUp();
  Feed(twoUnits);
  EXPECT_EQ(NowText(), std::string(200, 'L'));
}

// ---- The CRC_32 of a whole section ------------------------------------------

TEST_F(GuideDecode, AWholeSectionWithABadCrcIsPassedOverAndItsGoodCopyGivesTheLine) {
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(guide::Crc32Mpeg(check, sizeof check), 0x0376E6E7u);

  Bytes good = sections::Units(Present(News()));
  Bytes damaged = good;
  damaged[34] ^= 0x04;  // "News" becomes "Naws": one bit, and the CRC no longer holds
  Bytes badCrc = good;
  badCrc[1 + 3 + (good[3] | (good[2] & 0x0F) << 8) - 1] ^= 0xFF;  // the CRC's last byte
  for (const Bytes* bad : {&damaged, &badCrc}) {
    SetUp();
    Feed(*bad);
    EXPECT_EQ(eitState.load(), 1);
    EXPECT_EQ(NowName(), "");
    guide::EventTiming timing;
    EXPECT_FALSE(guide::PresentEventTiming(&timing));
    Feed(sections::Cat(*bad, good));  // the good copy after it, in one delivery
    EXPECT_EQ(eitState.load(), 3);
    EXPECT_EQ(NowLine(), "(20:15) News > Headlines ");
  }
  // A section that runs past the end of its delivery cannot be judged: it is
  // read as before (its name and text lie inside the delivery).
  SetUp();
  Bytes shortText = sections::Units(Present(sections::ShortEvent(Text("Cut"), Bytes(100, 'c'))));
  shortText.resize(184);
  Bytes longSection = shortText;
  longSection[2] = 0xB1;  // section_length above 256: runs past the one-unit delivery
  Feed(longSection);
  EXPECT_EQ(eitState.load(), 3);
  EXPECT_EQ(NowName(), "Cut");
}

TEST_F(GuideDecode, ThePresentEventsTimingFollowsThePresentSection) {
  guide::EventTiming timing;
  EXPECT_FALSE(guide::PresentEventTiming(&timing));
  Feed(sections::Units(Following(Film())));
  EXPECT_FALSE(guide::PresentEventTiming(&timing));  // the following event is not the present one
  Feed(sections::Units(Present(News())));
  ASSERT_TRUE(guide::PresentEventTiming(&timing));
  // MJD 0xE82C (2021-08-10) 20:15:00 UTC, lasting 01:30:00.
  EXPECT_EQ(timing.startUtc, 1628626500);
  EXPECT_EQ(timing.durationSec, 5400);
  EXPECT_EQ(timing.eventId, 0x1234);
  SaveChannelRecord(hostkit::MakeRecord("Other", 11778000, 13, kSid, 0));  // a channel change
  EXPECT_FALSE(guide::PresentEventTiming(&timing));
  RestartProgrammeLines(-1);
  Section undefined = Present(News());
  undefined.hour = 0xFF;
  Feed(sections::Units(undefined));
  EXPECT_EQ(eitState.load(), 3);
  EXPECT_FALSE(guide::PresentEventTiming(&timing));
}

// ---- Deliveries that are ignored ------------------------------------------

TEST_F(GuideDecode, DeliveriesAndUnitsThatArePassedOver) {
  Bytes good = sections::Units(Present(News()));
  Section other = Present(News());
  other.serviceId = 0x1235;
  Section table = Present(News());
  table.tableId = 0x4F;
  Section shortLength = Present(News());
  shortLength.sectionLength = 14;

  struct Case {
    const char* what;
    int filterId;
    int length;
    const uint8_t* buffer;
    int32_t stateBefore;
  };
  Bytes otherUnits = sections::Units(other), tableUnits = sections::Units(table),
        shortUnits = sections::Units(shortLength);
  const Case cases[] = {
      {"eitState 8: every delivery ignored", 1, 184, good.data(), 8},
      {"eitState 0: no filter runs", 1, 184, good.data(), 0},
      {"filter id 2", 2, 184, good.data(), 1},
      {"null buffer with a length", 1, 184, nullptr, 1},
      {"negative length", 1, -184, good.data(), 1},
      {"another service", 1, 184, otherUnits.data(), 1},
      {"another table", 1, 184, tableUnits.data(), 1},
      {"section_length 14", 1, 184, shortUnits.data(), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    eitState = c.stateBefore;
    OnDataArrival(c.filterId, c.length, c.buffer);
    EXPECT_EQ(eitState.load(), c.stateBefore);
    EXPECT_EQ(NowLine(), "");
    EXPECT_EQ(NowName(), "");
  }
}

TEST_F(GuideDecode, ServiceIdComparesAsUnsigned) {
  SaveChannelRecord(hostkit::MakeRecord("Test", 1, 1, 0xFFFF, 0));
  Section s = Present(News());
  s.serviceId = 0xFFFF;
  Feed(sections::Units(s));
  EXPECT_EQ(eitState.load(), 3);
}

// ---- The debug dump ---------------------------------------------------------

std::string ReadWholeFile(const char* path) {
  std::string out;
  if (std::FILE* f = std::fopen(path, "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<char>(c));
    std::fclose(f);
  }
  return out;
}

TEST_F(GuideDecode, DebugDumpAppendsEveryAcceptedDeliveryRaw) {
  // Natively the dump lands in the working directory under that literal name.
  const char* path = "C:\\Tavik_EIT.dbg";
  std::remove(path);
  settings.titlemode = -1;
  Bytes present = sections::Units(Present(News()));
  Bytes withRemainder = sections::Cat(present, Bytes(183, 0xAB));
  Bytes other(184, 0x5A);

  Feed(Bytes(183, 0x11));            // too short: not dumped
  Feed(Bytes(2001, 0x22));           // too long: not dumped
  Feed(withRemainder);               // dumped whole, remainder included
  Feed(other, 2);                    // another filter id: dumped, not decoded
  EXPECT_EQ(eitState.load(), 3);
  eitState = 8;
  Feed(present);                     // after the lines were shown: not dumped
  settings.titlemode = 0;
  eitState = 1;
  Feed(present);                     // dump off

  std::string expected;
  expected.append(withRemainder.begin(), withRemainder.end());
  expected.append(other.begin(), other.end());
  EXPECT_EQ(ReadWholeFile(path), expected);
  std::remove(path);
}

// ---- BcdT -----------------------------------------------------------------

struct TimeCase {
  uint8_t hours, minutes;
  int32_t timeshift;
  const char* text;
};

TEST(GuideBcdT, HoursShiftedAndBroughtIntoTheDay) {
  const TimeCase cases[] = {
      {0x23, 0x07, 1, "00:07"},   {0x22, 0x45, 1, "23:45"},
      {0x09, 0x00, 0, "09:00"},   {0x20, 0x30, -2, "18:30"},
      {0x00, 0x59, -1, "23:59"},  {0x10, 0x00, 48, "10:00"},
      {0x10, 0x00, 50, "12:00"},  {0x10, 0x00, -30, "04:00"},
      {0x23, 0x00, 25, "00:00"},  {0x05, 0x00, INT32_MAX, "12:00"},
      {0x05, 0x00, INT32_MIN, "21:00"},
  };
  for (const TimeCase& c : cases) {
    SCOPED_TRACE(c.text);
    ResetGuide();
    settings.timeshift = c.timeshift;
    BcdT(static_cast<int8_t>(c.hours), static_cast<int8_t>(c.minutes));
    EXPECT_EQ(TimeText(), c.text);
  }
  settings.timeshift = 0;
}

// ---- No allocation on the decode path -------------------------------------

std::atomic<long> allocations{0};

}  // namespace

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t size) {
  allocations.fetch_add(1);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

TEST_F(GuideDecode, DecodingAllocatesNothing) {
  Bytes delivery = sections::Cat(sections::Units(Present(LongEvent())),
                                 sections::Units(Following(Film())));
  settings.epgchars = 1;
  settings.localtime = 1;
  Section next = Present(Film());
  next.eventId = 0x4321;
  Bytes changed = sections::Units(next);
  long during = 0;  // allocations made inside the data routine
  auto feed = [&](const Bytes& d) {
    long before = allocations.load();
    Feed(d);
    during += allocations.load() - before;
  };
  feed(delivery);
  EXPECT_EQ(eitState.load(), 7);
  ASSERT_TRUE(ShowCompleteProgrammeLines(-1));
  feed(delivery);  // while the lines are shown: repeats refused,
  feed(changed);   // and a new event built
  EXPECT_EQ(eitState.load(), 8);
  EXPECT_EQ(NowLine(), "(20:15) Film > Plot ");
  EXPECT_EQ(during, 0);
}

}  // namespace
