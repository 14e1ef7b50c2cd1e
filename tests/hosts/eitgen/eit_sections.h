// Builds EIT present/following sections and wraps them into 188-byte transport
// packets of PID 0x0012, the way a broadcaster's multiplexer sends them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "guide/crc32.h"

namespace eitgen {

constexpr uint8_t kTableIdPfActual = 0x4E;
constexpr uint16_t kEitPid = 0x0012;
constexpr size_t kPacketSize = 188;
constexpr size_t kPayloadSize = 184;
constexpr size_t kMaxSectionLength = 4093;  // section_length is 12 bits, at most 0xFFD

// One event of a present/following section. Texts are raw 8-bit bytes as
// broadcast (a leading character-table byte such as "\x05" may be included).
struct Event {
  uint16_t eventId = 1;
  int startHour = 20;    // 0..23, written as BCD
  int startMinute = 0;   // 0..59, written as BCD
  int startSecond = 0;   // 0..59, written as BCD
  int durationMinutes = 30;
  uint16_t mjd = 0;      // start date (Modified Julian Date); 0: a fixed date
  std::string language = "eng";
  std::string name;
  std::string text;
  // Raw descriptors (tag, length, body) placed before the short event
  // descriptor, to model broadcasters whose first descriptor is another one.
  std::vector<std::vector<uint8_t>> leadingDescriptors;
  bool withShortEvent = true;
};

struct PfSection {
  uint16_t serviceId = 1;
  uint16_t transportStreamId = 1;
  uint16_t originalNetworkId = 1;
  uint8_t sectionNumber = 0;  // 0 present, 1 following
  uint8_t version = 0;
  bool hasEvent = true;       // a section without event is legal (nothing on air)
  Event event;
};

// The sections' CRC_32, the plug-in's own: over a whole section including its
// CRC it gives 0.
using guide::Crc32Mpeg;

// Appends the CRC_32 of the bytes so far.
void AppendCrc(std::vector<uint8_t>& section);

// Ends a section whose byte 1 holds the length field's top four bits: writes
// section_length (lengthField, or the real one when negative) and appends the
// CRC_32.
void SealSection(std::vector<uint8_t>& section, int lengthField = -1);

// Appends the 12 bytes that open an event: event_id, the start (MJD, then
// hh mm ss as three BCD bytes), the duration (BCD hhmmss), the running status
// and the length of the descriptors that follow.
void AppendEventHeader(std::vector<uint8_t>& out, uint16_t eventId, uint16_t mjd,
                       const uint8_t startBcd[3], uint32_t durationBcd, unsigned running,
                       size_t descriptorsLength);

// A short_event_descriptor (tag 0x4D). Its body length is one byte, so the name
// is cut to 250 bytes and the text to what is left of them.
std::vector<uint8_t> ShortEventDescriptor(const std::string& language, const std::string& name,
                                          const std::string& text);

// The complete section, from table_id to the CRC. Returns an empty vector when
// the event's descriptors do not fit in one section.
std::vector<uint8_t> BuildPfSection(const PfSection& section);

// Appends the transport packets carrying one section to out: the first packet
// has payload_unit_start set, pointer_field 0 and the section from payload
// byte 1; a longer section continues in the next packets; the last is padded
// with 0xFF. continuity is the 4-bit counter, advanced per packet.
void AppendSectionPackets(const std::vector<uint8_t>& section, uint16_t pid, uint8_t& continuity,
                          std::vector<uint8_t>& out);

// A service of the built-in demonstration stream.
struct DemoService {
  const char* channelName;
  uint16_t serviceId;
  uint32_t frequency;
  int polarity;
  int caSystem;
  Event present;
  Event following;
};

// The services of the built-in stream (stable across runs).
std::vector<DemoService> DemoServices();

// The built-in stream: every service's present and following section, repeated
// `rounds` times (the version stays the same), as 188-byte packets.
std::vector<uint8_t> BuildDemoStream(int rounds);

// The demo services with each present section sent damaged three times (the
// first letter of its name made an X, so its CRC_32 fails) before the good
// copy and the following section: a host playing it in a loop hands the
// plug-in damaged copies first, whose line must never show.
std::vector<uint8_t> BuildDamagedFirstStream();

// A service whose events carry the longest texts a short event descriptor
// holds (a 120-byte name with a 130-byte text without blanks; a 250-byte name
// without blanks), for banner layouts.
std::vector<DemoService> LongTextServices();

// The sections of the given services, repeated `rounds` times, as packets.
std::vector<uint8_t> BuildServiceStream(const std::vector<DemoService>& services, int rounds);

// Services of broadcasters around the world, their names and texts in the
// character table each announces (the default table for Czech, ISO 8859-7
// Greek, ISO 8859-5 Cyrillic, two-byte Big5-subset Chinese, GB 2312, KS X
// 1001), on a winter and a summer date (MJD 61055, 2026-01-15, and 61236,
// 2026-07-15, 08:30 UTC), and one whose programme changes: in phase 0 its
// present event is "Morning Show", in phase 1 "Noon News", in phase 2
// "Afternoon Film" (each with the following one after it).
std::vector<DemoService> WorldServices(int phase);

// The world stream as the host plays it: phase 0 for `rounds`, phase 1 for
// three times as long, then phase 2, the part the host loops (its first unit
// is *loopFrom, counted in packets).
std::vector<uint8_t> BuildWorldStream(int rounds, size_t* loopFrom);

// Channel list lines for the world services.
std::string WorldChannelList();

// One reference line per distinct section of the demo stream: service_id,
// section_number, start hh:mm, first descriptor tag, name, text (tab-separated;
// bytes outside 0x20..0x7E and the backslash written as \xHH).
std::string DemoReferenceTsv();

// Channel list lines for the demo services: name;frequency;polarity;serviceid;ca
std::string DemoChannelList();

}  // namespace eitgen
