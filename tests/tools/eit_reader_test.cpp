// The EIT reader against the plug-in itself: over the generated stream and
// the real captures, each service's lines as the reader builds them are the
// lines the plug-in's data routine builds for that channel, byte for byte.
// Also the reader's own views: the short event found anywhere in the loop.
#include "tools/tavik-eit/eit_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "common/channel_record.h"
#include "guide/crc32.h"
#include "guide/guide.h"
#include "guide/section_assembler.h"
#include "tests/hostkit/record.h"
#include "tools/hostkit/ts_units.h"
#include "settings/settings.h"
#include "tests/support/guide_sections.h"
#include "tests/hostkit/ts_capture.h"
#include "tools/dvbread/ts_read.h"
#include "tests/hosts/eitgen/eit_sections.h"

namespace {

constexpr size_t kUnitsPerDelivery = 10;

// Line breaks as the banner shows them: blanks.
std::string OnOneLine(std::string s) {
  for (char& c : s)
    if (c == '\n') c = ' ';
  return s;
}

// The plug-in's line, 8-bit or in Unicode (UTF-8).
std::string PluginLine(bool now, bool unicode = false) {
  char b[1024];
  auto copy = unicode ? (now ? CopyUnicodeNowLine : CopyUnicodeNextLine)
                      : (now ? CopyNowLine : CopyNextLine);
  copy(b, sizeof b);
  return b;
}

// Every service the reader reports, played through the plug-in as the tuned
// channel with the same deliveries; returns the number of lines compared.
int CompareWithPlugin(const std::vector<uint8_t>& ts, const guide::LineSettings& ls,
                      const std::string& label) {
  std::vector<uint8_t> stream;
  for (const hostkit::Unit& u : hostkit::PidUnits(ts, hostkit::kEitPid))
    stream.insert(stream.end(), u.bytes.begin(), u.bytes.end());
  const size_t chunk = kUnitsPerDelivery * dvbread::kUnitSize;
  tavik_eit::EitReader reader(ls);
  for (size_t at = 0; at < stream.size(); at += chunk)
    reader.Deliver(stream.data() + at, std::min(chunk, stream.size() - at));

  settings.epgtext = ls.epgtext;
  settings.timeshift = ls.timeshift;
  int compared = 0;
  for (const auto& entry : reader.Services()) {
    ResetGuide();
    SaveChannelRecord(hostkit::MakeRecord("Reader", 0, 0, entry.first, 0));
    RestartProgrammeLines(-1);
    for (size_t at = 0; at < stream.size(); at += chunk) {
      size_t n = std::min(chunk, stream.size() - at);
      OnDataArrival(1, static_cast<int>(n), stream.data() + at);
    }
    const tavik_eit::ServiceReport& s = entry.second;
    const int32_t state = eitState.load();
    EXPECT_EQ((state & 2) != 0, s.now.complete) << label << " service " << entry.first;
    EXPECT_EQ((state & 4) != 0, s.next.complete) << label << " service " << entry.first;
    if (s.now.built) {
      EXPECT_EQ(PluginLine(true), s.now.line) << label << " service " << entry.first;
      ++compared;
    }
    if (s.next.built) {
      EXPECT_EQ(PluginLine(false), s.next.line) << label << " service " << entry.first;
      ++compared;
    }
    // In the broadcaster's characters, the banner's line holds the title the
    // reader converts from the same bytes.
    if (settings.epgchars.load() == 1) {
      for (int kind = 0; kind < 2; ++kind) {
        const tavik_eit::ServiceLine& l = kind == 0 ? s.now : s.next;
        if (!l.complete || !l.hasShortEvent || (kind == 1 && ls.epgtext == 2)) continue;
        EXPECT_NE(PluginLine(kind == 0, true).find(") " + OnOneLine(l.name.utf8)),
                  std::string::npos)
            << label << " service " << entry.first << ": " << PluginLine(kind == 0, true)
            << " lacks " << l.name.utf8;
      }
    }
  }
  return compared;
}

class EitReaderAgrees : public ::testing::Test {
 protected:
  void TearDown() override {
    settings.epgtext = 0;
    settings.timeshift = 0;
    settings.epgchars = 0;
    ResetGuide();
    ClearChannelRecord();
  }
};

TEST_F(EitReaderAgrees, GeneratedStreamInEveryLineForm) {
  const std::vector<uint8_t> ts = eitgen::BuildDemoStream(3);
  for (int epgtext = 0; epgtext <= 3; ++epgtext)
    for (int shift : {0, 5, -21})
      EXPECT_EQ(CompareWithPlugin(ts, {epgtext, shift}, "generated"), 10);
}

TEST_F(EitReaderAgrees, RealCaptures) {
  const std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no captures in " << tscap::CaptureDir();
  // Some small captures hold no section that starts at byte 1 of a unit:
  // neither builds a line there. Over all of them, hundreds of lines agree.
  int compared = 0;
  for (const std::string& path : files) {
    std::vector<uint8_t> ts;
    std::string error;
    ASSERT_TRUE(dvbread::ReadWholeFile(path, &ts, &error, "test")) << error;
    for (int epgtext : {1, 2}) compared += CompareWithPlugin(ts, {epgtext, 1}, path);
  }
  EXPECT_GT(compared, 200);
}

// The section assembler over the captures' header-less units, against an
// independent reading of the same files that uses the packet headers (start
// flags and continuity counters): every section whose CRC holds is found on
// the captures without lost packets, at least 99 % on the others, and
// nothing with a bad CRC comes out. The plug-in's engine, fed the same units
// in deliveries of 1 to 10, takes as many.
struct Found {
  std::multiset<std::vector<uint8_t>> sections;
  int badCrc = 0;
};
void Keep(void* context, const uint8_t* section, size_t size) {
  Found* f = static_cast<Found*>(context);
  if (!guide::SectionCrcHolds(section, size)) ++f->badCrc;
  f->sections.emplace(section, section + size);
}

TEST(EitReader, TheAssemblerTakesEverySectionWhoseCrcHolds) {
  const std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no captures in " << tscap::CaptureDir();
  static guide::SectionAssembler assembler;
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    std::vector<uint8_t> ts;
    std::string error;
    ASSERT_TRUE(dvbread::ReadWholeFile(path, &ts, &error, "test")) << error;
    std::multiset<std::vector<uint8_t>> good;
    for (const std::vector<uint8_t>& s : dvbread::PidSections(ts, dvbread::kEitPid))
      if (guide::SectionCrcHolds(s.data(), s.size())) good.insert(s);
    hostkit::UnitStats unitStats;
    std::vector<uint8_t> stream;
    for (const hostkit::Unit& u : hostkit::PidUnits(ts, hostkit::kEitPid, &unitStats))
      stream.insert(stream.end(), u.bytes.begin(), u.bytes.end());

    const int gaps = unitStats.continuityErrors;
    Found found;
    assembler.Reset();
    for (size_t at = 0; at + 184 <= stream.size(); at += 184) assembler.Feed(&stream[at], &Keep, &found);
    size_t matched = 0;
    std::multiset<std::vector<uint8_t>> left = found.sections;
    for (const std::vector<uint8_t>& s : good) {
      auto it = left.find(s);
      if (it == left.end()) continue;
      ++matched;
      left.erase(it);
    }
    std::printf("%-48s %5zu with a good CRC, %5zu assembled, %zu others, %d lost packets\n",
                path.substr(path.rfind('/') + 1).c_str(), good.size(), matched, left.size(), gaps);
    EXPECT_EQ(found.badCrc, 0);
    if (gaps == 0)
      EXPECT_EQ(matched, good.size());
    else
      EXPECT_GE(matched * 100, good.size() * 99);

    // The plug-in with the schedule on, in deliveries of 1 to 10 units.
    ResetGuide();
    ResetSettings();
    settings.schedule = 1;
    SaveChannelRecord(hostkit::MakeRecord("Capture", 0, 0, 1, 0));
    RestartProgrammeLines(-1);
    uint32_t rng = 99;
    for (size_t at = 0; at < stream.size();) {
      rng = rng * 1103515245u + 12345u;
      const size_t n = std::min<size_t>((1 + (rng >> 16) % 10) * 184, stream.size() - at);
      OnDataArrival(1, static_cast<int>(n), &stream[at]);
      at += n;
    }
    guide::ScheduleStats stats;
    ASSERT_TRUE(guide::GetScheduleStats(&stats));
    EXPECT_EQ(static_cast<size_t>(stats.sectionsTaken), found.sections.size());
    settings.schedule = 0;
    guide::ReleaseSchedule();
  }
}

