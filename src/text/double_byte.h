// The two-byte tables a broadcaster may announce (GB 2312, KS X 1001), one
// character at a time. The plug-in asks Windows' own code pages
// (text/win/double_byte_win.cpp): their tables are part of every Windows
// and would more than fill the library's size budget. The native core and the
// user tools carry the same tables (tools/text_tables/double_byte_tables.cpp,
// written by tools/text_tables/gen-double-byte-tables.py to match Windows pair by pair).
#pragma once

#include <cstdint>

namespace dvbtext {

enum class DoubleByteTable { kKsx1001, kGb2312 };

// The code point of the EUC byte pair (lead and trail 0xA1-0xFE), or 0 when
// the pair is unassigned or outside that range.
uint16_t DoubleByteToUnicode(DoubleByteTable table, uint8_t lead, uint8_t trail);

}  // namespace dvbtext
