// Reading one delivered unit: the section header fields and the first event's
// name and text by the tag of its first descriptor. No state, no runtime.
#include "guide/eit_section.h"

#include "guide/crc32.h"
#include "guide/eit_decoder.h"
#include "guide/guide_codes.h"

namespace guide {
namespace {

// The strings of a short event whose name and text lie at name and text,
// either null when it runs past what was delivered. A name in the
// three-byte character table loses the table bytes, and the text as many;
// the name and text as broadcast, table bytes included, are kept beside
// them. False when a part that is shown is missing.
bool TakeShortEventStrings(const uint8_t* name, size_t nameLength, const uint8_t* text,
                           size_t textLength, int32_t skip, EventStrings* out) {
  const size_t tableBytes = static_cast<size_t>(skip);
  if (nameLength >= tableBytes) {
    if (name == nullptr) return false;
    out->name = name + tableBytes;
    out->nameLength = nameLength - tableBytes;
  }
  if (textLength >= tableBytes) {
    if (text == nullptr) return false;
    out->text = text + tableBytes;
    out->textLength = textLength - tableBytes;
  }
  out->broadcastName = name;
  out->broadcastNameLength = name != nullptr ? nameLength : 0;
  out->broadcastText = text;
  out->broadcastTextLength = text != nullptr ? textLength : 0;
  return true;
}

// short_event_descriptor at unit position at (its tag): language (3 bytes),
// name length N at at + 5, the name from at + 6, the text length at at + 6 + N
// and the text from at + 7 + N; as the first descriptor, at is 27. The
// lengths are taken as they stand, whatever the descriptor's own length.
bool LocateShortEvent(const UnitReader& unit, size_t at, int32_t skip, EventStrings* out) {
  const size_t nameLengthPos = at + (kPosShortNameLength - kPosFirstTag);
  const size_t namePos = at + (kPosShortName - kPosFirstTag);
  uint8_t nameLength, textLength;
  if (!unit.Byte(nameLengthPos, &nameLength)) return false;
  if (!unit.Byte(namePos + nameLength, &textLength)) return false;
  return TakeShortEventStrings(unit.Span(namePos, nameLength), nameLength,
                               unit.Span(namePos + 1 + nameLength, textLength), textLength, skip,
                               out);
}

// Broadcasters who put another descriptor first (a component descriptor,
// say) still send a short event later in the same loop: the first one inside
// the section is read as if it came first. Returns its position, 0 when the
// loop has none, and sets *cut when the loop runs past the delivery before
// one is found (a later delivery may hold the whole section).
size_t FindLaterShortEvent(const UnitReader& unit, const UnitHeader& h, bool* cut) {
  *cut = false;
  uint8_t hi, lo, tag, length;
  if (!unit.Byte(kPosLoopLength, &hi) || !unit.Byte(kPosLoopLength + 1, &lo)) {
    *cut = true;
    return 0;
  }
  size_t end = kPosFirstTag + ((hi & 0x0F) << 8 | lo);
  if (end > h.tleng) end = h.tleng;  // the section's CRC ends at 4 + tleng
  for (size_t at = kPosFirstTag; at + 2 <= end; at += 2u + length) {
    if (!unit.Byte(at, &tag) || !unit.Byte(at + 1, &length)) {
      *cut = true;
      return 0;
    }
    if (tag == kTagShortEvent && at != kPosFirstTag) return at + 2u + length <= end ? at : 0;
  }
  return 0;
}

// The extended event's name is converted from the very bytes the line shows.
bool KeepAsBroadcast(EventStrings* out) {
  if (out->name == nullptr) return false;
  out->broadcastName = out->name;
  out->broadcastNameLength = out->nameLength;
  return true;
}

// extended_event_descriptor: the name is taken from the item area. A long
// descriptor gives a fixed 48 bytes; otherwise the byte that follows the
// items, counted from 40, gives the length of what follows it. There is no
// text.
bool LocateExtendedEvent(const UnitReader& unit, EventStrings* out) {
  uint8_t descriptorLength, items, length;
  if (!unit.Byte(kPosFirstLength, &descriptorLength)) return false;
  if (descriptorLength >= kExtLongDescriptor) {
    out->nameLength = kExtFixedNameLength;
    out->name = unit.Span(kPosExtFixedName, out->nameLength);
    return KeepAsBroadcast(out);
  }
  if (!unit.Byte(kPosExtItemsLength, &items)) return false;
  if (!unit.Byte(kPosExtFixedName - 1 + items, &length)) return false;
  out->nameLength = length;
  out->name = unit.Span(kPosExtFixedName + items, length);
  return KeepAsBroadcast(out);
}

// A 5-byte PDC descriptor, then a short_event_descriptor at 32: its name
// length at 37, the name (without its first byte) from 39, the text length
// at 38 + N and the text from 39 + N.
bool LocatePdcThenShortEvent(const UnitReader& unit, EventStrings* out) {
  uint8_t n, t;
  if (!unit.Byte(kPosPdcNameLength, &n)) return false;
  if (n > 0) {
    out->nameLength = n - 1u;
    out->name = unit.Span(kPosPdcName, out->nameLength);
    if (out->name == nullptr) return false;
  }
  if (!unit.Byte(kPosPdcNameLength + 1 + n, &t)) return false;
  out->textLength = t;
  out->text = unit.Span(kPosPdcName + n, t);
  out->broadcastName = unit.Span(kPosPdcName - 1, n);  // with its table byte
  out->broadcastNameLength = out->broadcastName != nullptr ? n : 0;
  out->broadcastText = out->text;
  out->broadcastTextLength = t;
  return out->text != nullptr;
}

}  // namespace

int DeliveryUnits(int length) {
  if (length < kMinDelivery || length > kMaxDelivery) return 0;
  return length / kUnitSize;
}

UnitHeader ReadUnitHeader(const UnitReader& unit) {
  UnitHeader h;
  h.tabid = unit.At(kPosTableId);
  h.tleng = static_cast<uint16_t>((unit.At(kPosSectionLength) & 0x0F) << 8 |
                                  unit.At(kPosSectionLength + 1));
  h.eitsid = static_cast<uint16_t>(unit.At(kPosServiceId) << 8 | unit.At(kPosServiceId + 1));
  h.nownxt = unit.At(kPosSectionNumber) & 1;
  h.eventId = static_cast<uint16_t>(unit.At(kPosEventId) << 8 | unit.At(kPosEventId + 1));
  h.mjd = static_cast<uint16_t>(unit.At(kPosStartDate) << 8 | unit.At(kPosStartDate + 1));
  h.orax = unit.At(kPosStartHour);
  h.min = unit.At(kPosStartMinute);
  h.sec = unit.At(kPosStartSecond);
  h.duration = static_cast<uint32_t>(unit.At(kPosDuration)) << 16 |
               unit.At(kPosDuration + 1) << 8 | unit.At(kPosDuration + 2);
  h.evdesc = unit.At(kPosFirstTag);
  h.nameSkip = unit.At(kPosShortName) == kThreeByteTable ? kThreeByteSkip : 0;
  return h;
}

bool IsPresentFollowing(const UnitHeader& h) {
  return h.tabid == kTablePresentFollowing && h.tleng >= kMinSectionLength;
}

bool LocateEvent(const UnitReader& unit, const UnitHeader& h, EventStrings* out) {
  out->nameSkip = h.nameSkip;
  switch (h.evdesc) {
    case kTagShortEvent:
      out->recognised = true;
      return LocateShortEvent(unit, kPosFirstTag, h.nameSkip, out);
    case kTagExtendedEvent:
      out->recognised = true;
      return LocateExtendedEvent(unit, out);
    case kTagPdc:
      out->recognised = true;
      return LocatePdcThenShortEvent(unit, out);
    default: {
      bool cut = false;
      const size_t at = FindLaterShortEvent(unit, h, &cut);
      if (cut) return false;
      if (at == 0) return true;  // the line is built with an empty name, its bit stays clear
      uint8_t first = 0;
      unit.Byte(at + (kPosShortName - kPosFirstTag), &first);
      out->nameSkip = first == kThreeByteTable ? kThreeByteSkip : 0;
      out->recognised = true;
      return LocateShortEvent(unit, at, out->nameSkip, out);
    }
  }
}

bool WholeSectionFailsCrc(const UnitReader& unit, const UnitHeader& h) {
  const uint8_t* section = unit.Span(kPosTableId, kSectionHeaderBytes + h.tleng);
  return section != nullptr && !SectionCrcHolds(section, kSectionHeaderBytes + h.tleng);
}

bool PickEvent(const UnitReader& unit, uint16_t serviceId, PickedEvent* out) {
  out->header = ReadUnitHeader(unit);
  if (!IsPresentFollowing(out->header) || out->header.eitsid != serviceId) return false;
  if (WholeSectionFailsCrc(unit, out->header)) return false;
  out->strings = EventStrings{};
  return LocateEvent(unit, out->header, &out->strings);
}

bool PickSectionEvent(const uint8_t* section, size_t size, uint16_t serviceId,
                      PickedEvent* out) {
  EitHeader header;
  ByteView events;
  EitEvent event;
  if (!ReadEitSection(section, size, &header, &events) ||
      header.tableId != kTablePresentFollowing || header.sectionLength < kMinSectionLength ||
      header.serviceId != serviceId || !ReadEitEvent(events, &event))
    return false;
  UnitHeader& h = out->header;
  h.tabid = header.tableId;
  h.tleng = header.sectionLength;
  h.eitsid = header.serviceId;
  h.nownxt = header.sectionNumber & 1;
  h.eventId = event.eventId;
  h.mjd = event.startMjd;
  h.orax = event.startHour;
  h.min = event.startMinute;
  h.sec = event.startSecond;
  h.duration = event.durationBcd;
  h.evdesc = event.descriptors.empty() ? 0 : event.descriptors.data[0];
  out->strings = EventStrings{};
  ShortEventView shortEvent;
  if (!FindShortEvent(event.descriptors, &shortEvent)) {
    h.nameSkip = 0;
    return true;  // the line is built with an empty name, its bit stays clear
  }
  // The byte after the name length decides the three-byte skip, as in a
  // unit: the name's first byte, or the text's length when there is no name.
  const uint8_t first = !shortEvent.name.empty() ? shortEvent.name.data[0]
                                                 : static_cast<uint8_t>(shortEvent.text.size);
  h.nameSkip = first == kThreeByteTable ? kThreeByteSkip : 0;
  out->strings.nameSkip = h.nameSkip;
  out->strings.recognised = true;
  return TakeShortEventStrings(shortEvent.name.data, shortEvent.name.size, shortEvent.text.data,
                               shortEvent.text.size, h.nameSkip, &out->strings);
}

}  // namespace guide
