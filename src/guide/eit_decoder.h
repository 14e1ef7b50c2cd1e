// The one reader of an EIT section: its header, its event loop and the
// descriptors of each event, bounds-checked, as views over the section's
// own bytes (nothing is copied). Pure; used by the store, the lines of
// whole sections and the tools.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

// Bytes inside a section (or a delivery); empty when data is null.
struct ByteView {
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool empty() const { return size == 0; }
};

namespace eit_detail {
inline uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
// count bytes from the front of *rest as *taken; false (and *rest kept)
// when there are fewer.
inline bool Take(ByteView* rest, size_t count, ByteView* taken) {
  if (count > rest->size) return false;
  *taken = ByteView{rest->data, count};
  rest->data += count;
  rest->size -= count;
  return true;
}
}  // namespace eit_detail

// The fixed fields of an EIT section, table_id to last_table_id.
struct EitHeader {
  uint8_t tableId;
  uint16_t sectionLength;
  uint16_t serviceId;
  uint8_t version;
  bool current;  // current_next_indicator
  uint8_t sectionNumber, lastSectionNumber;
  uint16_t transportStreamId, originalNetworkId;
  uint8_t segmentLastSectionNumber, lastTableId;
};

constexpr size_t kEitHeaderBytes = 14;  // table_id to last_table_id
constexpr size_t kEitCrcBytes = 4;
constexpr size_t kEitEventFixedBytes = 12;  // event_id to descriptors_loop_length

// A whole section, table_id to CRC_32 (its CRC judged by the caller): the
// header, and the event loop between it and the CRC. False when size is
// below a header and a CRC; a section_length that claims more than size is
// read only as far as size.
inline bool ReadEitSection(const uint8_t* section, size_t size, EitHeader* header,
                           ByteView* events);

// One event. start* and duration are as broadcast (MJD and BCD): see
// broadcast_time.h for them as seconds.
struct EitEvent {
  uint16_t eventId;
  uint16_t startMjd;
  uint8_t startHour, startMinute, startSecond;  // BCD
  uint32_t durationBcd;                         // hhmmss
  uint8_t running;                              // running_status
  bool scrambled;                               // free_CA_mode
  ByteView descriptors;  // the loop, cut where the given bytes end
  bool whole;            // the whole loop lay inside the given bytes
};

// The event whose event_id is at bytes.data: false when its 12 fixed bytes
// are not all there. A loop that runs past the bytes is cut (whole false):
// a unit of a delivery may hold only the start of a section.
inline bool ReadEitEvent(ByteView bytes, EitEvent* out);

// The events of a section's event loop, in order. Stops at the first event
// whose loop runs past the section (a damaged or cut section).
class EitEventCursor {
 public:
  explicit EitEventCursor(ByteView events) : rest_(events) {}
  inline bool Next(EitEvent* out);

 private:
  ByteView rest_;
};

struct Descriptor {
  uint8_t tag;
  ByteView body;  // descriptor_length bytes after the tag and length
};

// The descriptors of a loop, in order. Stops at a descriptor whose body runs
// past the loop.
class DescriptorCursor {
 public:
  explicit DescriptorCursor(ByteView loop) : rest_(loop) {}
  inline bool Next(Descriptor* out);

 private:
  ByteView rest_;
};

constexpr uint8_t kDescComponent = 0x50;
constexpr uint8_t kDescShortEvent = 0x4D;
constexpr uint8_t kDescExtendedEvent = 0x4E;
constexpr uint8_t kDescContent = 0x54;
constexpr uint8_t kDescParentalRating = 0x55;

// short_event_descriptor: ISO 639 language, the event's name and its short
// text, each with its character-table bytes.
struct ShortEventView {
  ByteView language;  // 3 bytes
  ByteView name;
  ByteView text;
};
inline bool ReadShortEvent(const Descriptor& d, ShortEventView* out);
// The first well-formed short event of a descriptor loop. Broadcasters put
// other descriptors first (a component or a PDC descriptor, say), and a few
// send a cut short event before a whole one: each is looked past.
bool FindShortEvent(ByteView loop, ShortEventView* out);

// extended_event_descriptor: one piece of a description that may span up to
// sixteen of them (number to lastNumber), with items (a description and an
// item, such as "Director" and a name) and text. A broadcaster may split a
// text anywhere, even inside a two-byte character: the pieces are joined by
// whoever reads them, never here.
struct ExtendedEventView {
  uint8_t number, lastNumber;
  ByteView language;  // 3 bytes
  ByteView items;     // read with ItemCursor
  ByteView text;
};
bool ReadExtendedEvent(const Descriptor& d, ExtendedEventView* out);

