// EIT present/following section builder and packetiser for the host simulator,
// the section generator and the tests that need a stream of our own.
#include "tests/hosts/eitgen/eit_sections.h"

#include <cstdio>

namespace eitgen {
namespace {

constexpr uint16_t kFixedMjd = 60310;  // 2024-01-01: the date bytes are never shown

uint8_t Bcd(int value) {
  if (value < 0) value = 0;
  value %= 100;
  return static_cast<uint8_t>(((value / 10) << 4) | (value % 10));
}

void Put16(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
  out.push_back(static_cast<uint8_t>(value & 0xFF));
}

std::string Cut(const std::string& s, size_t max) { return s.size() > max ? s.substr(0, max) : s; }

// Bytes outside printable ASCII and the backslash as \xHH, like the reference files.
std::string Escape(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    if (c < 0x20 || c > 0x7E || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

Event MakeEvent(uint16_t id, int hour, int minute, int duration, const char* name,
                const char* text) {
  Event e;
  e.eventId = id;
  e.startHour = hour;
  e.startMinute = minute;
  e.durationMinutes = duration;
  e.name = name;
  e.text = text;
  return e;
}

}  // namespace

void AppendCrc(std::vector<uint8_t>& section) {
  const uint32_t crc = Crc32Mpeg(section.data(), section.size());
  for (int shift = 24; shift >= 0; shift -= 8) section.push_back(uint8_t(crc >> shift));
}

void SealSection(std::vector<uint8_t>& s, int lengthField) {
  const int length = lengthField >= 0 ? lengthField : static_cast<int>(s.size() + 4 - 3);
  s[1] = static_cast<uint8_t>((s[1] & 0xF0) | ((length >> 8) & 0x0F));
  s[2] = static_cast<uint8_t>(length);
  AppendCrc(s);
}

void AppendEventHeader(std::vector<uint8_t>& out, uint16_t eventId, uint16_t mjd,
                       const uint8_t startBcd[3], uint32_t durationBcd, unsigned running,
                       size_t descriptorsLength) {
  Put16(out, eventId);
  Put16(out, mjd);
  out.insert(out.end(), startBcd, startBcd + 3);
  for (int shift = 16; shift >= 0; shift -= 8) out.push_back(uint8_t(durationBcd >> shift));
  Put16(out, (running << 13) | static_cast<unsigned>(descriptorsLength & 0xFFF));
}

std::vector<uint8_t> ShortEventDescriptor(const std::string& language, const std::string& name,
                                          const std::string& text) {
  std::string lang = Cut(language, 3);
  lang.resize(3, ' ');
  // The body is language (3) + name length (1) + name + text length (1) + text,
  // and its length is one byte: at most 250 bytes are left for name and text.
  std::string n = Cut(name, 250);
  std::string t = Cut(text, 250 - n.size());
  std::vector<uint8_t> d;
  d.push_back(0x4D);
  d.push_back(static_cast<uint8_t>(3 + 1 + n.size() + 1 + t.size()));
  d.insert(d.end(), lang.begin(), lang.end());
  d.push_back(static_cast<uint8_t>(n.size()));
  d.insert(d.end(), n.begin(), n.end());
  d.push_back(static_cast<uint8_t>(t.size()));
  d.insert(d.end(), t.begin(), t.end());
  return d;
}

std::vector<uint8_t> BuildPfSection(const PfSection& s) {
  std::vector<uint8_t> loop;
  if (s.hasEvent) {
    std::vector<uint8_t> descriptors;
    for (const auto& d : s.event.leadingDescriptors) descriptors.insert(descriptors.end(), d.begin(), d.end());
    if (s.event.withShortEvent) {
      auto d = ShortEventDescriptor(s.event.language, s.event.name, s.event.text);
      descriptors.insert(descriptors.end(), d.begin(), d.end());
    }
    if (descriptors.size() > 0xFFF) return {};
    const uint8_t start[3] = {Bcd(s.event.startHour), Bcd(s.event.startMinute),
                              Bcd(s.event.startSecond)};
    int dur = s.event.durationMinutes < 0 ? 0 : s.event.durationMinutes;
    const unsigned running = s.sectionNumber == 0 ? 4u : 1u;  // running / not yet running
    AppendEventHeader(loop, s.event.eventId, s.event.mjd != 0 ? s.event.mjd : kFixedMjd, start,
                      uint32_t(Bcd(dur / 60)) << 16 | uint32_t(Bcd(dur % 60)) << 8, running,
                      descriptors.size());
    loop.insert(loop.end(), descriptors.begin(), descriptors.end());
  }
  const size_t sectionLength = 11 + loop.size() + 4;  // after the length field, CRC included
  if (sectionLength > kMaxSectionLength) return {};
  std::vector<uint8_t> out;
  out.push_back(kTableIdPfActual);
  Put16(out, 0xB000);  // syntax 1, reserved bits set; the length comes last
  Put16(out, s.serviceId);
  out.push_back(static_cast<uint8_t>(0xC0 | ((s.version & 0x1F) << 1) | 0x01));  // current
  out.push_back(s.sectionNumber);
  out.push_back(1);  // last_section_number
  Put16(out, s.transportStreamId);
  Put16(out, s.originalNetworkId);
  out.push_back(1);  // segment_last_section_number
  out.push_back(kTableIdPfActual);
  out.insert(out.end(), loop.begin(), loop.end());
  SealSection(out);
  return out;
}

void AppendSectionPackets(const std::vector<uint8_t>& section, uint16_t pid, uint8_t& continuity,
                          std::vector<uint8_t>& out) {
  size_t done = 0;
  bool first = true;
  while (first || done < section.size()) {
    uint8_t packet[kPacketSize];
    packet[0] = 0x47;
    packet[1] = static_cast<uint8_t>((first ? 0x40 : 0x00) | ((pid >> 8) & 0x1F));
    packet[2] = static_cast<uint8_t>(pid & 0xFF);
    packet[3] = static_cast<uint8_t>(0x10 | (continuity & 0x0F));  // payload only
    continuity = static_cast<uint8_t>((continuity + 1) & 0x0F);
    size_t pos = 4;
    if (first) packet[pos++] = 0x00;  // pointer_field: the section starts right after it
    while (pos < kPacketSize && done < section.size()) packet[pos++] = section[done++];
    while (pos < kPacketSize) packet[pos++] = 0xFF;
    out.insert(out.end(), packet, packet + kPacketSize);
    first = false;
  }
}

std::vector<DemoService> DemoServices() {
  std::vector<DemoService> v;
  v.push_back({"Tavik One", 0x0101, 11778000, 1, 0,
               MakeEvent(0x1001, 20, 0, 30, "Evening News",
                         "Headlines from around the region, the weather and the sport."),
               MakeEvent(0x1002, 20, 30, 55, "Nature Watch",
                         "Otters of the northern rivers, filmed over one winter.")});
  v.push_back({"Harbour TV", 0x0102, 11778000, 1, 0,
               MakeEvent(0x2001, 19, 45, 60, "Harbour Life",
                         "A day with the pilots who bring the big ships in."),
               MakeEvent(0x2002, 20, 45, 40, "Night Ferry", "Crossing the strait after dark.")});
  std::string longText =
      "A snowbound village waits for the spring thaw while an old feud between two "
      "families of fishermen flares up again. When the ice breaks early, the young "
      "have to choose: stay or leave for the city.";  // long enough for two packets
  v.push_back({"Cinema Nord", 0x0103, 12188000, 0, 5,
               MakeEvent(0x3001, 20, 15, 105, "The Long Winter", longText.c_str()),
               MakeEvent(0x3002, 22, 0, 95, "Late Movie: Blue Lantern",
                         "A detective story set in a harbour town.")});
  v.push_back({"Kids Corner", 0x0104, 12188000, 0, 0,
               MakeEvent(0x4001, 19, 30, 25, "Cartoon Parade", "Three short cartoons."),
               MakeEvent(0x4002, 19, 55, 10, "Story Time", "A bedtime story, read aloud.")});
  v.push_back({"Sport 24", 0x0105, 12640000, 13, 1,
               MakeEvent(0x5001, 20, 0, 120, "Match of the Week", "Live from the city stadium."),
               MakeEvent(0x5002, 22, 0, 30, "Goals Tonight", "All the goals of the day.")});
  return v;
}

// Texts as long as a short event descriptor carries (name and text share 250
// bytes): words, and runs without a single blank, as some broadcasters send.
std::vector<DemoService> LongTextServices() {
  std::string words;
  while (words.size() < 120) words += "The Very Long Documentary Evening ";
  words.resize(120);
  std::string unbroken;
  while (unbroken.size() < 130) unbroken += "Without-any-blank-";
  unbroken.resize(130);
  std::string title;
  while (title.size() < 250) title += "MARATHONOFTITLES";
  title.resize(250);
  std::vector<DemoService> v;
  v.push_back({"Long texts", 0x0201, 12149999, 13, 11,
               MakeEvent(0x6001, 20, 0, 90, words.c_str(), unbroken.c_str()),
               MakeEvent(0x6002, 21, 30, 60, title.c_str(), "")});
  return v;
}

std::vector<uint8_t> BuildDemoStream(int rounds) { return BuildServiceStream(DemoServices(), rounds); }

std::vector<uint8_t> BuildServiceStream(const std::vector<DemoService>& services, int rounds) {
  std::vector<uint8_t> out;
  uint8_t continuity = 0;
  for (int r = 0; r < rounds; ++r) {
    for (const auto& svc : services) {
      for (int n = 0; n < 2; ++n) {
        PfSection s;
        s.serviceId = svc.serviceId;
        s.sectionNumber = static_cast<uint8_t>(n);
        s.event = n == 0 ? svc.present : svc.following;
        AppendSectionPackets(BuildPfSection(s), kEitPid, continuity, out);
      }
    }
  }
  return out;
}

std::vector<uint8_t> BuildDamagedFirstStream() {
  std::vector<uint8_t> out;
  uint8_t continuity = 0;
  for (const auto& svc : DemoServices()) {
    PfSection present;
    present.serviceId = svc.serviceId;
    present.event = svc.present;
    std::vector<uint8_t> damaged = BuildPfSection(present);
    damaged[32] = 'X';  // the name's first byte, after the short event's length bytes
    for (int k = 0; k < 3; ++k) AppendSectionPackets(damaged, kEitPid, continuity, out);
    const auto good = BuildServiceStream({svc}, 1);
    out.insert(out.end(), good.begin(), good.end());
  }
  return out;
}

namespace {

Event DatedEvent(uint16_t id, uint16_t mjd, int hour, int minute, const std::string& name,
                 const std::string& text) {
  Event e = MakeEvent(id, hour, minute, 60, "", "");
  e.name = name;
  e.text = text;
  e.mjd = mjd;
  return e;
}

constexpr uint16_t kWinter = 61055;  // 2026-01-15
constexpr uint16_t kSummer = 61236;  // 2026-07-15

}  // namespace

std::vector<DemoService> WorldServices(int phase) {
  // Czech in the default table: a diacritic byte before its letter.
  const std::string czechNow = "Vyjednava\xCF" "c", czechNext = "N\xC2" "amo\xCF" "rn\xC2" "i hl\xC2" "idka";
  std::vector<DemoService> v;
  v.push_back({"Praha zima", 0x0301, 10758000, 1, 0,
               DatedEvent(0x7001, kWinter, 8, 30, czechNow, "Krimin\xC2" "aln\xC2" "i film\x8A" "CZ 2019"),
               DatedEvent(0x7002, kWinter, 9, 30, czechNext, "Dokument")});
  v.push_back({"Praha leto", 0x0302, 10758000, 1, 0,
               DatedEvent(0x7003, kSummer, 8, 30, czechNow, "Krimin\xC2" "aln\xC2" "i film\x8A" "CZ 2019"),
               DatedEvent(0x7004, kSummer, 9, 30, czechNext, "Dokument")});
  v.push_back({"Athina", 0x0303, 11054000, 0, 0,
               DatedEvent(0x7005, kSummer, 8, 30, "\x03\xC5\xE9\xE4\xDE\xF3\xE5\xE9\xF2",
                          "\x03\xD4\xE1 \xED\xDD\xE1 \xF4\xE7\xF2 \xE7\xEC\xDD\xF1\xE1\xF2"),
               DatedEvent(0x7006, kSummer, 9, 30,
                          "\x03\xD4\xE1\xEE\xDF\xE4\xE9 \xF3\xF4\xE7\xED \xC5\xEB\xEB\xDC\xE4\xE1",
                          "")});
  v.push_back({"Kyiv", 0x0304, 11054000, 0, 0,
               DatedEvent(0x7007, kSummer, 8, 30, "\x01\xBD\xDE\xD2\xDE\xE1\xE2\xD8", ""),
               DatedEvent(0x7008, kSummer, 9, 30, "\x01\xBF\xDE\xD3\xDE\xD4\xD0", "")});
  v.push_back({"Taipei", 0x0305, 11600000, 1, 0,
               DatedEvent(0x7009, kSummer, 8, 30,
                          std::string("\x14\x83\xEF\x89\x96\x66\x5A\x95\x93\x65\xB0\x80\x5E", 13),
                          std::string("\x14\x4E\xCA\x65\xE5\x65\xB0\x80\x5E\x58\x31\x5C\x0E", 13)),
               DatedEvent(0x700A, kSummer, 9, 30,
                          std::string("\x14\x81\xFA\x70\x63\x59\x7D\x54\x73\x90\x53", 11), "")});
  v.push_back({"Beijing", 0x0306, 11600000, 1, 0,
               DatedEvent(0x700B, kSummer, 8, 30, "\x13\xD0\xC2\xCE\xC5\xC1\xAA\xB2\xA5", ""),
               DatedEvent(0x700C, kSummer, 9, 30, "\x13\xCC\xEC\xC6\xF8\xD4\xA4\xB1\xA8", "")});
  v.push_back({"Seoul", 0x0307, 11600000, 1, 0,
               DatedEvent(0x700D, kSummer, 8, 30, "\x12\xB4\xBA\xBD\xBA 9", ""),
               DatedEvent(0x700E, kSummer, 9, 30, "\x12\xB3\xAF\xBE\xBE\xBF\xCD \xBB\xFD\xC8\xB0", "")});
  const Event shows[] = {
      DatedEvent(0x8001, kSummer, 8, 0, "Morning Show", "Guests and music."),
      DatedEvent(0x8002, kSummer, 12, 0, "Noon News", "The news at noon."),
      DatedEvent(0x8003, kSummer, 12, 30, "Afternoon Film", "A comedy."),
      DatedEvent(0x8004, kSummer, 14, 30, "Tea Time", "Cakes."),
  };
  const int p = phase < 0 ? 0 : phase > 2 ? 2 : phase;
  v.push_back({"Follow TV", 0x0308, 11600000, 1, 0, shows[p], shows[p + 1]});
  return v;
}

std::vector<uint8_t> BuildWorldStream(int rounds, size_t* loopFrom) {
  std::vector<uint8_t> out = BuildServiceStream(WorldServices(0), rounds);
  const auto second = BuildServiceStream(WorldServices(1), 3 * rounds);
  out.insert(out.end(), second.begin(), second.end());
  if (loopFrom) *loopFrom = out.size() / kPacketSize;
  const auto third = BuildServiceStream(WorldServices(2), rounds);
  out.insert(out.end(), third.begin(), third.end());
  return out;
}

std::string WorldChannelList() {
  std::string out = "# name;frequency;polarity;serviceid;ca\n";
  for (const auto& svc : WorldServices(0)) {
    char line[128];
    std::snprintf(line, sizeof line, "%s;%u;%d;0x%04X;%d\n", svc.channelName, svc.frequency,
                  svc.polarity, svc.serviceId, svc.caSystem);
    out += line;
  }
  return out;
}

std::string DemoReferenceTsv() {
  std::string out;
  for (const auto& svc : DemoServices()) {
    for (int n = 0; n < 2; ++n) {
      const Event& e = n == 0 ? svc.present : svc.following;
      char head[64];
      std::snprintf(head, sizeof head, "0x%04x\t%d\t%02d:%02d\t0x4d\t", svc.serviceId, n,
                    e.startHour, e.startMinute);
      out += head;
      out += Escape(e.name) + "\t" + Escape(e.text) + "\td0\n";
    }
  }
  return out;
}

std::string DemoChannelList() {
  std::string out = "# name;frequency;polarity;serviceid;ca\n";
  for (const auto& svc : DemoServices()) {
    char line[128];
    std::snprintf(line, sizeof line, "%s;%u;%d;0x%04X;%d\n", svc.channelName, svc.frequency,
                  svc.polarity, svc.serviceId, svc.caSystem);
    out += line;
  }
  return out;
}

}  // namespace eitgen
