// OnDataArrival: picks the present/following sections of the tuned service
// out of each delivery and hands their first event to the line builder.
#include <cstring>

#include "banner/channel_record.h"
#include "guide/delivery_reader.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "platform/ui_runtime.h"
#include "settings/settings.h"

namespace guide {
namespace {

// The fixed fields of a unit that starts a section.
struct UnitHeader {
  uint8_t tabid;
  uint16_t tleng;
  uint16_t eitsid;
  uint16_t nownxt;
  uint8_t orax;
  uint8_t min;
  uint8_t evdesc;
  int32_t nameSkip;
};

UnitHeader ReadHeader(const UnitReader& unit) {
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

// Finds the event's name and text for the unit's first descriptor. False
// when a length byte points past the end of the delivery: such a unit is
// passed over whole (no line, no buffer touched), since a later delivery
// that holds the whole section can give the complete line instead of a cut
// one that would stay until the next channel change.
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

void AppendDebugDump(const uint8_t* buffer, int length) {
  int file = ui::OpenFile(kDebugDumpPath, 2, 1, 0);
  if (file < 0) return;
  ui::WriteLine(file, reinterpret_cast<const char*>(buffer), length);
  ui::CloseFile(file);
}

void DecodeUnit(const UnitReader& unit) {
  UnitHeader h = ReadHeader(unit);
  if (h.tabid != kTablePresentFollowing || h.tleng < kMinSectionLength) return;
  // A cheap refusal of other services before the lock; the test that counts
  // is made again under it.
  if (h.eitsid != CurrentServiceId()) return;
  EventStrings event;
  if (!LocateEvent(unit, h, &event)) return;

  int32_t bit = h.nownxt == 0 ? kBitNow : kBitNext;
  LockGuard guard(state.lock);
  // Under the lock the service id is the one a channel change saved before it
  // restarted the lines, so a unit of the previous service never gets in.
  int32_t s = eitState.load();
  if (s < kStateRunning || s > kStateComplete || (s & bit) != 0) return;
  uint32_t channel = 0;  // the channel change this service id came with
  if (h.eitsid != CurrentServiceId(&channel)) return;
  BuildLineLocked(h.nownxt == 0 ? LineKind::kNow : LineKind::kNext, event, h.orax, h.min);
  if (h.nownxt == 0) state.nowTextChannel = channel;
}

}  // namespace
}  // namespace guide

extern "C" void OnDataArrival(int filterId, int length, const uint8_t* buffer) {
  using namespace guide;
  // Nothing is decoded once the lines were shown, nor while no filter runs (a
  // delivery that races the stop command must not leave bits in a stopped
  // state, or the next channel change would never start the filter again).
  int32_t s = eitState.load();
  if (s < kStateRunning || s > kStateComplete) return;
  // A null buffer or a negative length is ignored like any other bad size.
  if (buffer == nullptr || length < kMinDelivery || length > kMaxDelivery) return;
  int pack = length / kUnitSize;  // a trailing remainder is ignored

  if (settings.titlemode.load() == kTitlemodeDump) AppendDebugDump(buffer, length);
  if (filterId != host::kEitFilterId) return;

  for (int w = 0; w < pack; ++w) {
    UnitReader unit(buffer, static_cast<size_t>(length), static_cast<size_t>(w) * kUnitSize);
    DecodeUnit(unit);
  }
}
