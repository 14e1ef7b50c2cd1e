// Streams dated to the run's present: a capture's EIT sections moved forward
// in time with new CRCs, and the demo stream with present events begun
// minutes ago.
#include "tests/hosts/eitgen/dated_streams.h"

#include <ctime>
#include <string>

#include "tests/hosts/eitgen/eit_sections.h"
#include "tools/hostkit/ts_packets.h"

namespace eitgen {
namespace {

constexpr int64_t kMjdOf1970 = 40587;
constexpr int64_t kDay = 86400;
constexpr size_t kHeaderBytes = 14;  // table_id up to last_table_id
constexpr size_t kEventHeader = 12;  // event_id, start_time, duration, status and loop length

int FromBcd(uint8_t b) { return (b >> 4) > 9 || (b & 0x0F) > 9 ? -1 : (b >> 4) * 10 + (b & 0x0F); }
uint8_t ToBcd(int v) { return static_cast<uint8_t>(((v / 10) << 4) | (v % 10)); }

bool IsEit(uint8_t tableId) { return tableId >= 0x4E && tableId <= 0x6F; }

size_t SectionSize(const std::vector<uint8_t>& s) {
  return s.size() < 3 ? 0 : 3 + (((s[1] & 0x0F) << 8) | s[2]);
}

// Whole sections of PID 0x0012 by the packet headers, in stream order.
std::vector<std::vector<uint8_t>> Sections(const std::vector<uint8_t>& ts) {
  std::vector<std::vector<uint8_t>> out;
  std::vector<uint8_t> part;  // the section being gathered; empty: none
  // Adds bytes to the section in progress; a whole one goes out.
  auto add = [&](const uint8_t* from, const uint8_t* to) {
    if (part.empty() || from >= to) return;
    part.insert(part.end(), from, to);
    const size_t size = SectionSize(part);
    if (size > 0 && part.size() >= size) {
      part.resize(size);
      out.push_back(part);
      part.clear();
    }
  };
  int lastCounter = -1;
  size_t pos = 0;
  while (const uint8_t* p = hostkit::NextPacket(ts.data(), ts.size(), &pos)) {
    const uint8_t* end = p + kPacketSize;
    if (hostkit::PacketPid(p) != kEitPid) continue;
    const hostkit::Continuity step = hostkit::FollowCounter(p, &lastCounter);
    const bool inOrder = step == hostkit::Continuity::kFirst || step == hostkit::Continuity::kNext;
    const bool usable = !hostkit::PacketDamaged(p) && hostkit::PacketHasPayload(p);
    // Damaged, without payload or after a lost packet: the section it belongs to is lost.
    if (!usable || !inOrder) part.clear();
    if (!usable) continue;
    const uint8_t* at = p + hostkit::PayloadStart(p);  // after the adaptation field
    if (at >= end) continue;
    if (!hostkit::PacketStartsUnit(p)) {
      add(at, end);
      continue;
    }
    const uint8_t* first = at + 1 + *at;  // pointer_field: the end of the section in progress
    add(at + 1, first < end ? first : end);
    part.clear();  // whatever is unfinished there is lost
    while (first < end && *first != 0xFF) {
      part.assign(first, end);
      const size_t size = SectionSize(part);
      if (size == 0 || size > part.size()) break;  // goes on in the next packets
      out.emplace_back(first, first + size);
      part.clear();
      first += size;
    }
  }
  return out;
}

// Moves every event's start of an EIT section by shift seconds.
size_t ShiftEvents(std::vector<uint8_t>& s, int64_t shift) {
  size_t moved = 0;
  const size_t end = s.size() - 4;  // the CRC
  for (size_t at = kHeaderBytes; at + kEventHeader <= end;) {
    uint8_t* start = s.data() + at + 2;
    int64_t seconds;
    if (EitStartSeconds(start, &seconds)) {
      const int64_t t = seconds + shift;
      const int64_t days = t / kDay, inDay = t % kDay;
      const int64_t mjd = days + kMjdOf1970;
      start[0] = static_cast<uint8_t>(mjd >> 8);
      start[1] = static_cast<uint8_t>(mjd);
      start[2] = ToBcd(static_cast<int>(inDay / 3600));
      start[3] = ToBcd(static_cast<int>(inDay / 60 % 60));
      start[4] = ToBcd(static_cast<int>(inDay % 60));
      ++moved;
    }
    at += kEventHeader + (((s[at + 10] & 0x0F) << 8) | s[at + 11]);
  }
  return moved;
}

void PutCrc(std::vector<uint8_t>& s) {
  s.resize(s.size() - 4);
  AppendCrc(s);
}

}  // namespace

int64_t UtcNowSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

bool EitStartSeconds(const uint8_t* start, int64_t* out) {
  const int mjd = (start[0] << 8) | start[1];
  const int h = FromBcd(start[2]), m = FromBcd(start[3]), sec = FromBcd(start[4]);
  if (mjd == 0xFFFF || h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59) return false;
  *out = (mjd - kMjdOf1970) * kDay + h * 3600 + m * 60 + sec;
  return true;
}

std::vector<uint8_t> RedateCapture(const std::vector<uint8_t>& ts, int64_t nowUtc,
                                   RedateStats* stats) {
  RedateStats local;
  RedateStats& st = stats ? *stats : local;
  st = RedateStats();
  std::vector<std::vector<uint8_t>> kept;
  bool haveShift = false, haveFallback = false;
  int64_t fallback = 0;  // without a present event: the first following one's shift
  for (auto& s : Sections(ts)) {
    if (!IsEit(s[0])) continue;
    ++st.sections;
    if (s.size() < kHeaderBytes + 4 || Crc32Mpeg(s.data(), s.size()) != 0) {
      ++st.badCrc;
      continue;
    }
    int64_t first;
    if (!haveShift && s[0] == kTableIdPfActual && s[6] == 0 &&
        s.size() >= kHeaderBytes + kEventHeader + 4 && EitStartSeconds(s.data() + kHeaderBytes + 2, &first)) {
      st.shiftSeconds = (nowUtc - first) / 60 * 60;
      haveShift = true;
    } else if (!haveFallback && s[0] == kTableIdPfActual &&
               s.size() >= kHeaderBytes + kEventHeader + 4 &&
               EitStartSeconds(s.data() + kHeaderBytes + 2, &first)) {
      fallback = (nowUtc - first) / 60 * 60;
      haveFallback = true;
    }
    kept.push_back(std::move(s));
  }
  if (!haveShift) st.shiftSeconds = fallback;
  std::vector<uint8_t> out;
  uint8_t continuity = 0;
  for (auto& s : kept) {
    st.events += ShiftEvents(s, st.shiftSeconds);
    PutCrc(s);
    AppendSectionPackets(s, kEitPid, continuity, out);
  }
  return out;
}

std::vector<uint8_t> BuildNowStream(std::vector<DemoService> services, int64_t nowUtc,
                                    int agoSeconds, int durationMinutes) {
  auto at = [](Event& e, int64_t t) {
    e.mjd = static_cast<uint16_t>(t / kDay + kMjdOf1970);
    e.startHour = static_cast<int>(t % kDay / 3600);
    e.startMinute = static_cast<int>(t % kDay / 60 % 60);
    e.startSecond = static_cast<int>(t % 60);
  };
  const int64_t start = nowUtc - agoSeconds;
  for (DemoService& svc : services) {
    at(svc.present, start);
    svc.present.durationMinutes = durationMinutes;
    at(svc.following, start + durationMinutes * 60);
  }
  return BuildServiceStream(services, 1);
}

std::vector<uint8_t> BuildScheduleStream(const std::vector<uint16_t>& serviceIds, int64_t nowUtc,
                                         int count, const char* prefix, uint16_t firstEventId) {
  constexpr int64_t kLength = 1800, kSegment = 3 * 3600;
  const int64_t first = nowUtc - 600, day0 = first / kDay * kDay;
  const int64_t lastSegment = (first + (count - 1) * kLength - day0) / kSegment;
  std::vector<uint8_t> out;
  uint8_t continuity = 0;
  for (uint16_t sid : serviceIds) {
    for (int i = 0; i < count;) {
      const int64_t segment = (first + i * kLength - day0) / kSegment;
      std::vector<uint8_t> s = {static_cast<uint8_t>(0x50 + segment / 32), 0, 0,
                                static_cast<uint8_t>(sid >> 8), static_cast<uint8_t>(sid),
                                0xC1, static_cast<uint8_t>(segment % 32 * 8),
                                // the table's last section: its last segment's first
                                static_cast<uint8_t>((segment / 32 == lastSegment / 32 ? lastSegment % 32 : 31) * 8),
                                0x00, 0x01, 0x00, 0x01,
                                static_cast<uint8_t>(segment % 32 * 8),
                                static_cast<uint8_t>(0x50 + lastSegment / 32)};
      for (; i < count && (first + i * kLength - day0) / kSegment == segment; ++i) {
        const int64_t t = first + i * kLength;
        const std::string name = std::string(prefix) + " " + std::to_string(i + 1);
        const auto d = ShortEventDescriptor("eng", name, "An evening of the schedule.");
        const int64_t mjd = t / kDay + kMjdOf1970;
        const uint8_t head[12] = {static_cast<uint8_t>((firstEventId + i) >> 8), static_cast<uint8_t>(firstEventId + i),
                                  static_cast<uint8_t>(mjd >> 8), static_cast<uint8_t>(mjd),
                                  ToBcd(static_cast<int>(t % kDay / 3600)),
                                  ToBcd(static_cast<int>(t % kDay / 60 % 60)), 0x00, 0x00, 0x30, 0x00,
                                  static_cast<uint8_t>(d.size() >> 8), static_cast<uint8_t>(d.size())};
        s.insert(s.end(), head, head + 12);
        s.insert(s.end(), d.begin(), d.end());
      }
      s.insert(s.end(), 4, 0);
      const size_t length = s.size() - 3;
      s[1] = static_cast<uint8_t>(0xF0 | (length >> 8));
      s[2] = static_cast<uint8_t>(length);
      PutCrc(s);
      AppendSectionPackets(s, kEitPid, continuity, out);
    }
  }
  return out;
}

}  // namespace eitgen
