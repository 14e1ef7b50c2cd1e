// An event's facts in words: genre names and colours, ages, marks, and the
// extended description joined from its pieces, by hand-made descriptors and
// over every extended description of the real captures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "guide/event_description.h"
#include "guide/event_facts.h"
#include "guide/event_marks.h"
#include "guide/extended_text.h"
#include "guide/section_assembler.h"
#include "tests/hostkit/ts_capture.h"
#include "text/dvb_text.h"

namespace {

using Bytes = std::string;
const uint8_t* U(const Bytes& b) { return reinterpret_cast<const uint8_t*>(b.data()); }

std::string Utf8(const uint8_t* bytes, size_t length) {
  std::vector<char> out(length * 3 + 1);
  dvbtext::ToUtf8(bytes, length, dvbtext::Breaks::kNewline, out.data(), out.size());
  return out.data();
}

TEST(EventFacts, GenreNames) {
  struct Case { uint8_t l1, l2; const char* name; } const kCases[] = {
      {0x1, 0x4, "Movie/Drama: comedy"}, {0x1, 0x0, "Movie/Drama"},
      {0x1, 0xF, "Movie/Drama: user defined"}, {0x1, 0x9, "Movie/Drama"},  // reserved level 2
      {0x4, 0xB, "Sports: martial sports"}, {0x7, 0x0, "Arts/Culture (without music)"},
      {0xB, 0x0, "Special characteristics: original language"}, {0x0, 0x0, ""}, {0xC, 0x1, ""},
      {0xF, 0xF, ""}};
  for (const Case& c : kCases) {
    char name[guide::kGenreNameBuffer];
    EXPECT_EQ(guide::GenreName({c.l1, c.l2}, name, sizeof name), *c.name != '\0');
    EXPECT_STREQ(name, c.name);
  }
  char name[guide::kGenreNameBuffer];
  for (int k = 0; k < 256; ++k) {  // every name fits its buffer
    guide::GenreName({uint8_t(k >> 4), uint8_t(k & 15)}, name, sizeof name);
    EXPECT_LT(strlen(name), sizeof name - 1);
  }
  guide::Genre g[4];
  const Bytes payload("\x00\x00\x34\x07\x14\x00\x6", 7);  // undefined first, an odd last byte
  EXPECT_EQ(guide::ReadGenres(U(payload), payload.size(), g, 4), 3u);
  ASSERT_TRUE(guide::FirstNamedGenre(U(payload), payload.size(), g));
  EXPECT_EQ(g[0].level1, 3);
  EXPECT_EQ(g[0].level2, 4);
}

double Luminance(uint32_t rgb) {
  double sum = 0;
  const double weight[3] = {0.2126, 0.7152, 0.0722};
  for (int k = 0; k < 3; ++k) {
    const double v = ((rgb >> (16 - 8 * k)) & 0xFF) / 255.0;
    sum += weight[k] * (v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
  }
  return sum;
}

TEST(EventFacts, GenreColoursReadOnTheListAndThePanel) {
  std::set<uint32_t> seen;
  for (int i = 0; i < guide::kGenreGroups; ++i) {
    const guide::GenreColour& c = guide::GenreColours()[i];
    EXPECT_EQ(c.level1, i + 1);
    EXPECT_STREQ(c.name, guide::GenreGroupName(c.level1));
    EXPECT_TRUE(seen.insert(c.rgb).second);
    EXPECT_GE(1.05 / (Luminance(c.rgb) + 0.05), 4.5) << c.name;                     // white
    EXPECT_GE((Luminance(0xE8E8E8) + 0.05) / (Luminance(c.rgb) + 0.05), 4.3) << c.name;  // panel
  }
  uint32_t rgb = 0;
  EXPECT_FALSE(guide::GenreColourOf(0x0, &rgb) || guide::GenreColourOf(0xC, &rgb) ||
               guide::GenreColourOf(0xF, &rgb));
  // The user guide's table names these very colours.
  std::ifstream file(std::string(TAVIK_SOURCE_DIR) + "/docs/user-guide.md");
  const std::string userGuide((std::istreambuf_iterator<char>(file)), {});
  for (int i = 0; i < guide::kGenreGroups; ++i) {
    char row[128];
    const guide::GenreColour& c = guide::GenreColours()[i];
    std::snprintf(row, sizeof row, "| %s | `#%06X` |", c.name, static_cast<unsigned>(c.rgb));
    EXPECT_NE(userGuide.find(row), std::string::npos) << row;
  }
}

TEST(EventFacts, AgeRules) {
  struct Case { Bytes payload; size_t capacity; const char* age; } const kCases[] = {
      {Bytes("DEU\x09", 4), 32, "12+"},
      {Bytes("DEU\x00", 4), 32, ""},                  // undefined
      {Bytes("DEU\x10", 4), 32, ""},                  // the broadcaster's own
      {Bytes("DEU\x09" "FRA\x09", 8), 32, "12+"},     // countries that agree
      {Bytes("DEU\x00" "FRA\x07", 8), 32, "10+"},
      {Bytes("deu\x09" "FRA\x07" "DEU\x03", 12), 32, "DEU 12+ / FRA 10+"},
      {Bytes("DEU\x09" "deu\x03", 8), 32, "12+"},    // one country, its first entry
      {Bytes("DEU\x09" "FRA\x07", 8), 12, "DEU 12+"},  // what does not fit whole is left out
      {Bytes("DEU\x0F" "9\x01" "2\x02", 7), 32, "18+"},  // a cut entry is no entry
  };
  for (const Case& c : kCases) {
    guide::RatingEntry e[8];
    const size_t n = guide::ReadRatings(U(c.payload), c.payload.size(), e, 8);
    char age[32];
    EXPECT_EQ(guide::AgeText(e, n, age, c.capacity), strlen(c.age));
    EXPECT_STREQ(age, c.age);
  }
}

TEST(EventMarks, MarksOnlyFromWhatComponentsSay) {
  struct Case {  // the first two bytes of each component's payload; what the event shows
    std::vector<Bytes> components;
    const char *line, *quality, *aspect, *stereo;
  } const kCases[] = {
      {{Bytes("\x01\x03", 2)}, "16:9", "SDTV", "16:9", nullptr},  // MPEG-2 SD 16:9
      {{Bytes("\x01\x09", 2)}, "HD", "HDTV", "4:3", nullptr},
      {{Bytes("\x05\x0B", 2), Bytes("\x02\x03", 2)}, "HD 16:9 Stereo", "HDTV", "16:9", "stereo"},
      {{Bytes("\x05\x02", 2), Bytes("\x08\x0B", 2)}, "", nullptr, nullptr, nullptr},  // reserved
      {{Bytes("\x09\x05", 2), Bytes("\x09\x01", 2)}, "UHD 16:9", "UHDTV", "16:9", nullptr},
      {{Bytes("\x19\x05", 2)}, "5.1", nullptr, nullptr, "surround"},  // AC-4
      {{Bytes("\x06\x05", 2), Bytes("\x06\x48", 2)}, "5.1 AD", nullptr, nullptr, "surround"},
      {{Bytes("\x04\x44", 2)}, "5.1", nullptr, nullptr, "dolby digital"},
      {{Bytes("\x04\x52", 2)}, "Stereo AD", nullptr, nullptr, "stereo"},  // E-AC-3 for the blind
      {{Bytes("\x04\x03", 2), Bytes("\x02\x02", 2)}, "Stereo", nullptr, nullptr, "dolby"},
      {{Bytes("\x03\x01", 2), Bytes("\x02\x01", 2)}, "Subtitles", nullptr, nullptr, "mono"},
      {{Bytes("\x01\x0B", 2), Bytes("\x03\x40", 2), Bytes("\x03\x24", 2)},  // up-sampled
       "16:9 Subtitles", "SDTV", "16:9", nullptr},
      {{Bytes("\x07\x12", 2), Bytes("\x03\x02", 2), Bytes("\x0F\xFF", 2)}, "", nullptr, nullptr,
       nullptr},
  };
  for (const Case& c : kCases) {
    std::vector<guide::Component> parts;
    for (const Bytes& b : c.components) {
      const Bytes payload = b + Bytes("\x01" "deu", 4);
      guide::Component part;
      ASSERT_TRUE(guide::ReadComponent(U(payload), payload.size(), &part));
      EXPECT_FALSE(guide::ReadComponent(U(payload), 5, &part));
      parts.push_back(part);
    }
    const guide::Marks m = guide::EventMarks(parts.data(), parts.size());
    char line[64];
    guide::MarksLine(m, line, sizeof line);
    EXPECT_STREQ(line, c.line) << c.line;
    EXPECT_STREQ(guide::XmltvQuality(m), c.quality) << c.line;
    EXPECT_STREQ(guide::XmltvAspect(m), c.aspect) << c.line;
    EXPECT_STREQ(guide::XmltvStereo(m), c.stereo) << c.line;
  }
  char line[16];
  EXPECT_EQ(guide::MarksLine(0x7F, line, sizeof line), 11u);  // whole marks only
  EXPECT_STREQ(line, "HD UHD 16:9");
}

// An extended event descriptor's payload.
Bytes Extended(int number, int last, const char* language, const Bytes& text,
               const Bytes& items = Bytes()) {
  return Bytes(1, static_cast<char>(number << 4 | last)) + language +
         Bytes(1, static_cast<char>(items.size())) + items +
         Bytes(1, static_cast<char>(text.size())) + text;
}
Bytes Item(const Bytes& description, const Bytes& item) {
  return Bytes(1, static_cast<char>(description.size())) + description +
         Bytes(1, static_cast<char>(item.size())) + item;
}

struct Joined {
  std::string text, items;  // as UTF-8; the items "description: item" a line each
  guide::JoinedExtended out;
};

Joined Join(const std::vector<Bytes>& payloads, const char* language = nullptr,
            size_t capacity = guide::kExtendedBuffer) {
  std::vector<guide::DescriptorBytes> d;
  for (const Bytes& p : payloads) d.push_back({U(p), p.size()});
  std::vector<uint8_t> buffer(capacity);
  Joined j;
  if (!guide::JoinExtended(d.data(), d.size(), language, buffer.data(), capacity, &j.out)) return j;
  j.text = Utf8(buffer.data() + j.out.text.offset, j.out.text.length);
  for (size_t i = 0; i < j.out.itemCount; ++i) {
    const guide::ExtendedItem& e = j.out.items[i];
    j.items += Utf8(buffer.data() + e.description.offset, e.description.length) + ": " +
               Utf8(buffer.data() + e.item.offset, e.item.length) + "\n";
  }
  return j;
}

TEST(ExtendedText, PiecesReadAsOneText) {
  const Bytes ucs = "\x11";
  struct Case {
    const char* what;
    std::vector<Bytes> pieces;
    const char* text;
  } const kCases[] = {
      {"split, no repeat", {Extended(0, 1, "ces", "\x05Hello wo"), Extended(1, 1, "ces", "rld")},
       "Hello world"},
      {"split, table byte repeated",
       {Extended(0, 1, "ces", "\x05Hello wo"), Extended(1, 1, "ces", "\x05rld")}, "Hello world"},
      {"long table selection repeated",
       {Extended(0, 1, "ces", Bytes("\x10\x00\x02Hello \xE8", 10)),
        Extended(1, 1, "ces", Bytes("\x10\x00\x02" "ech", 6))}, u8"Hello čech"},
      {"diacritic at the end of a piece",
       {Extended(0, 1, "ces", "Ji\xCF"), Extended(1, 1, "ces", "r\xC2i")}, u8"Jiří"},
      {"two-byte character split",
       {Extended(0, 1, "ces", ucs + Bytes("\x00" "A\x01", 3)),
        Extended(1, 1, "ces", Bytes("\x0D\x00" "B", 3))}, u8"AčB"},
      {"two-byte character split, table byte repeated",
       {Extended(0, 1, "ces", ucs + Bytes("\x00" "A\x01", 3)),
        Extended(1, 1, "ces", ucs + Bytes("\x0D\x00" "B", 3))}, u8"AčB"},
      {"two-byte U+11xx where pieces do not repeat the table",
       {Extended(0, 2, "kor", ucs + Bytes("\x00" "A", 2)),
        Extended(1, 2, "kor", Bytes("\x00" "B", 2)),
        Extended(2, 2, "kor", Bytes("\x11\x00", 2))}, u8"AB\u1100"},
      {"a line feed that begins a piece is text",
       {Extended(0, 1, "ces", "\x05One."), Extended(1, 1, "ces", "\nTwo")}, "One.\nTwo"},
      {"out of order, a double and one past the last",
       {Extended(2, 2, "eng", "c"), Extended(0, 2, "eng", "a"), Extended(1, 2, "eng", "b"),
        Extended(1, 2, "eng", "B"), Extended(3, 2, "eng", "d")}, "abc"},
      {"a piece with lengths past its end is skipped",
       {Extended(0, 1, "eng", "a"), Extended(1, 1, "eng", "b").substr(0, 6)}, "a"},
  };
  for (const Case& c : kCases) {
    const Joined j = Join(c.pieces);
    EXPECT_EQ(j.text, c.text) << c.what;
    EXPECT_FALSE(j.out.truncated) << c.what;
  }
  // No 255-byte limit: sixteen full descriptors read as one.
  std::vector<Bytes> full;
  std::string whole;
  for (int n = 0; n < 16; ++n) {
    const Bytes piece = "\x05" + std::string(248, static_cast<char>('a' + n));
    full.push_back(Extended(n, 15, "eng", piece));
    whole += piece.substr(1);
  }
  EXPECT_EQ(Join(full).text, whole);
  // A buffer too small cuts at a whole two-byte character.
  const Joined cut = Join({Extended(0, 0, "eng", ucs + Bytes("\x00" "A\x00" "B", 4))}, nullptr, 4);
  EXPECT_EQ(cut.text, "A");
  EXPECT_TRUE(cut.out.truncated);
}

TEST(ExtendedText, LanguageAndItems) {
  const std::vector<Bytes> two = {Extended(0, 0, "ces", "Česky"), Extended(0, 1, "ENG", "In "),
                                  Extended(1, 1, "eng", "English")};
  EXPECT_EQ(Join(two, "eng").text, "In English");  // the short event's language, any case
  EXPECT_EQ(Join(two, nullptr).text, Join(two, "deu").text);  // else the first
  const Joined j = Join({Extended(0, 1, "eng", "Text", Item("\x05" "Director", "Jan") +
                                                           Item("Cast", "A, ")),
                         Extended(1, 1, "eng", "", Item("", "\x05" "B") + Item("Year", "1999"))});
  EXPECT_EQ(j.text, "Text");
  EXPECT_EQ(j.items, "Director: Jan\nCast: A, B\nYear: 1999\n");
}

TEST(ExtendedText, ShortTextNotShownTwice) {
  struct Case { const char* shortText; const char* extended; bool repeated; } const kCases[] = {
      {"A film.", "A film. With more.", true},   {"A film", "A filmmaker's story", false},
      {"Two  words", " Two\nwords and more", true}, {"Cut short...", "Cut short", true},
      {u8"Stopa\u2026", "Stopa vede", true},      {"", "anything", false},
      {"Longer than", "Longer", false},            {"Same", "Same", true}};
  for (const Case& c : kCases)
    EXPECT_EQ(guide::ExtendedRepeatsShort(c.shortText, c.extended), c.repeated) << c.shortText;
}

// An event as the store keeps it: short text and whole descriptors.
guide::StoredEvent Kept(const Bytes& text, const std::vector<Bytes>& descriptors) {
  guide::StoredEvent e = {};
  std::memcpy(e.language, "ces", 4);
  e.textLength = static_cast<uint8_t>(text.size());
  std::memcpy(e.text, text.data(), text.size());
  Bytes detail;
  for (const Bytes& d : descriptors) detail += d;
  e.detailLength = static_cast<uint16_t>(detail.size());
  std::memcpy(e.detail, detail.data(), detail.size());
  return e;
}
Bytes Tagged(uint8_t tag, const Bytes& body) {
  return Bytes(1, static_cast<char>(tag)) + Bytes(1, static_cast<char>(body.size())) + body;
}

TEST(EventDescription, FactsThenShortTextThenExtendedTextAndItems) {
  const Bytes facts = Tagged(0x54, Bytes("\x14\x00\x14\x00\x40\x00", 6)) +  // a repeat, level 2
                      Tagged(0x55, Bytes("CZE\x09", 4)) + Tagged(0x50, Bytes("\x05\x0B\x01" "ces", 6)) +
                      Tagged(0x50, Bytes("\x03\x10\x02" "ces", 6));
  const Bytes director = Item("\x15Re\xC5\xBEie", "\x15Jan Nov\xC3\xA1k");
  const std::vector<Bytes> pieces = {
      facts, Tagged(0x4E, Extended(1, 1, "ces", "\x15 druh\xC3\xA1 \xC4\x8D\xC3\xA1st.", director)),
      Tagged(0x4E, Extended(0, 1, "ces", "\x15Prvn\xC3\xAD"))};
  char out[guide::kEventTextBuffer];
  guide::StoredEvent e = Kept("\x15Kr\xC3\xA1tce", pieces);
  const size_t length = guide::FormatEventText(e, true, out, sizeof out);
  EXPECT_EQ(length, strlen(out));
  EXPECT_STREQ(out, u8"Movie/Drama: comedy, Sports\n12+ HD 16:9 Subtitles\nKrátce\n"
                    u8"První druhá část.\nRežie: Jan Novák");
  e = Kept("\x15Prvn\xC3\xAD", pieces);  // the extended text begins with the short one
  guide::EventFacts f;
  guide::ReadEventFacts(e, &f);
  guide::DescriptionParts parts;
  guide::FormatDescription(e, f, true, out, sizeof out, &parts);
  EXPECT_STREQ(out, u8"První druhá část.\nRežie: Jan Novák");
  EXPECT_TRUE(parts.extended && !parts.shortShown);
  e = Kept("\x05" "Caf\xE9*", {Tagged(0x4E, Extended(0, 0, "ces", "\x05" "D\xE9j\xE0"))});
  guide::FormatEventText(e, false, out, sizeof out);  // 8-bit, cleaned as the detail always was
  EXPECT_STREQ(out, " Caf\xE9 \n D\xE9j\xE0");
  for (size_t cut = 1; cut < 24; ++cut) {  // a small buffer cuts safely
    e = Kept("", pieces);
    std::memset(out, 'x', sizeof out);
    EXPECT_LT(guide::FormatEventText(e, true, out, cut), cut);
    EXPECT_EQ(std::string(out).find('x'), std::string::npos);
  }
  std::vector<Bytes> whole;  // sixteen full descriptors of two-byte text: none of it cut
  Bytes ideographs;
  for (int k = 0; k < 123; ++k) ideographs += Bytes("\x4E\x00", 2);
  for (int n = 0; n < 16; ++n) whole.push_back(Tagged(0x4E, Extended(n, 15, "ces", "\x11" + ideographs)));
  e = Kept("", whole);
  EXPECT_EQ(guide::FormatEventText(e, true, out, sizeof out), 16u * 123 * 3);
  e = Kept("", {Tagged(0x55, Bytes("CZE\x00", 4)), Tagged(0x54, Bytes("\xF0\x00", 2))});
  EXPECT_EQ(guide::FormatEventText(e, true, out, sizeof out), 0u);  // nothing to say
}

// Every extended description of the real captures, joined, against a plain
// reading: the pieces' texts one after another in the order broadcast, a
// later piece's copy of the first piece's table selection left out.
void ReadEvents(void* context, const uint8_t* s, size_t size) {
  auto* loops = static_cast<std::set<Bytes>*>(context);
  if (size < 18 || s[0] < 0x4E || s[0] > 0x6F) return;
  for (size_t at = 14; at + 12 <= size - 4;) {
    const size_t loop = (s[at + 10] & 0x0F) << 8 | s[at + 11];
    if (at + 12 + loop > size - 4) return;
    loops->insert(Bytes(reinterpret_cast<const char*>(s + at + 12), loop));
    at += 12 + loop;
  }
}

TEST(ExtendedText, CapturesJoinAsAPlainReadingDoes) {
  const std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no real captures in " << tscap::CaptureDir();
  size_t events = 0, split = 0, unordered = 0;
  for (const std::string& file : files) {
    std::vector<tscap::Unit> units;
    ASSERT_TRUE(tscap::ReadPidUnits(file, tscap::kEitPid, &units));
    std::set<Bytes> loops;
    guide::SectionAssembler assembler;
    for (const tscap::Unit& u : units) assembler.Feed(u.bytes.data(), ReadEvents, &loops);
    for (const Bytes& loop : loops) {
      std::vector<Bytes> pieces;
      for (size_t at = 0; at + 2 <= loop.size() && at + 2 + U(loop)[at + 1] <= loop.size();
           at += 2 + U(loop)[at + 1])
        if (U(loop)[at] == guide::kExtendedEventDescriptor)
          pieces.push_back(loop.substr(at + 2, U(loop)[at + 1]));
      if (pieces.empty()) continue;
      Bytes plain, selection;
      bool inOrder = true;
      for (size_t i = 0; i < pieces.size(); ++i) {
        const Bytes& p = pieces[i];
        inOrder &= (U(p)[0] >> 4) == static_cast<int>(i) && p.compare(1, 3, pieces[0], 1, 3) == 0;
        const Bytes text = p.substr(6 + U(p)[4], U(p)[5 + U(p)[4]]);
        if (plain.empty()) {
          const uint8_t c = text.empty() ? 0x20 : U(text)[0];
          selection = text.substr(0, c >= 0x20 ? 0 : c == 0x10 ? 3 : 1);
          plain = text;
        } else {
          const bool copy = text.compare(0, selection.size(), selection) == 0;
          plain += copy ? text.substr(selection.size()) : text;
        }
      }
      if (!inOrder && ++unordered) continue;
      ++events;
      split += pieces.size() > 1;
      EXPECT_EQ(Join(pieces).text, Utf8(U(plain), plain.size())) << file;
    }
  }
  std::printf("%zu extended descriptions checked, %zu of several pieces; %zu out of order or of"
              " several languages\n", events, split, unordered);
  EXPECT_GT(events, 0u);
}

}  // namespace