class ItemCursor {
 public:
  explicit ItemCursor(ByteView items) : rest_(items) {}
  // The next item's description and text; false at the end or at an item
  // that runs past the items.
  bool Next(ByteView* description, ByteView* item);

 private:
  ByteView rest_;
};

// content_descriptor: pairs of genre nibbles (level 1 high, level 2 low)
// and a user byte each. A trailing odd byte is not a pair.
struct ContentView {
  ByteView entries;
  size_t Count() const { return entries.size / 2; }
  uint8_t Genre(size_t i) const { return entries.data[2 * i]; }
  uint8_t UserByte(size_t i) const { return entries.data[2 * i + 1]; }
};
inline bool ReadContent(const Descriptor& d, ContentView* out);

// parental_rating_descriptor: a country code (3 bytes) and a rating each.
// A rating of 0 is undefined, 1 to 0x0F an age of rating + 3, above that
// the broadcaster's own.
struct ParentalRatingView {
  ByteView entries;
  size_t Count() const { return entries.size / 4; }
  ByteView Country(size_t i) const { return ByteView{entries.data + 4 * i, 3}; }
  uint8_t Rating(size_t i) const { return entries.data[4 * i + 3]; }
};
bool ReadParentalRating(const Descriptor& d, ParentalRatingView* out);

// component_descriptor: what one stream of the event is (video, audio,
// subtitles), its language and a text.
struct ComponentView {
  uint8_t streamContent;     // low 4 bits
  uint8_t streamContentExt;  // high 4 bits
  uint8_t componentType;
  uint8_t componentTag;
  ByteView language;  // 3 bytes
  ByteView text;
};
bool ReadComponent(const Descriptor& d, ComponentView* out);

// The readers every section goes through, inline: the store reads each
// event's descriptors with them.

inline bool ReadEitSection(const uint8_t* section, size_t size, EitHeader* header,
                           ByteView* events) {
  if (section == nullptr || size < kEitHeaderBytes + kEitCrcBytes) return false;
  EitHeader& h = *header;
  h.tableId = section[0];
  h.sectionLength = static_cast<uint16_t>((section[1] & 0x0F) << 8 | section[2]);
  h.serviceId = eit_detail::Be16(section + 3);
  h.version = (section[5] >> 1) & 0x1F;
  h.current = (section[5] & 1) != 0;
  h.sectionNumber = section[6];
  h.lastSectionNumber = section[7];
  h.transportStreamId = eit_detail::Be16(section + 8);
  h.originalNetworkId = eit_detail::Be16(section + 10);
  h.segmentLastSectionNumber = section[12];
  h.lastTableId = section[13];
  size_t end = 3u + h.sectionLength;
  if (end > size) end = size;
  if (end < kEitHeaderBytes + kEitCrcBytes) end = kEitHeaderBytes + kEitCrcBytes;
  *events = ByteView{section + kEitHeaderBytes, end - kEitCrcBytes - kEitHeaderBytes};
  return true;
}

inline bool ReadEitEvent(ByteView bytes, EitEvent* out) {
  if (bytes.data == nullptr || bytes.size < kEitEventFixedBytes) return false;
  const uint8_t* p = bytes.data;
  out->eventId = eit_detail::Be16(p);
  out->startMjd = eit_detail::Be16(p + 2);
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

inline bool EitEventCursor::Next(EitEvent* out) {
  if (!ReadEitEvent(rest_, out) || !out->whole) {
    rest_ = ByteView{};
    return false;
  }
  const size_t used = kEitEventFixedBytes + out->descriptors.size;
  rest_.data += used;
  rest_.size -= used;
  return true;
}

inline bool DescriptorCursor::Next(Descriptor* out) {
  if (rest_.size < 2) return false;
  const size_t length = rest_.data[1];
  if (length > rest_.size - 2) {
    rest_ = ByteView{};
    return false;
  }
  out->tag = rest_.data[0];
  out->body = ByteView{rest_.data + 2, length};
  rest_.data += 2 + length;
  rest_.size -= 2 + length;
  return true;
}

inline bool ReadShortEvent(const Descriptor& d, ShortEventView* out) {
  using eit_detail::Take;
  ByteView rest = d.body, length;
  if (d.tag != kDescShortEvent || !Take(&rest, 3, &out->language)) return false;
  if (!Take(&rest, 1, &length) || !Take(&rest, length.data[0], &out->name)) return false;
  return Take(&rest, 1, &length) && Take(&rest, length.data[0], &out->text);
}

inline bool ReadContent(const Descriptor& d, ContentView* out) {
  if (d.tag != kDescContent) return false;
  out->entries = ByteView{d.body.data, d.body.size & ~size_t(1)};
  return true;
}

}  // namespace guide
