// Hand-made EIT sections for the guide's tests, laid out in 184-byte units
// as a host delivers them (pointer_field 0 at byte 0); their bytes are written
// by the section generator's builder (tests/hosts/eitgen/eit_sections.h).
#pragma once

#include "tests/hosts/eitgen/eit_sections.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sections {

constexpr size_t kUnit = 184;

using Bytes = std::vector<uint8_t>;

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

inline Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// short_event_descriptor: tag, length, language "eng", name, text.
inline Bytes ShortEvent(const Bytes& name, const Bytes& text) {
  return eitgen::ShortEventDescriptor("eng", std::string(name.begin(), name.end()),
                                      std::string(text.begin(), text.end()));
}

// A PDC descriptor (5 bytes in all) followed by a short_event_descriptor.
inline Bytes PdcThenShortEvent(const Bytes& name, const Bytes& text) {
  Bytes d = {0x69, 0x03, 0x01, 0x02, 0x03};
  return Cat(d, ShortEvent(name, text));
}

// A descriptor of any tag with the given body.
inline Bytes Descriptor(uint8_t tag, const Bytes& body) {
  Bytes d = {tag, static_cast<uint8_t>(body.size())};
  return Cat(d, body);
}

struct Section {
  uint16_t serviceId = 0x1234;
  uint8_t sectionNumber = 0;  // bit 0: 0 present, 1 following
  uint8_t hour = 0x20;        // BCD
  uint8_t minute = 0x15;      // BCD
  uint8_t tableId = 0x4E;
  int sectionLength = -1;     // -1: the real length
  uint16_t eventId = 0x1234;
  uint16_t mjd = 0xE82C;      // start date (2021-08-10)
  Bytes descriptors;          // the first event's descriptor loop
};

// The section's bytes from table_id through a (zero) CRC.
inline Bytes SectionBytes(const Section& s) {
  Bytes b = {s.tableId, 0xB0, 0,
             static_cast<uint8_t>(s.serviceId >> 8), static_cast<uint8_t>(s.serviceId),
             0xC1, s.sectionNumber, 0x01,
             0x00, 0x01, 0x00, 0x02,  // transport_stream_id, original_network_id
             0x01, 0x4E};             // segment_last_section_number, last_table_id
  const uint8_t start[3] = {s.hour, s.minute, 0x00};
  eitgen::AppendEventHeader(b, s.eventId, s.mjd, start, 0x013000, 4, s.descriptors.size());
  b = Cat(b, s.descriptors);
  // The CRC_32 over what comes before it (a section whose length was set
  // otherwise keeps it where the real length puts it, so its CRC fails).
  eitgen::SealSection(b, s.sectionLength);
  return b;
}

// The section in units: pointer_field 0, the section, 0xFF stuffing up to
// a whole number of units (at least minUnits).
inline Bytes Units(const Section& s, size_t minUnits = 1) {
  Bytes b = Cat(Bytes{0}, SectionBytes(s));
  size_t units = (b.size() + kUnit - 1) / kUnit;
  if (units < minUnits) units = minUnits;
  b.resize(units * kUnit, 0xFF);
  return b;
}

// One event of a section of any table: its fixed fields and descriptors.
struct Event {
  uint16_t eventId = 1;
  uint16_t mjd = 0xE82C;          // 2021-08-10
  uint8_t hour = 0x20, minute = 0x15, second = 0x00;  // BCD
  uint32_t duration = 0x013000;  // BCD hhmmss
  uint8_t running = 4;
  Bytes descriptors;
};

inline Bytes WithCrc(Bytes b) {
  eitgen::AppendCrc(b);
  return b;
}

// A whole section of table tableId (0x4E present/following, 0x50 to 0x5F
// schedule) with its events and a CRC that holds.
inline Bytes EitSection(uint8_t tableId, uint16_t serviceId, uint8_t version, uint8_t number,
                        const std::vector<Event>& events) {
  Bytes b = {tableId, 0xF0, 0, static_cast<uint8_t>(serviceId >> 8), static_cast<uint8_t>(serviceId),
             static_cast<uint8_t>(0xC1 | (version & 0x1F) << 1), number, 0xFF,
             0x00, 0x01, 0x00, 0x02, number, tableId};
  for (const Event& e : events) {
    const uint8_t start[3] = {e.hour, e.minute, e.second};
    eitgen::AppendEventHeader(b, e.eventId, e.mjd, start, e.duration, e.running,
                              e.descriptors.size());
    b = Cat(b, e.descriptors);
  }
  eitgen::SealSection(b);
  return b;
}

// Sections laid end to end in header-less units as a multiplexer packs them:
// a unit in which a section starts begins with a pointer field to it; the
// last unit is stuffed with 0xFF. spans, when given, gets each section's
// first and last unit.
inline Bytes Packed(const std::vector<Bytes>& list,
                    std::vector<std::pair<size_t, size_t>>* spans = nullptr) {
  Bytes stream;
  std::vector<size_t> starts;
  for (const Bytes& b : list) {
    starts.push_back(stream.size());
    stream = Cat(stream, b);
  }
  Bytes out;
  size_t pos = 0, next = 0;
  while (pos < stream.size()) {
    while (next < starts.size() && starts[next] < pos) ++next;
    const size_t gap = next < starts.size() ? starts[next] - pos : SIZE_MAX;
    size_t take = kUnit;
    if (gap <= kUnit - 2) {  // a section starts here: pointer field first
      out.push_back(static_cast<uint8_t>(gap));
      take = kUnit - 1;
    } else if (gap == kUnit - 1) {  // it would start on the last byte: stuff that
      take = kUnit - 1;
    }
    take = std::min(take, stream.size() - pos);
    if (spans != nullptr) {
      const size_t unit = out.size() / kUnit;
      for (size_t k = 0; k < list.size(); ++k) {
        if (spans->size() <= k) spans->emplace_back(SIZE_MAX, 0);
        if (starts[k] < pos + take && starts[k] + list[k].size() > pos) {
          (*spans)[k].first = std::min((*spans)[k].first, unit);
          (*spans)[k].second = unit;
        }
      }
    }
    out.insert(out.end(), stream.begin() + pos, stream.begin() + pos + take);
    pos += take;
    out.resize((out.size() + kUnit - 1) / kUnit * kUnit, 0xFF);
  }
  return out;
}

}  // namespace sections
