// Prints what the text converter makes of every two-byte code of GB 2312 and
// KS X 1001 (EUC pairs 0xA1-0xFE), one line a code: built for Windows it asks
// the system's code pages as the plug-in does, built natively it reads the
// compiled-in tables; double_byte_same.sh compares the two outputs.
#include <cstdint>
#include <cstdio>

#include "text/dvb_text.h"

namespace {

// The code points of a UTF-8 text the converter wrote (always valid UTF-8).
void PrintCodePoints(const char* s, size_t n) {
  for (size_t i = 0; i < n;) {
    const uint8_t c = static_cast<uint8_t>(s[i]);
    const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < n; ++k) cp = cp << 6 | (s[i + k] & 0x3F);
    std::printf(" U+%04X", static_cast<unsigned>(cp));
    i += static_cast<size_t>(extra) + 1;
  }
}

}  // namespace

int main() {
  const struct {
    uint8_t tableByte;
    const char* name;
  } kTables[] = {{0x13, "GB2312"}, {0x12, "KSX1001"}};
  for (const auto& t : kTables) {
    for (int lead = 0xA1; lead <= 0xFE; ++lead) {
      for (int trail = 0xA1; trail <= 0xFE; ++trail) {
        const uint8_t text[3] = {t.tableByte, static_cast<uint8_t>(lead),
                                 static_cast<uint8_t>(trail)};
        char out[16];
        const size_t n =
            dvbtext::ToUtf8(text, sizeof text, dvbtext::Breaks::kBlank, out, sizeof out);
        std::printf("%s %02X%02X", t.name, lead, trail);
        PrintCodePoints(out, n);
        std::printf("\n");
      }
    }
  }
  return 0;
}
