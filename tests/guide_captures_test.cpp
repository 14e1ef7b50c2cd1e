// Plays real broadcast captures through OnDataArrival the way a host
// delivers them and checks each decoded line against the reference listing
// beside the capture; and keeps them whole in the event store.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "common/channel_record.h"
#include "guide/eit_decoder.h"
#include "guide/event_store.h"
#include "guide/extended_text.h"
#include "guide/guide.h"
#include "guide/section_assembler.h"
#include "tests/hostkit/record.h"
#include "settings/settings.h"
#include "tests/hostkit/ts_capture.h"

namespace {

// One line of <capture>.sections.tsv.
struct Reference {
  uint16_t sid = 0;
  int sectionNumber = 0;
  std::string start;  // hh:mm
  std::string tag;    // "0x4d", or "-" when the section holds no event
  std::string name, text;
  std::string source;  // where the reference took the name from; "-" none
  int version = 0;
  int length = 0;
  uint16_t eventId = 0;
};

// Identifies a section from the unit it starts in.
using Key = std::tuple<uint16_t, int, int, int, uint16_t>;  // sid, number, version, length, event

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out.push_back(static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// A number of the listing, or 0 for "-" (a section without an event).
int Number(const std::string& field, int base) {
  char* end = nullptr;
  long v = std::strtol(field.c_str(), &end, base);
  return end == field.c_str() ? 0 : static_cast<int>(v);
}

std::vector<Reference> ReadReferences(const std::string& path) {
  std::vector<Reference> refs;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    if (f.size() < 13) continue;
    Reference r;
    r.sid = static_cast<uint16_t>(Number(f[0], 16));
    r.sectionNumber = Number(f[1], 10);
    r.start = f[2];
    r.tag = f[3];
    r.name = Unescape(f[4]);
    r.text = Unescape(f[5]);
    r.source = f[6];
    r.version = Number(f[7], 10);
    r.length = Number(f[9], 10) - 3;  // listed with the three header bytes
    r.eventId = static_cast<uint16_t>(Number(f[12], 16));
    refs.push_back(r);
  }
  return refs;
}

Key UnitKey(const tscap::Unit& u) {
  const uint8_t* b = u.bytes.data();
  return Key(static_cast<uint16_t>(b[4] << 8 | b[5]), b[7], (b[6] >> 1) & 0x1F,
             (b[2] & 0x0F) << 8 | b[3], static_cast<uint16_t>(b[15] << 8 | b[16]));
}

std::string Clean(std::string s) {
  s = s.substr(0, s.find('\0'));
  for (char& c : s) {
    uint8_t b = static_cast<uint8_t>(c);
    if (b < 0x20 || b == 0x2A || b == 0x8A) c = ' ';
  }
  return s;
}

// The line a short event descriptor gives in the two-part layout: a name in
// the three-byte character table loses three bytes (and the text as many), a
// name that starts below 0x21 after cleaning shows from its second byte.
std::string ExpectedLine(const Reference& r) {
  // The skip is decided by the byte after the name length: the name's first
  // byte, or the text length when the name is empty.
  uint8_t first = r.name.empty() ? static_cast<uint8_t>(r.text.size())
                                 : static_cast<uint8_t>(r.name[0]);
  size_t skip = first == 0x10 ? 3 : 0;
  std::string name = r.name.size() >= skip ? Clean(r.name.substr(skip)) : "";
  std::string text = r.text.size() >= skip ? Clean(r.text.substr(skip)) : "";
  if (name.empty() || static_cast<uint8_t>(name[0]) < 0x21) name = name.empty() ? "" : name.substr(1);
  return "(" + r.start + ") " + name + " > " + text + " ";
}

std::string Printable(const std::string& s) {
  std::string out;
  for (char c : s) {
    uint8_t b = static_cast<uint8_t>(c);
    if (b >= 0x20 && b < 0x7F) {
      out.push_back(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", b);
      out += hex;
    }
  }
  return out;
}

struct CaptureResult {
  int listed = 0, startAtByte1 = 0, decoded = 0, agreed = 0;
  int continuityErrors = 0;
  std::vector<std::string> disagreements;
};

std::string Line(bool now) {
  char b[1024];
  if (now) CopyNowLine(b, sizeof b);
  else CopyNextLine(b, sizeof b);
  return b;
}

// With the schedule on, lines come from the engine's whole sections, which
// may start anywhere in a unit: a line must be that of some listed section of
// the service and kind (a damaged one would be no listed line).
bool ListedLine(const std::vector<Reference>& refs, uint16_t sid, int kind,
                const std::string& decoded) {
  for (const Reference& r : refs) {
    if (r.sid != sid || (r.sectionNumber & 1) != kind) continue;
    if (ExpectedLine(r) == decoded) return true;
    if (r.source == "-" && r.tag != "-" &&
        decoded.compare(0, r.start.size() + 3, "(" + r.start + ") ") == 0)
      return true;
  }
  return false;
}

CaptureResult PlayCapture(const std::string& tsPath, bool engine = false) {
  CaptureResult result;
  std::vector<Reference> refs = ReadReferences(tsPath + ".sections.tsv");
  std::vector<tscap::Unit> units;
  EXPECT_TRUE(tscap::ReadPidUnits(tsPath, tscap::kEitPid, &units, &result.continuityErrors));
  result.listed = static_cast<int>(refs.size());

  std::map<Key, size_t> refByKey;
  for (size_t i = 0; i < refs.size(); ++i) {
    const Reference& r = refs[i];
    refByKey[Key(r.sid, r.sectionNumber, r.version, r.length, r.eventId)] = i;
  }
  // Units in which a listed section starts at byte 1 (pointer_field 0).
  std::map<size_t, size_t> startUnits;  // unit index -> reference
  std::set<size_t> startingRefs;
  for (size_t u = 0; u < units.size(); ++u) {
    const tscap::Unit& unit = units[u];
    if (!unit.start || unit.bytes[0] != 0 || unit.bytes[1] != 0x4E) continue;
    auto it = refByKey.find(UnitKey(unit));
    if (it == refByKey.end()) continue;
    startUnits[u] = it->second;
    startingRefs.insert(it->second);
  }
  result.startAtByte1 = static_cast<int>(startingRefs.size());

  std::set<uint16_t> services;
  for (const Reference& r : refs) services.insert(r.sid);
  std::set<size_t> decodedRefs, agreedRefs;
  uint32_t rng = 12345;
  for (uint16_t sid : services) {
    SaveChannelRecord(hostkit::MakeRecord("Capture", 0, 0, sid, 0));
    RestartProgrammeLines(-1);
    for (size_t pos = 0; pos < units.size();) {
      rng = rng * 1103515245u + 12345u;
      size_t count = std::min<size_t>(1 + (rng >> 16) % 10, units.size() - pos);
      std::vector<uint8_t> delivery = tscap::Concatenate(units, pos, count);
      OnDataArrival(1, static_cast<int>(delivery.size()), delivery.data());
      int32_t state = eitState.load();
      for (int kind = 0; kind < 2; ++kind) {
        int32_t bit = kind == 0 ? 2 : 4;
        if ((state & bit) == 0) continue;
        std::string decoded = Line(kind == 0);
        // The unit it came from is one of this delivery's section starts of
        // this service and kind; the first whose line it is.
        bool matched = false;
        std::string expectedFirst = "(no listed section starts here)";
        size_t firstRef = SIZE_MAX;
        if (engine) {
          matched = ListedLine(refs, sid, kind, decoded);
          result.decoded += matched ? 1 : 0;
          expectedFirst = "(a listed line)";
        }
        for (size_t u = pos; u < pos + count && !matched && !engine; ++u) {
          auto it = startUnits.find(u);
          if (it == startUnits.end()) continue;
          const Reference& r = refs[it->second];
          if (r.sid != sid || (r.sectionNumber & 1) != kind) continue;
          std::string expected = ExpectedLine(r);
          // A short event after another first descriptor (the reference
          // lists no name for it): the line has the start and a name.
          if (r.source == "-" && r.tag != "-" &&
              decoded.compare(0, r.start.size() + 3, "(" + r.start + ") ") == 0 &&
              decoded.size() > r.start.size() + 8)
            expected = decoded;
          if (firstRef == SIZE_MAX) {
            firstRef = it->second;
            expectedFirst = expected;
          }
          if (expected == decoded) {
            matched = true;
            decodedRefs.insert(it->second);
            agreedRefs.insert(it->second);
          }
        }
        if (!matched) {
          if (firstRef != SIZE_MAX) decodedRefs.insert(firstRef);
          result.disagreements.push_back("sid " + std::to_string(sid) + " units " +
                                         std::to_string(pos) + "+" + std::to_string(count) +
                                         ": got \"" + Printable(decoded) + "\" expected \"" +
                                         Printable(expectedFirst) + "\"");
        }
      }
      if (state & 6) RestartProgrammeLines(-1);
      pos += count;
    }
  }
  if (engine) return result;  // decoded: the lines built, all of them listed
  result.decoded = static_cast<int>(decodedRefs.size());
  result.agreed = static_cast<int>(agreedRefs.size());
  return result;
}

TEST(GuideCaptures, RealBroadcastsDecodeAsTheReferenceListsThem) {
  std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty())
    GTEST_SKIP() << "no real captures in " << tscap::CaptureDir()
                 << " (they live beside the project, not in it)";
  ResetGuide();
  ResetSettings();
  settings.epgtext = 1;
  eitState = 1;

  std::printf("%-48s %6s %8s %8s %7s\n", "capture", "listed", "start@1", "decoded", "agreed");
  int totalDecoded = 0, totalAgreed = 0;
  for (const std::string& path : files) {
    CaptureResult r = PlayCapture(path);
    std::string name = path.substr(path.rfind('/') + 1);
    std::printf("%-48s %6d %8d %8d %7d\n", name.c_str(), r.listed, r.startAtByte1, r.decoded,
                r.agreed);
    for (size_t i = 0; i < r.disagreements.size() && i < 6; ++i)
      std::printf("    %s\n", r.disagreements[i].c_str());
    if (r.disagreements.size() > 3)
      std::printf("    ... %zu disagreements in all\n", r.disagreements.size());
    totalDecoded += r.decoded;
    totalAgreed += r.agreed;
    EXPECT_LE(r.decoded, r.startAtByte1) << name;
    EXPECT_EQ(r.agreed, r.decoded) << name;
    // A section that lies whole in its delivery is judged by its CRC; one
    // that runs past the end of its delivery cannot be, and where packets
    // were lost in the capture its line may be garbled. Elsewhere every
    // decoded line must agree.
    if (r.continuityErrors == 0) {
      EXPECT_TRUE(r.disagreements.empty()) << name;
    } else {
      std::printf("    (%d continuity errors in this capture)\n", r.continuityErrors);
    }
  }
  EXPECT_GT(totalDecoded, 0);
  EXPECT_EQ(totalAgreed, totalDecoded);
  settings.epgtext = 0;
}

TEST(GuideCaptures, WithTheScheduleOnNoLineComesFromADamagedSection) {
  std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no real captures in " << tscap::CaptureDir();
  ResetGuide();
  ResetSettings();
  settings.epgtext = 1;
  settings.schedule = 1;
  std::printf("%-48s %6s %8s\n", "capture", "lines", "garbled");
  int total = 0;
  for (const std::string& path : files) {
    CaptureResult r = PlayCapture(path, true);
    std::printf("%-48s %6d %8zu\n", path.substr(path.rfind('/') + 1).c_str(), r.decoded,
                r.disagreements.size());
    for (size_t i = 0; i < r.disagreements.size() && i < 3; ++i)
      std::printf("    %s\n", r.disagreements[i].c_str());
    EXPECT_TRUE(r.disagreements.empty()) << path;
    total += r.decoded;
  }
  EXPECT_GT(total, 0);
  settings.schedule = 0;
  guide::ReleaseSchedule();
  settings.epgtext = 0;
}

using Bytes = std::vector<uint8_t>;

// An event's descriptors read here on their own: its content, rating and component ones, then its
// extended ones of the short event's language (else the first's), and their text joined by hand.
struct RawEvent {
  Bytes detail, text;
  int content = -1;  // the first content pair's first byte
};

RawEvent ReadRaw(guide::ByteView loop) {
  RawEvent r;
  std::vector<std::pair<guide::Descriptor, guide::ExtendedEventView>> extended;
  const uint8_t* language = nullptr;
  guide::Descriptor d;
  guide::ShortEventView named;
  guide::ExtendedEventView x;
  for (guide::DescriptorCursor cursor(loop); cursor.Next(&d);) {
    if (d.tag == 0x54 || d.tag == 0x55 || d.tag == 0x50)
      r.detail.insert(r.detail.end(), d.body.data - 2, d.body.data + d.body.size);
    if (d.tag == 0x54 && d.body.size >= 2 && r.content < 0) r.content = d.body.data[0];
    if (!language && guide::ReadShortEvent(d, &named)) language = named.language.data;
    if (guide::ReadExtendedEvent(d, &x)) extended.push_back({d, x});
  }
  if (!language && !extended.empty()) language = extended[0].second.language.data;
  int last = -1;
  std::map<int, guide::ByteView> pieces;  // by number, the first of each
  for (const auto& [whole, view] : extended) {
    if (std::memcmp(view.language.data, language, 3) != 0) continue;
    r.detail.insert(r.detail.end(), whole.body.data - 2, whole.body.data + whole.body.size);
    if (last < 0) last = view.lastNumber;
    if (view.number <= last) pieces.emplace(view.number, view.text);
  }
  size_t table = 0;  // the text's character-table selection, dropped where a piece repeats it
  for (const auto& [number, t] : pieces) {
    const bool again = table > 0 && t.size >= table && r.text.size() >= table &&
                       std::memcmp(t.data, r.text.data(), table) == 0;
    if (r.text.empty() && t.size > 0) table = t.data[0] == 0x10 ? 3 : t.data[0] == 0x1F ? 2 : t.data[0] < 0x20;
    r.text.insert(r.text.end(), t.data + (again ? table : 0), t.data + t.size);
  }
  return r;
}

// The store, and each event as the last section the store took read it.
struct Kept {
  guide::EventStore* store = guide::EventStore::Create();
  std::map<std::pair<uint16_t, uint16_t>, RawEvent> raw;
  ~Kept() { guide::EventStore::Destroy(store); }
  static void Take(void* context, const uint8_t* section, size_t size) {
    Kept* k = static_cast<Kept*>(context);
    guide::EitHeader h;
    guide::ByteView events;
    guide::EitEvent ev;
    if (guide::ReadEitSection(section, size, &h, &events) &&
        k->store->Put(section, size, guide::kNoClock, h.serviceId))  // not a repeat, a table kept
      for (guide::EitEventCursor c(events); c.Next(&ev);)
        k->raw[{h.serviceId, ev.eventId}] = ReadRaw(ev.descriptors);
  }
};

TEST(GuideCaptures, TheStoreKeepsEveryEventWholeWithinItsBounds) {
  std::vector<std::string> files = tscap::CaptureFiles();
  if (files.empty()) GTEST_SKIP() << "no real captures in " << tscap::CaptureDir();
  for (const std::string& path : files) {
    std::vector<tscap::Unit> units;
    ASSERT_TRUE(tscap::ReadPidUnits(path, tscap::kEitPid, &units));
    Kept k;
    guide::SectionAssembler assembler;
    for (const tscap::Unit& u : units) assembler.Feed(u.bytes.data(), &Kept::Take, &k);
    const std::string name = path.substr(path.rfind('/') + 1);
    for (const auto& [key, raw] : k.raw) {
      guide::StoredEvent e;
      if (!k.store->Find(key.first, key.second, &e)) continue;  // replaced by a later version
      SCOPED_TRACE(name + " event " + std::to_string(key.second));
      // The genre, and the rating and components the marks are read from, as broadcast.
      ASSERT_EQ(Bytes(e.detail, e.detail + e.detailLength), raw.detail);
      EXPECT_EQ(e.hasContent ? e.content : -1, raw.content);
      std::vector<guide::DescriptorBytes> pieces;
      guide::DescriptorCursor cursor(guide::ByteView{e.detail, e.detailLength});
      for (guide::Descriptor d; cursor.Next(&d);)
        if (d.tag == 0x4E) pieces.push_back({d.body.data, d.body.size});
      static uint8_t joined[guide::kExtendedBuffer];
      guide::JoinedExtended j;
      guide::JoinExtended(pieces.data(), pieces.size(), e.language, joined, sizeof joined, &j);
      EXPECT_EQ(Bytes(joined + j.text.offset, joined + j.text.offset + j.text.length), raw.text);
    }
    std::printf("%-48s %6d events, the store %zu bytes\n", name.c_str(), k.store->Figures().events,
                k.store->Figures().bytesUsed);
    EXPECT_LE(k.store->Figures().bytesUsed, size_t(2) << 20) << name;
  }
}

}  // namespace
