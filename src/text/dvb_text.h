// Broadcast text (event names and texts, service names) to UTF-8 by the
// character table its first bytes announce: the default table (a non-spacing
// diacritic byte before its letter, and the euro sign), ISO 8859 parts by
// 0x01-0x0B and by 0x10 0x00 0xNN, two-byte ISO 10646 (0x11) and its Big5
// subset (0x14), KS X 1001 (0x12), GB 2312 (0x13) and UTF-8 (0x15). The one
// converter of the plug-in and the user tools: fixed buffers, no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dvbtext {

// The table a text announced.
enum class TableKind {
  kDefault,       // no table byte: the default table
  kIso8859,       // 0x01-0x0B (part = byte + 4)
  kIso8859Long,   // 0x10 0x00 0xNN (part = NN)
  kUcs2,          // 0x11
  kKsx1001,       // 0x12
  kGb2312,        // 0x13
  kBig5Subset,    // 0x14: two-byte ISO 10646 limited to the Big5 characters
  kUtf8,          // 0x15
  kUnknownPart,   // 0x10 with a part that does not exist
  kUnsupported    // 0x1F (encoding type) and reserved table bytes
};

struct Table {
  TableKind kind = TableKind::kDefault;
  uint8_t first = 0;  // the table byte (0 for the default table)
  int part = 0;       // ISO 8859 part
  size_t skip = 0;    // table bytes before the text
};

// What the DVB line break (0x8A, and CR or LF) becomes.
enum class Breaks { kNewline, kBlank };

// The table that the first bytes of text announce.
Table AnnouncedTable(const uint8_t* bytes, size_t length);

// Converts length bytes into out (capacity bytes, always terminated when
// capacity > 0); a character that does not fit whole ends the text there.
// Emphasis codes vanish; a broken sequence gives U+FFFD; an unsupported table
// gives U+FFFD for every byte outside ASCII. Returns the bytes written.
// Every byte of the input yields at most three of output.
size_t ToUtf8(const uint8_t* bytes, size_t length, Breaks breaks, char* out, size_t capacity,
              Table* table = nullptr);

// Writes code point cp as UTF-8 into out (4 bytes of room); returns its length.
size_t EncodeUtf8(uint32_t cp, char* out);

}  // namespace dvbtext
