// The two-byte character tables from Windows' own code pages: 936 holds
// GB 2312 and 949 KS X 1001, both as EUC byte pairs.
#include <windows.h>

#include "text/double_byte.h"

namespace dvbtext {

uint16_t DoubleByteToUnicode(DoubleByteTable table, uint8_t lead, uint8_t trail) {
  if (lead < 0xA1 || lead > 0xFE || trail < 0xA1 || trail > 0xFE) return 0;
  const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  WCHAR wide[2] = {0, 0};
  const UINT codePage = table == DoubleByteTable::kGb2312 ? 936 : 949;
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, pair, 2, wide, 2);
  return n == 1 ? static_cast<uint16_t>(wide[0]) : 0;
}

}  // namespace dvbtext
