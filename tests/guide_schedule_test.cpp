// Tests of the schedule engine: the section assembler over header-less units
// (every layout, lost and damaged units, false starts), the bounded event
// store, and the rows, detail and lines the plug-in makes from them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/channel_record.h"
#include "guide/crc32.h"
#include "guide/eit_decoder.h"
#include "guide/event_store.h"
#include "guide/guide.h"
#include "guide/section_assembler.h"
#include "keep/file_bytes.h"
#include "tests/hostkit/record.h"
#include "settings/settings.h"
#include "tests/fakes/fake_desktop.h"
#include "tests/support/guide_sections.h"

using sections::Bytes;
using sections::Event;
using sections::Text;

namespace {

constexpr uint16_t kSid = 0x1234;
constexpr int64_t kNow = 1628627400;  // 2021-08-10 20:30 UTC, a Tuesday

Event Ev(uint16_t id, uint8_t hour, uint8_t minute, uint32_t duration, const std::string& name,
         const std::string& text = "", uint16_t mjd = 0xE82C) {
  Event e;
  e.eventId = id;
  e.mjd = mjd;
  e.hour = hour;
  e.minute = minute;
  e.duration = duration;
  e.descriptors = sections::Cat(sections::ShortEvent(Text(name), Text(text)),
                                sections::Descriptor(0x54, {0x10, 0x00}));
  return e;
}

// ---- The assembler --------------------------------------------------------

struct Collected {
  std::vector<Bytes> sections;
  int badCrc = 0;
};

void Collect(void* context, const uint8_t* section, size_t size) {
  Collected* c = static_cast<Collected*>(context);
  if (!guide::SectionCrcHolds(section, size)) ++c->badCrc;
  c->sections.emplace_back(section, section + size);
}

Collected Assemble(const Bytes& units, guide::SectionAssembler* a = nullptr) {
  static guide::SectionAssembler own;
  if (a == nullptr) {
    a = &own;
    a->Reset();
  }
  Collected c;
  for (size_t at = 0; at + 184 <= units.size(); at += 184) a->Feed(&units[at], &Collect, &c);
  return c;
}

// Sections of many sizes: one that fits a unit many times over, ones that
// cross one and several units, the longest a section can be.
std::vector<Bytes> ManySections() {
  std::vector<Bytes> list;
  const int textSizes[] = {0, 10, 150, 170, 171, 172, 173, 245, 240, 230};
  uint16_t id = 1;
  for (int t : textSizes)
    list.push_back(sections::EitSection(0x4E, kSid, 1, 0, {Ev(id++, 0x20, 0x15, 0x3000, "N",
                                                              std::string(t, 'x'))}));
  std::vector<Event> many;
  for (int k = 0; k < 14; ++k) many.push_back(Ev(id++, 0x21, 0x00, 0x3000, "Long", std::string(245, 'y')));
  many.push_back(Ev(id++, 0x22, 0x00, 0x3000, "L", std::string(246, 'y')));
  Bytes longest = sections::EitSection(0x50, kSid, 1, 0, many);
  EXPECT_EQ(longest.size(), 4096u);  // section_length 4093, the most there is
  list.push_back(longest);
  for (int t : {20, 300, 600})
    list.push_back(sections::EitSection(0x51, kSid, 1, 1, {Ev(id++, 0x06, 0x00, 0x3000, "S",
                                                              std::string(t % 250, 'z'))}));
  return list;
}

TEST(GuideAssembler, EverySectionInEveryLayout) {
  const std::vector<Bytes> list = ManySections();
  // Each section in whole units, then all of them packed end to end: several
  // in one unit, headers cut by a unit's end, a start on a unit's last bytes.
  Bytes whole;
  for (const Bytes& s : list) whole = sections::Cat(whole, sections::Packed({s}));
  for (const Bytes* units : {&whole}) {
    Collected c = Assemble(*units);
    EXPECT_EQ(c.sections, list);
  }
  // Packed with each leading section shifted by one byte, so that over the
  // runs every section starts at every position of a unit's end.
  for (int shift = 0; shift < 184; ++shift) {
    SCOPED_TRACE(shift);
    std::vector<Bytes> shifted = list;
    shifted.insert(shifted.begin(), sections::EitSection(0x4E, 7, 0, 0, {Ev(500, 0, 0, 0, std::string(shift, 'p'))}));
    Collected c = Assemble(sections::Packed(shifted));
    EXPECT_EQ(c.sections, shifted);
    EXPECT_EQ(c.badCrc, 0);
  }
}

TEST(GuideAssembler, LostAndDamagedUnitsCostOnlyTheirSections) {
  const std::vector<Bytes> list = ManySections();
  std::vector<std::pair<size_t, size_t>> spans;
  const Bytes packed = sections::Packed(list, &spans);
  const size_t units = packed.size() / 184;
  // Every unit lost in turn, and every unit damaged in turn: nothing with a
  // bad CRC comes out, and every section wholly before the unit, or starting
  // in a unit after the last one a touched section reaches, is found.
  for (size_t hit = 0; hit < units; ++hit) {
    for (int damage = 0; damage < 2; ++damage) {
      SCOPED_TRACE(std::to_string(hit) + (damage ? " damaged" : " lost"));
      Bytes feed = packed;
      if (damage)
        feed[hit * 184 + 100] ^= 0x5A;
      else
        feed.erase(feed.begin() + hit * 184, feed.begin() + (hit + 1) * 184);
      Collected c = Assemble(feed);
      EXPECT_EQ(c.badCrc, 0);
      size_t reach = hit;  // the last unit of a section that touches the hit one
      for (const auto& span : spans)
        if (span.first <= hit && span.second >= hit) reach = std::max(reach, span.second);
      std::vector<Bytes> expected;
      for (size_t k = 0; k < list.size(); ++k)
        if (spans[k].second < hit || spans[k].first > reach) expected.push_back(list[k]);
      size_t e = 0;
      for (const Bytes& s : c.sections) {
        EXPECT_NE(std::find(list.begin(), list.end(), s), list.end());
        if (e < expected.size() && s == expected[e]) ++e;
      }
      EXPECT_EQ(e, expected.size());
    }
  }
}

TEST(GuideAssembler, AFalseStartInsideASectionHidesNothing) {
  // A section whose text, at the start of its second unit, looks like a
  // pointer field and the header of a long section: found while searching
  // after the first unit was lost, gathered until its CRC refuses it, and
  // the sections packed behind it are found all the same (later, once the
  // false one has failed).
  std::string text(200, 't');
  const size_t atSecondUnit = 183 - 14 - 12 - 2 - 3 - 1 - 1 - 1;  // text byte at unit 2's byte 0
  const uint8_t fake[] = {0x00, 0x50, 0xF7, 0xD0};                // pointer 0, table 0x50, length 2000
  for (size_t k = 0; k < sizeof fake; ++k) text[atSecondUnit + k] = static_cast<char>(fake[k]);
  const Bytes carrier = sections::EitSection(
      0x4E, kSid, 1, 0, {Ev(1, 0x20, 0, 0x3000, "F", text), Ev(2, 0x21, 0, 0x3000, "G", text)});
  std::vector<Bytes> list = {carrier};
  for (uint16_t id = 3; id < 80; ++id)  // enough for the false section to end and fail
    list.push_back(sections::EitSection(0x4E, kSid, 1, 1, {Ev(id, 0x21, 0, 0x3000, "B")}));
  Bytes packed = sections::Packed(list);
  ASSERT_EQ(packed[184], 0x00);
  ASSERT_EQ(packed[185], 0x50);
  packed.erase(packed.begin(), packed.begin() + 184);  // the carrier's first unit is lost
  guide::SectionAssembler a;
  Collected c = Assemble(packed, &a);
  EXPECT_EQ(c.sections, std::vector<Bytes>(list.begin() + 1, list.end()));
  // A false start met while searching is no section refused; a section
  // damaged once the assembler is in step is.
  EXPECT_GE(a.counts().failed, 1);
  EXPECT_EQ(a.counts().refused, 0);
  packed[packed.size() / 2] ^= 0x40;
  guide::SectionAssembler b;
  Assemble(packed, &b);
  EXPECT_EQ(b.counts().refused, 1);
}

// ---- The section decoder ------------------------------------------------------

std::string Str(guide::ByteView v) { return std::string(reinterpret_cast<const char*>(v.data), v.size); }

TEST(GuideSections, EachDescriptorIsAViewAndNothingIsReadPastItsLength) {
  using sections::Cat;
  using sections::Descriptor;
  Event e = Ev(7, 0x20, 0x15, 0x013000, "News", "Today");
  const Bytes items = {8, 'D', 'i', 'r', 'e', 'c', 't', 'o', 'r', 3, 'A', 'n', 'n', 9};
  e.descriptors = Cat(Cat(Descriptor(0x50, {0xF1, 0x0B, 0x01, 'd', 'e', 'u', 'H', 'D'}),
                          Descriptor(0x4E, Cat(Cat({0x01, 'd', 'e', 'u', 14}, items), {1, 'T'}))),
                      Cat(Cat(sections::ShortEvent(Text("News"), Text("Today")),
                              Descriptor(0x54, {0x14, 0x00, 0x20})),
                          Cat(Descriptor(0x55, {'D', 'E', 'U', 0x09, 'F'}), {0x4D, 0x40, 'x'})));
  const Bytes s = sections::EitSection(0x50, kSid, 3, 8, {e, Ev(8, 0x21, 0, 0x3000, "Late")});
  guide::EitHeader h;
  guide::ByteView events;
  ASSERT_TRUE(guide::ReadEitSection(s.data(), s.size(), &h, &events));
  EXPECT_EQ(h.tableId * 0x10000 + h.serviceId, 0x50 * 0x10000 + kSid);
  EXPECT_EQ(h.version * 100 + h.sectionNumber, 308);
  EXPECT_TRUE(h.current);
  guide::EitEventCursor cursor(events);
  guide::EitEvent ev;
  ASSERT_TRUE(cursor.Next(&ev));
  EXPECT_EQ(ev.eventId, 7);
  EXPECT_EQ(ev.durationBcd, 0x013000u);
  guide::DescriptorCursor loop(ev.descriptors);
  guide::Descriptor d;
  std::string tags;  // the last descriptor runs past the loop: never given
  while (loop.Next(&d)) tags += std::to_string(d.tag) + " ";
  EXPECT_EQ(tags, "80 78 77 84 85 ");
  loop = guide::DescriptorCursor(ev.descriptors);
  guide::ComponentView component;
  ASSERT_TRUE(loop.Next(&d) && guide::ReadComponent(d, &component));
  EXPECT_EQ(component.streamContent * 0x100 + component.componentType, 0x10B);
  EXPECT_EQ(Str(component.language) + Str(component.text), "deuHD");
  guide::ExtendedEventView extended;
  ASSERT_TRUE(loop.Next(&d) && guide::ReadExtendedEvent(d, &extended));
  EXPECT_EQ(extended.number * 10 + extended.lastNumber, 1);
  EXPECT_EQ(Str(extended.text), "T");
  guide::ItemCursor itemCursor(extended.items);
  guide::ByteView description, item;
  ASSERT_TRUE(itemCursor.Next(&description, &item));
  EXPECT_EQ(Str(description) + "=" + Str(item), "Director=Ann");
  EXPECT_FALSE(itemCursor.Next(&description, &item));  // a length byte with nothing after it
  guide::ShortEventView shortEvent;
  ASSERT_TRUE(guide::FindShortEvent(ev.descriptors, &shortEvent));
  EXPECT_EQ(Str(shortEvent.language) + Str(shortEvent.name) + Str(shortEvent.text), "engNewsToday");
  guide::ContentView content;
  guide::ParentalRatingView rating;
  loop.Next(&d);
  ASSERT_TRUE(loop.Next(&d) && guide::ReadContent(d, &content));
  EXPECT_EQ(content.Count() * 0x100 + content.Genre(0), 0x114u);
  ASSERT_TRUE(loop.Next(&d) && guide::ReadParentalRating(d, &rating));
  EXPECT_EQ(rating.Count(), 1u);
  EXPECT_EQ(Str(rating.Country(0)) + std::to_string(rating.Rating(0)), "DEU9");
  ASSERT_TRUE(cursor.Next(&ev));
  EXPECT_EQ(ev.eventId, 8);
  EXPECT_FALSE(cursor.Next(&ev));
  // An event read from a unit's bytes that end inside its loop is cut there.
  ASSERT_TRUE(guide::ReadEitEvent(guide::ByteView{events.data, 20}, &ev));
  EXPECT_FALSE(ev.whole);
  EXPECT_EQ(ev.descriptors.size, 8u);
  EXPECT_FALSE(guide::ReadEitEvent(guide::ByteView{events.data, 11}, &ev));
  // A loop length past the section ends the events there.
  Bytes broken = s;
  broken[14 + 10] |= 0x0F;
  ASSERT_TRUE(guide::ReadEitSection(broken.data(), broken.size(), &h, &events));
  EXPECT_FALSE(guide::EitEventCursor(events).Next(&ev));
}

// ---- The store --------------------------------------------------------------

struct StoreDeleter {
  void operator()(guide::EventStore* s) const { guide::EventStore::Destroy(s); }
};
using StorePtr = std::unique_ptr<guide::EventStore, StoreDeleter>;

std::vector<uint16_t> Ids(const guide::EventStore& store, uint16_t sid) {
  std::vector<guide::EventKey> keys(store.EventCount(sid));
  keys.resize(store.Keys(sid, keys.data(), static_cast<int>(keys.size())));
  std::vector<uint16_t> ids;
  for (const guide::EventKey& k : keys) ids.push_back(k.eventId);
  std::sort(ids.begin(), ids.end());
  return ids;
}

bool Put(guide::EventStore& store, const Bytes& s, int64_t clock = guide::kNoClock,
         uint16_t tuned = kSid) {
  return store.Put(s.data(), s.size(), clock, tuned);
}

TEST(GuideStore, ANewVersionReplacesWhatItsSubTableCarried) {
  StorePtr store(guide::EventStore::Create());
  ASSERT_TRUE(store);
  EXPECT_TRUE(Put(*store, sections::EitSection(0x50, kSid, 3, 0, {Ev(1, 6, 0, 0x3000, "A"), Ev(2, 7, 0, 0x3000, "B")})));
  EXPECT_TRUE(Put(*store, sections::EitSection(0x50, kSid, 3, 8, {Ev(3, 8, 0, 0x3000, "C")})));
  EXPECT_TRUE(Put(*store, sections::EitSection(0x4E, kSid, 9, 0, {Ev(2, 7, 0, 0x3000, "B")})));
  EXPECT_FALSE(Put(*store, sections::EitSection(0x50, kSid, 3, 0, {Ev(1, 6, 0, 0x3000, "X")})));  // a repeat
  EXPECT_EQ(Ids(*store, kSid), (std::vector<uint16_t>{1, 2, 3}));
  guide::StoredEvent e;
  ASSERT_TRUE(store->Find(kSid, 1, &e));
  EXPECT_EQ(std::string(e.name, e.name + e.nameLength), "A");
  EXPECT_EQ(std::string(e.language), "eng");
  EXPECT_TRUE(e.hasContent);
  EXPECT_EQ(e.content, 0x10);
  // Version 4 of table 0x50 carries event 4 only: 1 and 3 go, 2 stays (the
  // present/following table carries it too).
  EXPECT_TRUE(Put(*store, sections::EitSection(0x50, kSid, 4, 0, {Ev(4, 9, 0, 0x3000, "D")})));
  EXPECT_EQ(Ids(*store, kSid), (std::vector<uint16_t>{2, 4}));
  ASSERT_TRUE(store->Find(kSid, 2, &e));
  EXPECT_TRUE(e.key.present);
  // A section not yet current and another table are not taken.
  Bytes next = sections::EitSection(0x50, kSid, 5, 0, {Ev(5, 9, 0, 0x3000, "E")});
  next[5] &= 0xFE;
  EXPECT_FALSE(Put(*store, next));
  EXPECT_FALSE(Put(*store, sections::EitSection(0x60, kSid, 0, 0, {Ev(6, 9, 0, 0x3000, "F")})));
  EXPECT_EQ(Ids(*store, kSid), (std::vector<uint16_t>{2, 4}));
  // A rerun's description is kept once; the other event still reads it whole.
  Event rerun = Ev(20, 6, 0, 0x3000, "Rerun");
  const Bytes extended = sections::Descriptor(0x4E, sections::Cat({0, 'e', 'n', 'g', 0, 240}, Bytes(240, 'x')));
  rerun.descriptors = sections::Cat(rerun.descriptors, extended);
  const size_t used = store->Figures().bytesUsed;
  Put(*store, sections::EitSection(0x51, kSid, 0, 0, {rerun}));
  rerun.eventId = 21;
  Put(*store, sections::EitSection(0x51, 7, 0, 0, {rerun}));
  EXPECT_EQ(store->Figures().bytesUsed - used, 7 * guide::kStoreSlot);  // two heads, one description
  Put(*store, sections::EitSection(0x51, kSid, 1, 0, {Ev(22, 6, 0, 0x3000, "New")}));
  ASSERT_TRUE(store->Find(7, 21, &e));
  EXPECT_EQ(Bytes(e.detail + 4, e.detail + e.detailLength), extended);
  // Other streams' tables, when taken, stand for a service's own until those
  // come, and are passed over from then on.
  store->TakeOtherStreams(true);
  Put(*store, sections::EitSection(0x60, kSid, 0, 0, {Ev(6, 9, 0, 0x3000, "F")}));
  Put(*store, sections::EitSection(0x61, 9, 0, 0, {Ev(30, 6, 0, 0x3000, "Elsewhere")}));
  Put(*store, sections::EitSection(0x4F, 9, 0, 0, {Ev(31, 6, 0, 0x3000, "Now")}));
  EXPECT_EQ(Ids(*store, 9), (std::vector<uint16_t>{30, 31}));
  Put(*store, sections::EitSection(0x50, 9, 0, 0, {Ev(32, 6, 0, 0x3000, "Own")}));
  Put(*store, sections::EitSection(0x61, 9, 1, 0, {Ev(33, 6, 0, 0x3000, "Elsewhere")}));
  EXPECT_EQ(Ids(*store, 9), (std::vector<uint16_t>{32}));
  EXPECT_EQ(Ids(*store, kSid), (std::vector<uint16_t>{2, 4, 22}));  // not 6
}

// Written and read back, the store is the same store event for event; what
// ended goes as it is read, the stream's sections replace what the bytes gave.
TEST(GuideStore, AStoreWrittenAndReadBackIsTheSameStore) {
  StorePtr store(guide::EventStore::Create());
  Event described = Ev(5, 0x21, 0, 0x3000, "Film");
  described.descriptors = sections::Cat(
      described.descriptors,
      sections::Descriptor(0x4E, sections::Cat({0, 'e', 'n', 'g', 0, 200}, Bytes(200, 'y'))));
  Put(*store, sections::EitSection(0x4E, kSid, 2, 0, {Ev(1, 0x20, 0, 0x3000, "Now")}), kNow);
  Put(*store, sections::EitSection(0x50, kSid, 3, 0,
                                   {Ev(1, 0x20, 0, 0x3000, "Now"), Ev(2, 0x19, 0, 0x4500, "Old"),
                                    described}), kNow);
  Put(*store, sections::EitSection(0x51, 7, 1, 8, {described, Ev(6, 0x22, 0, 0x3000, "Late")}), kNow);
  keep::ByteBuffer bytes(guide::kStoreBudget);
  store->WriteSnapshot(&bytes);
  ASSERT_FALSE(bytes.failed());
  StorePtr back(guide::EventStore::Create());
  EXPECT_EQ(back->RestoreSnapshot(bytes.data(), bytes.size(), kNow, kSid), 5);
  for (uint16_t sid : {kSid, uint16_t{7}}) {
    ASSERT_EQ(Ids(*back, sid), Ids(*store, sid));
    uint16_t ids[4] = {};
    ASSERT_TRUE(store->StreamIds(sid, &ids[0], &ids[1]) && back->StreamIds(sid, &ids[2], &ids[3]));
    EXPECT_TRUE(ids[0] == ids[2] && ids[1] == ids[3]);
    for (uint16_t id : Ids(*store, sid)) {  // every field and byte of the event
      guide::StoredEvent a{}, b{};
      ASSERT_TRUE(store->Find(sid, id, &a) && back->Find(sid, id, &b));
      EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << id;
    }
  }
  EXPECT_EQ(back->Figures().bytesUsed, store->Figures().bytesUsed);  // the description once
  // Fifty minutes later, 19:00-19:45 ended before the keep rule: not read.
  StorePtr later(guide::EventStore::Create());
  EXPECT_EQ(later->RestoreSnapshot(bytes.data(), bytes.size(), kNow + 3000, kSid), 4);
  EXPECT_EQ(Ids(*later, kSid), (std::vector<uint16_t>{1, 5}));
  // The first real section of a restored sub-table replaces what it gave;
  // the present/following event it also named stays until its own table comes.
  EXPECT_TRUE(Put(*later, sections::EitSection(0x50, kSid, 3, 1, {Ev(9, 0x23, 0, 0x3000, "New")}), kNow));
  EXPECT_EQ(Ids(*later, kSid), (std::vector<uint16_t>{1, 9}));
  // Bytes cut short change nothing; a sub-table the stream gave is newer.
  StorePtr cut(guide::EventStore::Create());
  Put(*cut, sections::EitSection(0x50, kSid, 3, 0, {Ev(4, 0x20, 0, 0x3000, "Mine")}), kNow);
  EXPECT_EQ(cut->RestoreSnapshot(bytes.data(), bytes.size() - 1, kNow, kSid), -1);
  EXPECT_EQ(Ids(*cut, 7).size(), 0u);
  EXPECT_EQ(cut->RestoreSnapshot(bytes.data(), bytes.size(), kNow, kSid), 3);
  EXPECT_EQ(Ids(*cut, kSid), (std::vector<uint16_t>{1, 4}));  // 1 by present/following
}

TEST(GuideStore, EventsEndedAnHourBeforeTheClockGo) {
  StorePtr store(guide::EventStore::Create());
  // 2021-08-10: 18:00-19:00, 19:00-19:45, 20:15-21:45; the clock at 20:30.
  const Bytes s = sections::EitSection(0x50, kSid, 0, 0,
                                       {Ev(1, 0x18, 0, 0x010000, "A"), Ev(2, 0x19, 0, 0x4500, "B"),
                                        Ev(3, 0x20, 0x15, 0x013000, "C")});
  Put(*store, s, kNow);
  EXPECT_EQ(Ids(*store, kSid), (std::vector<uint16_t>{2, 3}));  // 1 ended 90 minutes ago
  EXPECT_FALSE(store->Expire(kNow + 10 * 60, kSid));
  EXPECT_TRUE(store->Expire(kNow + 20 * 60, kSid));  // 19:45 is now more than an hour ago
  EXPECT_EQ(Ids(*store, kSid), (std::vector<uint16_t>{3}));
  StorePtr recording(guide::EventStore::Create());
  Put(*recording, s, guide::kNoClock);  // the tools keep every event of a recording
  EXPECT_FALSE(recording->Expire(guide::kNoClock, kSid));
  EXPECT_EQ(Ids(*recording, kSid).size(), 3u);
}

TEST(GuideStore, BoundedWhateverComesAndTheFarthestOfOtherServicesGoFirst) {
  // One block of 1024 slots: events of 20 text bytes take one slot each.
  StorePtr store(guide::EventStore::Create(1));
  auto fill = [&](uint16_t sid, uint16_t firstId, int days, uint8_t version, uint16_t tuned = kSid) {
    for (int d = 0; d < days; ++d) {
      std::vector<Event> events;
      for (int k = 0; k < 10; ++k)
        events.push_back(Ev(static_cast<uint16_t>(firstId + d * 10 + k), static_cast<uint8_t>(k), 0,
                            0x010000, "0123456789", "", static_cast<uint16_t>(0xE82C + d)));
      Put(*store, sections::EitSection(0x50 + d / 8, sid, version, static_cast<uint8_t>(d % 8 * 8), events),
          guide::kNoClock, tuned);
    }
  };
  fill(kSid, 1, 30, 0);  // the tuned service: 300 events over 30 days
  fill(7, 1, 30, 0);     // two others
  fill(8, 1, 30, 0);
  EXPECT_EQ(store->Figures().events, 900);
  fill(9, 1, 20, 0);  // 200 more: the store is full
  const guide::StoreFigures f = store->Figures();
  EXPECT_LE(f.bytesReserved, size_t(1) << 20);
  EXPECT_LE(f.events, 1024);
  EXPECT_EQ(Ids(*store, kSid).size(), 300u);  // the tuned service keeps all
  // Of the others, the farthest days went: what remains of 7 is its first days.
  std::vector<uint16_t> left = Ids(*store, 7);
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(left.front(), 1);
  EXPECT_LT(left.size(), 300u);
  // Nearer events never go before farther ones, whatever came later: each keeps its first days.
  fill(10, 1, 30, 0);
  for (uint16_t sid : {7, 8, 9, 10})
    EXPECT_EQ(Ids(*store, sid).size(), Ids(*store, sid).empty() ? 0u : Ids(*store, sid).back());
  EXPECT_LT(Ids(*store, 10).size(), 300u);
  // What was dropped for room comes back when its channel is tuned and its sections repeat.
  fill(10, 1, 30, 0, 10);
  EXPECT_EQ(Ids(*store, 10).size(), 300u);
  // Then the services not fed since that channel change lose first: a new one keeps all.
  fill(11, 1, 30, 0, 10);
  EXPECT_EQ(Ids(*store, 11).size(), 300u);
  // kStoreServices at most: one more is not taken unless it is the tuned one.
  StorePtr services(guide::EventStore::Create());
  for (uint16_t sid = 100; sid < 100 + guide::kStoreServices + 36; ++sid)
    Put(*services, sections::EitSection(0x50, sid, 0, 0, {Ev(1, 6, 0, 0x3000, "A")}), guide::kNoClock, 500);
  EXPECT_EQ(services->Figures().services, guide::kStoreServices);
  Put(*services, sections::EitSection(0x50, 500, 0, 0, {Ev(1, 6, 0, 0x3000, "T")}), guide::kNoClock, 500);
  EXPECT_EQ(services->Figures().services, guide::kStoreServices);
  EXPECT_EQ(services->EventCount(500), 1);
}

// ---- The schedule in the plug-in ------------------------------------------

class GuideSchedule : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGuide();
    ResetSettings();
    fake::ResetDesktop();
    fake::SetUtcNow(kNow);
    settings.schedule = 1;
    settings.epgtext = 1;
    SaveChannelRecord(hostkit::MakeRecord("Test", 11778000, 13, kSid, 0));
    RestartProgrammeLines(-1);  // a channel change: the engine is made
  }
  void TearDown() override {
    settings.schedule = 0;
    guide::ReleaseSchedule();
    ResetSettings();
  }
  void Feed(const Bytes& units) { OnDataArrival(1, static_cast<int>(units.size()), units.data()); }
  void FeedUnitByUnit(const Bytes& units) {
    for (size_t at = 0; at < units.size(); at += 184) Feed(Bytes(&units[at], &units[at] + 184));
  }
  std::vector<std::string> Rows(int max = 20) {
    std::vector<guide::ScheduleRow> rows(max);
    rows.resize(guide::CopyScheduleRows(kNow, rows.data(), max));
    std::vector<std::string> texts;
    for (const guide::ScheduleRow& r : rows) texts.push_back(r.text);
    return texts;
  }
  // The tuned channel's evening: a present and a following event, the
  // schedule around them, and one of the next morning.
  Bytes Evening(const std::string& filmName = "Film") {
    return sections::Packed(
        {sections::EitSection(0x4E, kSid, 2, 0, {Ev(2, 0x20, 0x15, 0x013000, "News", "Headlines")}),
         sections::EitSection(0x4E, kSid, 2, 1, {Ev(3, 0x21, 0x45, 0x3000, filmName, "Plot")}),
         sections::EitSection(0x50, kSid, 1, 0,
                              {Ev(1, 0x19, 0x00, 0x011500, "Before"),
                               Ev(2, 0x20, 0x15, 0x013000, "News", "Headlines"),
                               Ev(3, 0x21, 0x45, 0x3000, filmName, "Plot"),
                               Ev(4, 0x22, 0x30, 0x3000, "Late"),
                               Ev(5, 0x06, 0x00, 0x3000, "Morning", "", 0xE82D)})});
  }
};

