// DVB text (event names and texts, service names) to UTF-8 for the tools: the
// plug-in's own converter (text/dvb_text.h), with the table it announced
// named for the terminal. Tables the converter cannot read are named and
// their bytes shown as \xHH.
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

// Bytes outside printable ASCII (and the backslash) as \xHH: how the tools
// print the 8-bit lines the plug-in puts on screen unchanged.
std::string EscapeBytes(const std::string& bytes);

}  // namespace dvbread
