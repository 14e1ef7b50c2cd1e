// The EIT reader's model of the banner: for every service found in the
// input, the present and following lines the plug-in would build after a
// channel change to that service at the start of the input, built by the
// plug-in's own unit picking and line building.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "guide/guide_codes.h"
#include "guide/line_builder.h"
#include "guide/section_assembler.h"
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
  std::string startTime;  // hh:mm as broadcast (no time shift), --:-- undefined
  bool startDefined = false;  // a valid date and time (not all bits set)
  std::string shownTime;      // the start as the banner's line shows it
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

// What the input holds, section by section: every unit also goes through the
// plug-in's section assembler (as with the schedule on), so a section that
// starts inside a unit, which the banner's unit reader passes over, is
// counted too.
struct SectionCensus {
  long presentFollowing = 0;  // distinct whole 0x4E sections whose CRC held
  long insideUnit = 0;        // of them, never seen starting at byte 1 of a unit
  long schedule = 0;          // whole schedule sections (0x50 to 0x5F)
  long otherStream = 0;       // the other stream's tables (0x4F, 0x60 to 0x6F)
  long refused = 0;           // sections that came damaged
  std::set<uint16_t> services;  // with a whole present/following section
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
  // A service of the input rather than bytes inside other sections that
  // look like a header: some unit of it starts a section, and a whole
  // present/following section of it has a CRC that holds.
  bool RealService(const ServiceReport& s) const;
  SectionCensus Census() const;
  long Deliveries() const { return deliveries_; }
  long Units() const { return units_; }

 private:
  void DecodeUnit(const uint8_t* delivery, size_t length, size_t offset, bool continuation);
  static void TakeSection(void* context, const uint8_t* section, size_t size);

  // A present/following section: service, section number, version, event.
  using SectionKey = std::tuple<uint16_t, uint8_t, uint8_t, uint16_t>;

  guide::LineSettings settings_;
  bool unicode_;
  std::map<uint16_t, ServiceReport> services_;
  guide::SectionAssembler assembler_;
  SectionCensus census_;
  std::set<SectionKey> wholeSections_, unitStarts_;
  long deliveries_ = 0;
  long units_ = 0;
};

// A report of every real service (with all, of every id that looked like
// one too), in service id order, and of what the input holds, for the
// terminal.
std::string FormatReport(const EitReader& reader, bool onlyService, uint16_t serviceId,
                         bool all = false);

}  // namespace tavik_eit
