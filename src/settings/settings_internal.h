// Constants and helpers shared by the settings stages: the file's shape, the
// number conversion of its lines, and the seconds-to-milliseconds rule.
#pragma once

#include <cstdint>

namespace settings_file {

constexpr int kLineCount = 18;       // one value per line, by position
constexpr int kOptionalLineCount = 8;  // lines 19 to 26, written only when not all 0
constexpr int kValueChars = 10;      // kept of lines 1 to 17
constexpr int kFontChars = 128;      // kept of line 18
constexpr int32_t kDefaultShowtimeMs = 3000;
constexpr int32_t kMinShowtimeMs = 10;  // a display time below this reads as the default
constexpr int32_t kWhite = 0xFFFFFF;
constexpr const char* kSecondsFormat = "%4.1f";
constexpr const char* kNewFileSuffix = ".new";  // the file a save writes before it replaces

// The typeface the font dialog starts from when none is set, and the shortest
// name it keeps.
constexpr const char* kDefaultFont = "Verdana";
constexpr int kMinFontChars = 3;
// Point sizes the font dialog offers.
constexpr int kFontMinSize = 4;
constexpr int kFontMaxSize = 64;

// Integer conversion as atoi does it: leading blanks, an optional sign,
// digits, stopping at the first other character; no digits give 0. A value
// beyond 32 bits saturates at INT32_MAX / INT32_MIN.
int32_t TextToInt(const char* text);

// Decimal conversion as atof does it: leading blanks, an optional sign,
// digits, a decimal point and fraction and an optional exponent; stops at the
// first character that cannot continue the number. Always a '.' point,
// whatever the process locale. Overflow gives an infinity.
double TextToDouble(const char* text);

// Display time in milliseconds for seconds held in single precision:
// 1000 x seconds truncated toward zero, worked in double precision (2.8 s
// gives 2799 ms). A value with no 32-bit result (infinite, not a number, out
// of range) gives the default display time.
int32_t SecondsToMs(float seconds);

}  // namespace settings_file
