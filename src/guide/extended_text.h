// An event's extended description joined into one text: its extended event
// descriptors of one language in descriptor_number order, their texts read
// as one (nothing lost or doubled where a broadcaster split it, whether or
// not each piece repeats its character-table selection, two-byte characters
// split between descriptors too) and their items as pairs. Pure functions
// over the descriptors' bytes (those after tag and length).
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

constexpr uint8_t kExtendedEventDescriptor = 0x4E;
// descriptor_number has four bits.
constexpr size_t kMaxExtendedDescriptors = 16;
// Items kept of one event; more are counted as truncated.
constexpr size_t kMaxExtendedItems = 32;
// A buffer that holds every text of sixteen whole descriptors.
constexpr size_t kExtendedBuffer = kMaxExtendedDescriptors * 255;

// One descriptor's payload as found in the event's descriptor loop.
struct DescriptorBytes {
  const uint8_t* bytes = nullptr;
  size_t length = 0;
};

// Bytes of the output buffer.
struct ByteSpan {
  uint32_t offset = 0;
  uint32_t length = 0;
};

// One item: its description ("Director") and the item (a name), each as
// broadcast with its own character-table selection.
struct ExtendedItem {
  ByteSpan description;
  ByteSpan item;
};

struct JoinedExtended {
  // The joined text as broadcast bytes with one table selection at the
  // front (what the text's first piece announced), for the character-table
  // converter (text/dvb_text.h).
  ByteSpan text;
  ExtendedItem items[kMaxExtendedItems];
  size_t itemCount = 0;
  char language[3] = {};
  int descriptors = 0;     // descriptors joined
  bool truncated = false;  // the buffer or the item table was too small
};

// Joins the extended event descriptors of one event (payloads in any
// order, possibly of several languages) into buffer (capacity bytes): the
// language is shortLanguage's (three bytes, the short event's; may be
// null) when a descriptor has it, else the first descriptor's. A
// descriptor too short for its own lengths is skipped; of two with the same
// number the first counts; numbers above last_descriptor_number are left
// out. An item with an empty description goes on with the item before it.
// What does not fit is cut at a whole character. False when no descriptor
// could be read.
bool JoinExtended(const DescriptorBytes* descriptors, size_t count, const char* shortLanguage,
                  uint8_t* buffer, size_t capacity, JoinedExtended* out);

// True when the extended text (UTF-8) begins with the short text, so the
// short text need not be shown again: blanks and line breaks compare as
// one blank, and a short text that ends in "..." (a cut copy of the
// description) compares without it. A short text must end where a word of
// the extended text ends; an empty short text is never repeated.
bool ExtendedRepeatsShort(const char* shortUtf8, const char* extendedUtf8);

}  // namespace guide
