// Reading one delivered unit: the section header fields and the first event's
// name and text by the tag of its first descriptor. No state, no runtime.
#include "guide/eit_section.h"

#include "guide/guide_codes.h"

namespace guide {
namespace {

// short_event_descriptor: language (3 bytes), name length N at 32, the name
// from 33, the text length at 33 + N and the text from 34 + N. A name in the
// three-byte character table loses the table bytes, and the text as many.
bool LocateShortEvent(const UnitReader& unit, int32_t skip, EventStrings* out) {
  uint8_t n, t;
  if (!unit.Byte(kPosShortNameLength, &n)) return false;
  if (!unit.Byte(kPosShortName + n, &t)) return false;
  if (n >= skip) {
    out->nameLength = n - skip;
    out->name = unit.Span(kPosShortName + skip, out->nameLength);
    if (out->name == nullptr) return false;
  }
  if (t >= skip) {
    out->textLength = t - skip;
    out->text = unit.Span(kPosShortName + 1 + n + skip, out->textLength);
    if (out->text == nullptr) return false;
  }
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
    return out->name != nullptr;
  }
  if (!unit.Byte(kPosExtItemsLength, &items)) return false;
  if (!unit.Byte(kPosExtFixedName - 1 + items, &length)) return false;
  out->nameLength = length;
  out->name = unit.Span(kPosExtFixedName + items, length);
  return out->name != nullptr;
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
  h.orax = unit.At(kPosStartHour);
  h.min = unit.At(kPosStartMinute);
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
      return LocateShortEvent(unit, h.nameSkip, out);
    case kTagExtendedEvent:
      out->recognised = true;
      return LocateExtendedEvent(unit, out);
    case kTagPdc:
      out->recognised = true;
      return LocatePdcThenShortEvent(unit, out);
    default:
      return true;  // the line is built with an empty name, its bit stays clear
  }
}

bool PickEvent(const UnitReader& unit, uint16_t serviceId, PickedEvent* out) {
  out->header = ReadUnitHeader(unit);
  if (!IsPresentFollowing(out->header) || out->header.eitsid != serviceId) return false;
  out->strings = EventStrings{};
  return LocateEvent(unit, out->header, &out->strings);
}

}  // namespace guide