TEST_F(GuideSchedule, RowsFromThePresentEventOnByTheBannersRules) {
  const uint32_t serial = guide::ScheduleSerial();
  Feed(Evening());
  EXPECT_NE(guide::ScheduleSerial(), serial);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"20:15 News", "21:45 Film", "22:30 Late",
                                              "Wed 11.08. 06:00 Morning"}));
  EXPECT_EQ(Rows(2).size(), 2u);
  guide::EventTiming timing;
  ASSERT_TRUE(guide::PresentEventTiming(&timing));  // from the engine's whole section
  EXPECT_EQ(timing.eventId, 2);
  EXPECT_EQ(timing.durationSec, 5400);
  char detail[512];
  bool unicode = true;
  ASSERT_TRUE(guide::CopyScheduleDetail(3, detail, sizeof detail, &unicode));
  EXPECT_FALSE(unicode);
  EXPECT_STREQ(detail, "Film\n21:45 - 22:15\nMovie/Drama\nPlot");  // the genre's name
  ASSERT_TRUE(guide::CopyScheduleDetail(5, detail, sizeof detail, &unicode));
  EXPECT_STREQ(detail, "Morning\nWed 11.08. 06:00 - 06:30\nMovie/Drama");
  ASSERT_TRUE(guide::CopyScheduleDetail(2, detail, sizeof detail, &unicode));  // the present one
  EXPECT_STREQ(detail, "News\n20:15 - 21:45\nMovie/Drama\nHeadlines");
  EXPECT_FALSE(guide::CopyScheduleDetail(99, detail, sizeof detail, &unicode));

  // Local time (two hours east) moves times and days; then the time shift.
  settings.localtime = 1;
  fake::SetTimeZone(120, false);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"22:15 News", "23:45 Film", "Wed 11.08. 00:30 Late",
                                              "Wed 11.08. 08:00 Morning"}));
  settings.localtime = 0;
  settings.timeshift = -21;
  EXPECT_EQ(Rows(), (std::vector<std::string>{"23:15 News", "Tue 10.08. 00:45 Film",
                                              "Tue 10.08. 01:30 Late", "Tue 10.08. 09:00 Morning"}));
  settings.timeshift = 0;

  // Titles in the broadcaster's characters: 8-bit cleaned, or UTF-8.
  TearDown();
  SetUp();
  Feed(Evening("\x05" "Caf\xE9*"));
  EXPECT_EQ(Rows()[1], "21:45 Caf\xE9 ");
  settings.epgchars = 1;
  EXPECT_EQ(Rows()[1], "21:45 Caf\u00e9*");
  ASSERT_TRUE(guide::CopyScheduleDetail(3, detail, sizeof detail, &unicode));
  EXPECT_TRUE(unicode);

  // Another channel: its own rows (none), and a new serial.
  const uint32_t before = guide::ScheduleSerial();
  SaveChannelRecord(hostkit::MakeRecord("Other", 11778000, 13, 0x999, 0));
  RestartProgrammeLines(-1);
  EXPECT_NE(guide::ScheduleSerial(), before);
  EXPECT_TRUE(Rows().empty());
  EXPECT_FALSE(guide::PresentEventTiming(&timing));
}

