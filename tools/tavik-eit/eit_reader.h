// The EIT reader's model of the banner: for every service found in the
// input, the present and following lines the plug-in would build after a
// channel change to that service at the start of the input, built by the
// plug-in's own unit picking and line building.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "guide/guide_codes.h"
#include "guide/line_builder.h"
#include "tools/dvbread/dvb_text.h"

namespace tavik_eit {

constexpr int kMaxUnitsPerDelivery = 10;

// One line of one service as the banner would show it.
struct ServiceLine {
  bool built = false;     // a section of this kind was decoded
  bool complete = false;  // its first descriptor was recognised: the bit is set
  uint8_t firstTag = 0;   // tag of the first descriptor the plug-in read
  uint16_t eventId = 0;   // the event the line was built from
  std::string line;       // the line's bytes as the plug-in shows them
  std::string unicodeLine;  // its Unicode form (UTF-8), with epgchars 1
  std::string startTime;  // hh:mm as broadcast (no time shift)
  dvbread::DvbText name;  // the short event's name, converted
  dvbread::DvbText text;  // the short event's text, converted
  bool hasShortEvent = false;
};

struct ServiceReport {
  uint16_t serviceId = 0;
  int sections = 0;       // present/following units of this service seen
  int passedOver = 0;     // units whose strings ran past their delivery
  int continuations = 0;  // units in which no section starts (stream input only)
  ServiceLine now, next;
  // The plug-in's buffers for this service while it is tuned.
  char lineBuf[guide::kTextBuffer];
  char nameBuf[guide::kTextBuffer];
  char nowText[guide::kTextBuffer];
  char nextText[guide::kTextBuffer];
  char timeText[guide::kTimeBuffer];
  char unicodeBuf[guide::kTextBuffer];
  char unicodeNowText[guide::kTextBuffer];
  ServiceReport();
};

class EitReader {
 public:
  // With unicode, each line is also built in Unicode as with epgchars 1.
  explicit EitReader(const guide::LineSettings& settings, bool unicode = false)
      : settings_(settings), unicode_(unicode) {}
  bool Unicode() const { return unicode_; }

  // One delivery as the host hands it to the plug-in's data routine: 184 to
  // 2000 bytes, whole 184-byte units read, a remainder ignored. Returns false
  // for a delivery the plug-in would ignore for its size.
  // starts, when given, tells for each unit whether a section starts in it
  // (known from a transport stream, not from a dump).
  bool Deliver(const uint8_t* delivery, size_t length, const bool* starts = nullptr);

  const std::map<uint16_t, ServiceReport>& Services() const { return services_; }
  long Deliveries() const { return deliveries_; }
  long Units() const { return units_; }

 private:
  void DecodeUnit(const uint8_t* delivery, size_t length, size_t offset, bool continuation);

  guide::LineSettings settings_;
  bool unicode_;
  std::map<uint16_t, ServiceReport> services_;
  long deliveries_ = 0;
  long units_ = 0;
};

// The unit's first event's short_event_descriptor found by walking the
// event's descriptor loop (not only the first descriptor, as the plug-in
// does): the name and the text as broadcast. False when there is none inside
// the delivery.
bool FindShortEvent(const uint8_t* delivery, size_t length, size_t offset, std::string* name,
                    std::string* text);

// A report of every service, in service id order, for the terminal.
std::string FormatReport(const EitReader& reader, bool onlyService, uint16_t serviceId);

}  // namespace tavik_eit