TEST_F(EitReaderAgrees, RealCapturesInTheBroadcastersCharacters) {
  const std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no captures in " << tscap::CaptureDir();
  settings.epgchars = 1;
  for (const std::string& path : files) {
    std::vector<uint8_t> ts;
    std::string error;
    ASSERT_TRUE(dvbread::ReadWholeFile(path, &ts, &error, "test")) << error;
    CompareWithPlugin(ts, {1, 0}, path);
    if (path.find("china") == std::string::npos) continue;
    // The Taiwanese services put component descriptors first: every one of
    // them gets both lines.
    std::vector<uint8_t> stream;
    for (const hostkit::Unit& u : hostkit::PidUnits(ts, hostkit::kEitPid))
      stream.insert(stream.end(), u.bytes.begin(), u.bytes.end());
    tavik_eit::EitReader reader({1, 0});
    for (size_t at = 0; at < stream.size(); at += 10 * dvbread::kUnitSize)
      reader.Deliver(stream.data() + at, std::min<size_t>(10 * dvbread::kUnitSize, stream.size() - at));
    EXPECT_EQ(reader.Services().size(), 5u);
    for (const auto& entry : reader.Services())
      EXPECT_TRUE(entry.second.now.complete && entry.second.next.complete) << entry.first;
  }
}

