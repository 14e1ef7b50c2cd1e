// Reading an EIT section, its events and their descriptors: every length is
// checked against the bytes it was given before anything is read.
#include "guide/eit_decoder.h"

namespace guide {
namespace {

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// count bytes from the front of *rest as *taken; false (and *rest kept)
// when there are fewer.
bool Take(ByteView* rest, size_t count, ByteView* taken) {
  if (count > rest->size) return false;
  *taken = ByteView{rest->data, count};
  rest->data += count;
  rest->size -= count;
  return true;
}

}  // namespace

bool ReadEitSection(const uint8_t* section, size_t size, EitHeader* header, ByteView* events) {
  if (section == nullptr || size < kEitHeaderBytes + kEitCrcBytes) return false;
  EitHeader& h = *header;
  h.tableId = section[0];
  h.sectionLength = static_cast<uint16_t>((section[1] & 0x0F) << 8 | section[2]);
  h.serviceId = Be16(section + 3);
  h.version = (section[5] >> 1) & 0x1F;
  h.current = (section[5] & 1) != 0;
  h.sectionNumber = section[6];
  h.lastSectionNumber = section[7];
  h.transportStreamId = Be16(section + 8);
  h.originalNetworkId = Be16(section + 10);
  h.segmentLastSectionNumber = section[12];
  h.lastTableId = section[13];
  size_t end = 3u + h.sectionLength;
  if (end > size) end = size;
  if (end < kEitHeaderBytes + kEitCrcBytes) end = kEitHeaderBytes + kEitCrcBytes;
  *events = ByteView{section + kEitHeaderBytes, end - kEitCrcBytes - kEitHeaderBytes};
  return true;
}

bool ReadEitEvent(ByteView bytes, EitEvent* out) {
  if (bytes.data == nullptr || bytes.size < kEitEventFixedBytes) return false;
  const uint8_t* p = bytes.data;
  out->eventId = Be16(p);
  out->startMjd = Be16(p + 2);
  out->startHour = p[4];
  out->startMinute = p[5];
  out->startSecond = p[6];
  out->durationBcd = static_cast<uint32_t>(p[7]) << 16 | p[8] << 8 | p[9];
  out->running = p[10] >> 5;
  out->scrambled = (p[10] & 0x10) != 0;
  const size_t loop = static_cast<size_t>(p[10] & 0x0F) << 8 | p[11];
  const size_t room = bytes.size - kEitEventFixedBytes;
  out->whole = loop <= room;
  out->descriptors = ByteView{p + kEitEventFixedBytes, out->whole ? loop : room};
  return true;
}

bool EitEventCursor::Next(EitEvent* out) {
  if (!ReadEitEvent(rest_, out) || !out->whole) {
    rest_ = ByteView{};
    return false;
  }
  const size_t used = kEitEventFixedBytes + out->descriptors.size;
  rest_.data += used;
  rest_.size -= used;
  return true;
}

bool DescriptorCursor::Next(Descriptor* out) {
  ByteView head;
  if (!Take(&rest_, 2, &head)) return false;
  out->tag = head.data[0];
  if (!Take(&rest_, head.data[1], &out->body)) {
    rest_ = ByteView{};
    return false;
  }
  return true;
}

bool ReadShortEvent(const Descriptor& d, ShortEventView* out) {
  ByteView rest = d.body, length;
  if (d.tag != kDescShortEvent || !Take(&rest, 3, &out->language)) return false;
  if (!Take(&rest, 1, &length) || !Take(&rest, length.data[0], &out->name)) return false;
  return Take(&rest, 1, &length) && Take(&rest, length.data[0], &out->text);
}

bool FindShortEvent(ByteView loop, ShortEventView* out) {
  DescriptorCursor cursor(loop);
  Descriptor d;
  while (cursor.Next(&d))
    if (d.tag == kDescShortEvent && ReadShortEvent(d, out)) return true;
  return false;
}

bool ReadExtendedEvent(const Descriptor& d, ExtendedEventView* out) {
  ByteView rest = d.body, head, length;
  if (d.tag != kDescExtendedEvent || !Take(&rest, 1, &head)) return false;
  out->number = head.data[0] >> 4;
  out->lastNumber = head.data[0] & 0x0F;
  if (!Take(&rest, 3, &out->language)) return false;
  if (!Take(&rest, 1, &length) || !Take(&rest, length.data[0], &out->items)) return false;
  return Take(&rest, 1, &length) && Take(&rest, length.data[0], &out->text);
}

bool ItemCursor::Next(ByteView* description, ByteView* item) {
  ByteView rest = rest_, length;
  if (!Take(&rest, 1, &length) || !Take(&rest, length.data[0], description) ||
      !Take(&rest, 1, &length) || !Take(&rest, length.data[0], item)) {
    rest_ = ByteView{};
    return false;
  }
  rest_ = rest;
  return true;
}

bool ReadContent(const Descriptor& d, ContentView* out) {
  if (d.tag != kDescContent) return false;
  out->entries = ByteView{d.body.data, d.body.size & ~size_t(1)};
  return true;
}

bool ReadParentalRating(const Descriptor& d, ParentalRatingView* out) {
  if (d.tag != kDescParentalRating) return false;
  out->entries = ByteView{d.body.data, d.body.size - d.body.size % 4};
  return true;
}

bool ReadComponent(const Descriptor& d, ComponentView* out) {
  ByteView rest = d.body, fixed;
  if (d.tag != kDescComponent || !Take(&rest, 3, &fixed) || !Take(&rest, 3, &out->language))
    return false;
  out->streamContentExt = fixed.data[0] >> 4;
  out->streamContent = fixed.data[0] & 0x0F;
  out->componentType = fixed.data[1];
  out->componentTag = fixed.data[2];
  out->text = rest;
  return true;
}

}  // namespace guide
