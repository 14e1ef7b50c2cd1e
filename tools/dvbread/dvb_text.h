// DVB text (event names and texts, service names) to UTF-8 by the character
// table its first bytes announce: the default Latin table, ISO 8859 parts by
// 0x01-0x0B and by 0x10 0x00 0xNN, two-byte ISO 10646 (0x11, 0x14) and UTF-8
// (0x15). Other tables are named and their bytes shown as \xHH.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dvbread {

struct DvbText {
  std::string utf8;   // the converted text; 0x8A (line break) becomes '\n'
  std::string table;  // e.g. "default table", "ISO 8859-9 (0x05)"
  bool supported = true;
};

DvbText DvbToUtf8(const uint8_t* bytes, size_t length);

// Appends code point cp as UTF-8.
void AppendUtf8(std::string* out, uint32_t cp);

// Bytes outside printable ASCII (and the backslash) as \xHH: how the tools
// print the 8-bit lines the plug-in puts on screen unchanged.
std::string EscapeBytes(const std::string& bytes);

}  // namespace dvbread