TEST(EitReader, FirstCompleteLineStaysAndUnknownFirstTagsAreShown) {
  using namespace sections;
  Section present;
  present.descriptors = ShortEvent(Text("\x05Journal"), Text(""));
  Section present2;  // the same event again, another start: not taken
  present2.hour = 0x21;
  present2.descriptors = ShortEvent(Text("Later"), Text(""));
  Section following;
  following.sectionNumber = 1;
  following.descriptors = ShortEvent(Text("Film"), Text("A film"));
  Bytes d = Cat(Cat(Units(present), Units(following)), Units(present2));
  tavik_eit::EitReader reader({0, 0});
  ASSERT_TRUE(reader.Deliver(d.data(), d.size()));
  const tavik_eit::ServiceReport& s = reader.Services().at(0x1234);
  EXPECT_TRUE(s.now.complete);
  EXPECT_EQ(s.now.line, "(20:15) Journal ");
  EXPECT_EQ(s.next.line, "(20:15) Film ");
  // Another event: the programme changed, the line follows it.
  present2.eventId = 0x2222;
  d = Units(present2);
  reader.Deliver(d.data(), d.size());
  EXPECT_EQ(reader.Services().at(0x1234).now.line, "(21:15) Later ");

  // A short event behind a component descriptor gives the line; with none
  // behind it the line stays incomplete, and the report says why.
  tavik_eit::EitReader behind({0, 0});
  present.descriptors = Cat(Descriptor(0x50, Bytes(6, 1)), ShortEvent(Text("\x05Journal"), Text("")));
  d = Units(present);
  behind.Deliver(d.data(), d.size());
  const tavik_eit::ServiceLine& l = behind.Services().at(0x1234).now;
  EXPECT_TRUE(l.complete);
  EXPECT_EQ(l.firstTag, 0x50);
  EXPECT_EQ(l.line, "(20:15) Journal ");
  ASSERT_TRUE(l.hasShortEvent);
  EXPECT_EQ(l.name.utf8, "Journal");
  EXPECT_EQ(l.name.table, "ISO 8859-9 (0x05)");
  std::string report = tavik_eit::FormatReport(behind, false, 0);
  EXPECT_NE(report.find("first descriptor 0x50 (component); the line is the short event's"),
            std::string::npos)
      << report;

  tavik_eit::EitReader unknown({0, 0});
  present.descriptors = Cat(Descriptor(0x50, Bytes(6, 1)), Descriptor(0x54, Bytes(2, 0x20)));
  d = Units(present);
  unknown.Deliver(d.data(), d.size());
  const tavik_eit::ServiceLine& u = unknown.Services().at(0x1234).now;
  EXPECT_FALSE(u.complete);
  EXPECT_EQ(u.line, "(20:15)  ");
  EXPECT_FALSE(u.hasShortEvent);
  report = tavik_eit::FormatReport(unknown, false, 0);
  EXPECT_NE(report.find("first descriptor 0x50 (component) is not one the plug-in reads"),
            std::string::npos)
      << report;
}