TEST_F(GuideSchedule, BroadcastersSlipsAndAWholeFortnightInTheRows) {
  // A filler of the whole day and an event whose id changed (7 to 8) with its
  // start: the programmes after the filler show, the renamed one once.
  Feed(sections::Packed({sections::EitSection(0x50, kSid, 1, 0, {Ev(1, 0, 0, 0x240000, "Filler"),
      Ev(2, 0x19, 0, 0x3000, "Ended"), Ev(7, 0x20, 0x15, 0x013000, "News")}),
      sections::EitSection(0x50, kSid, 1, 8, {Ev(8, 0x20, 0x15, 0x013000, "News 2"), Ev(9, 0x21, 0x45, 0x3000, "Film")})}));
  EXPECT_EQ(Rows(), (std::vector<std::string>{"00:00 Filler", "20:15 News 2", "21:45 Film"}));
  // 2,023 events from tomorrow on: the last of 1,024 rows says how many more there are.
  TearDown();
  SetUp();
  for (int n = 0; n < 2023; n += 40) {
    std::vector<Event> events;  // six an hour, 144 a day
    for (int k = n; k < std::min(n + 40, 2023); ++k)
      events.push_back(Ev(k, k % 144 / 60 * 16 + k % 144 / 6 % 10, k % 6 * 16, 0x1000, "P", "", 0xE82D + k / 144));
    Feed(sections::Packed({sections::EitSection(0x50 + n / 320, kSid, 1, n / 40 % 8 * 8, events)}));
  }
  const std::vector<std::string> rows = Rows(1024);
  ASSERT_EQ(rows.size(), 1024u);
  EXPECT_EQ(rows[1023], "... 1000 more");
}

