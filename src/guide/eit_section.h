// The fixed fields of a delivered unit that starts a present/following
// section, and where its first event's name and text lie: pure functions over
// the delivery, shared by the plug-in's decoder and the EIT reader tool.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/delivery_reader.h"

namespace guide {

// The fields of a unit the decoder looks at (unit bytes 1 to 33). The short
// names are the system's documented names for these fields and stay so.
struct UnitHeader {
  uint8_t tabid;      // table_id (0x4E: present/following of the actual stream)
  uint16_t tleng;     // section_length
  uint16_t eitsid;    // service_id
  uint16_t nownxt;    // section_number bit 0: 0 present, 1 following
  uint16_t eventId;
  uint16_t mjd;       // start date, Modified Julian Date (UTC)
  uint8_t orax;       // start hour, BCD
  uint8_t min;        // start minute, BCD
  uint8_t sec;        // start second, BCD
  uint32_t duration;  // BCD hhmmss
  uint8_t evdesc;     // tag of the first event's first descriptor
  int32_t nameSkip;   // 3 when the name starts in the three-byte character table
};

// Where the name and the text of one event lie in the delivery (null and 0
// when there is none), and whether its descriptor tag was recognised.
struct EventStrings {
  const uint8_t* name = nullptr;
  size_t nameLength = 0;
  const uint8_t* text = nullptr;
  size_t textLength = 0;
  int32_t nameSkip = 0;
  bool recognised = false;
  // The name and text as broadcast, their character-table bytes included:
  // what the Unicode form of a line is converted from.
  const uint8_t* broadcastName = nullptr;
  size_t broadcastNameLength = 0;
  const uint8_t* broadcastText = nullptr;
  size_t broadcastTextLength = 0;
};

// A present/following section's first event, picked from one unit.
struct PickedEvent {
  UnitHeader header;
  EventStrings strings;
};

// The number of 184-byte units read from a delivery of length bytes: 0 for a
// delivery that is ignored for its size (below 184 or above 2000 bytes); a
// trailing remainder shorter than a unit is not read.
int DeliveryUnits(int length);

UnitHeader ReadUnitHeader(const UnitReader& unit);

// True for a present/following section (table 0x4E) long enough to hold an event.
bool IsPresentFollowing(const UnitHeader& h);

// Finds the event's name and text for the unit's first descriptor; when that
// is none of the three the decoder reads, for a short event later in the
// event's descriptor loop, read as if it came first. False
// when a length byte points past the end of the delivery: such a unit is
// passed over whole, since a later delivery that holds the whole section can
// give the complete line instead of a cut one.
bool LocateEvent(const UnitReader& unit, const UnitHeader& h, EventStrings* out);

// True when the section that starts at unit byte 1 lies whole inside the
// delivery and its CRC_32 does not hold: it is passed over as if it had not
// come (a section that runs past the delivery cannot be judged, and is read).
bool WholeSectionFailsCrc(const UnitReader& unit, const UnitHeader& h);

// The unit's present/following event when the unit starts such a section of
// serviceId, the section is not refused by its CRC and its strings lie inside
// the delivery; false otherwise.
bool PickEvent(const UnitReader& unit, uint16_t serviceId, PickedEvent* out);

// The first event of a whole present/following section (table_id to CRC,
// its CRC already judged) of serviceId, for the lines built with the
// schedule on. Its strings are those of the event's first well-formed short
// event, wherever it stands in the loop, with the same three-byte skip as a
// unit's; an event without one gives an empty line that stays incomplete.
// False for another table or service, or a section without an event.
bool PickSectionEvent(const uint8_t* section, size_t size, uint16_t serviceId,
                      PickedEvent* out);

}  // namespace guide