TEST(EitReader, ASectionHeaderInsideAnotherSectionIsNamedForWhatItIs) {
  using namespace sections;
  Section s;
  s.serviceId = 0x6672;
  s.descriptors = ShortEvent(Text("Junk"), Text(""));
  Bytes d = Units(s);
  const bool notStart[1] = {false};
  tavik_eit::EitReader reader({0, 0});
  reader.Deliver(d.data(), d.size(), notStart);
  // Decoded as the plug-in would, but reported as no real service.
  EXPECT_EQ(reader.Services().at(0x6672).now.line, "(20:15) Junk ");
  const std::string report = tavik_eit::FormatReport(reader, false, 0);
  EXPECT_NE(report.find("not a real service"), std::string::npos) << report;
  EXPECT_EQ(report.find("the banner shows no programme lines"), std::string::npos) << report;
  // Listed only when asked for.
  EXPECT_EQ(report.find("service 0x6672"), std::string::npos) << report;
  EXPECT_NE(tavik_eit::FormatReport(reader, false, 0, true).find("service 0x6672 (26226)"),
            std::string::npos);

  // An undefined start shows as --:--, and what the banner makes of it.
  Section late;
  late.mjd = 0xFFFF;
  late.hour = late.minute = 0xFF;
  late.descriptors = ShortEvent(Text("Late"), Text(""));
  tavik_eit::EitReader undefined({0, 0});
  d = Units(late);
  undefined.Deliver(d.data(), d.size());
  std::string text = tavik_eit::FormatReport(undefined, false, 0);
  EXPECT_NE(text.find("now   \"(--:--) Late \"\n        start undefined (the banner shows it as"),
            std::string::npos) << text;

  // The only section starts inside a unit: the report says what the input holds.
  Bytes inside = Cat(Cat(Bytes{20}, Bytes(20, 0xAA)), SectionBytes(s));
  inside.resize(2 * sections::kUnit, 0xFF);
  tavik_eit::EitReader later({0, 0});
  later.Deliver(inside.data(), inside.size());
  text = tavik_eit::FormatReport(later, false, 0);
  EXPECT_NE(text.find("no present/following section starts at the beginning of a unit"),
            std::string::npos) << text;
  EXPECT_NE(text.find("holds 1 present/following section (table 0x4E) of 1 service whose CRC "
                      "held, 1 of them starting inside a unit"),
            std::string::npos) << text;
}

TEST(EitReader, DeliveriesOfAWrongSizeAreIgnoredLikeThePluginDoes) {
  std::vector<uint8_t> d(183, 0);
  tavik_eit::EitReader reader({0, 0});
  EXPECT_FALSE(reader.Deliver(d.data(), d.size()));
  d.resize(2001);
  EXPECT_FALSE(reader.Deliver(d.data(), d.size()));
  d.resize(367, 0);
  EXPECT_TRUE(reader.Deliver(d.data(), d.size()));
  EXPECT_EQ(reader.Units(), 1);
  EXPECT_TRUE(reader.Services().empty());
}

}  // namespace