TEST_F(GuideSchedule, LinesComeOnlyFromWholeSectionsAcrossDeliveries) {
  const Bytes present = sections::Packed({sections::EitSection(
      0x4E, kSid, 2, 0, {Ev(2, 0x20, 0x15, 0x013000, "News", std::string(240, 'h'))})});
  ASSERT_EQ(present.size(), 2 * 184u);
  Bytes damaged = present;
  damaged[34] = 'M';  // the name, in the first unit
  FeedUnitByUnit(damaged);  // the unit reader would have built "(20:15) Mews > ..." from unit 1
  EXPECT_EQ(eitState.load(), 1);
  FeedUnitByUnit(present);  // the good copy, across two deliveries
  EXPECT_EQ(eitState.load(), 3);
  char line[1024];
  CopyNowLine(line, sizeof line);
  EXPECT_EQ(std::string(line), "(20:15) News > " + std::string(240, 'h') + " ");
  guide::ScheduleStats stats;
  ASSERT_TRUE(guide::GetScheduleStats(&stats));
  EXPECT_EQ(stats.events, 1);
  EXPECT_GE(stats.sectionsFailed, 1);
  // The following event's short event behind an extended one gives its line
  // (a unit would have read a name out of the extended one's items).
  Event film = Ev(3, 0x21, 0x45, 0x013000, "Film", "Drama");
  film.descriptors = sections::Cat(
      sections::Descriptor(0x4E, {0x00, 'e', 'n', 'g', 0, 4, 'L', 'o', 'n', 'g'}), film.descriptors);
  FeedUnitByUnit(sections::Packed({sections::EitSection(0x4E, kSid, 2, 1, {film})}));
  EXPECT_EQ(eitState.load(), 7);
  CopyNextLine(line, sizeof line);
  EXPECT_EQ(std::string(line), "(21:45) Film > Drama ");
  // With the schedule off nothing of it stays.
  settings.schedule = 0;
  RestartProgrammeLines(-1);
  EXPECT_FALSE(guide::GetScheduleStats(&stats));
  EXPECT_TRUE(Rows().empty());
}

}  // namespace
