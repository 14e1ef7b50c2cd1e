// One now/next line from an event's name, text and start time: no shared
// state, no runtime calls.
#include "guide/line_builder.h"

#include <cstring>

#include "common/text.h"
#include "guide/guide_codes.h"

namespace guide {
namespace {

constexpr int kHoursPerDay = 24;

// Broadcasters prefix names with character-table bytes and mark emphasis
// with asterisks and line breaks with 0x8A; all of them show as a blank.
// Bytes are compared as unsigned values: 0x80 and above are characters of
// the broadcaster's table and stay as they are (except 0x8A).
void Clean(char* buffer, size_t capacity) {
  for (size_t y = 0; y < capacity && buffer[y] != '\0'; ++y) {
    uint8_t c = static_cast<uint8_t>(buffer[y]);
    if (c < kBlank || c == kAsterisk || c == kControlNewline) buffer[y] = kBlank;
  }
}

void CopyBytes(char* buffer, size_t capacity, const uint8_t* bytes, size_t count) {
  if (bytes == nullptr) return;
  if (count > capacity - 1) count = capacity - 1;
  std::memcpy(buffer, bytes, count);
}

}  // namespace

int ShiftedHour(int8_t hours, int32_t timeshift) {
  // The hour byte holds two BCD digits; the tens digit is at most 2.
  int tens = (hours / 16) & 3;
  int64_t h = int64_t(tens) * 10 + (hours & 0x0F) + int64_t(timeshift);
  h %= kHoursPerDay;
  if (h < 0) h += kHoursPerDay;
  return static_cast<int>(h);
}

void FormatStartTime(int8_t hours, int8_t minutes, int32_t timeshift, char* timeText) {
  int h = ShiftedHour(hours, timeshift);
  std::memset(timeText, 0, kTimeBuffer - 1);
  // The minute byte prints as its two BCD digits (0x07 as 07, 0x45 as 45);
  // it is widened with its sign, so a corrupt byte from 0x80 up shows as
  // eight hex digits, which still fits timeText.
  FormatText(timeText, kTimeBuffer, "%02d:%02X", h,
             static_cast<unsigned>(static_cast<int>(minutes)));
}

int32_t BuildLine(LineKind kind, const EventStrings& event, uint8_t hour, uint8_t minute,
                  const LineSettings& settings, const char* presentText, const LineBuffers& out) {
  const bool now = kind == LineKind::kNow;
  std::memset(out.line, 0, kTextBuffer);
  std::memset(out.name, 0, kTextBuffer);
  std::memset(out.text, 0, kTextBuffer);
  CopyBytes(out.name, kTextBuffer, event.name, event.nameLength);
  CopyBytes(out.text, kTextBuffer, event.text, event.textLength);
  FormatStartTime(static_cast<int8_t>(hour), static_cast<int8_t>(minute), settings.timeshift,
                  out.timeText);
  Clean(out.name, kTextBuffer);
  Clean(out.text, kTextBuffer);

  const int32_t nameLead = static_cast<uint8_t>(out.name[0]) < kFirstVisible ? 1 : 0;
  const char* shownName = out.name + nameLead;
  switch (settings.epgtext) {
    case 0:
      FormatText(out.line, kTextBuffer, "(%s) %s ", out.timeText, shownName);
      break;
    case 1:
      FormatText(out.line, kTextBuffer, "(%s) %s > %s ", out.timeText, shownName, out.text);
      break;
    case 2:
      // The second line carries the present event's description as it is now.
      if (now)
        FormatText(out.line, kTextBuffer, "(%s) %s ", out.timeText, shownName);
      else
        FormatText(out.line, kTextBuffer, "%s ", presentText != nullptr ? presentText : "");
      break;
    default:
      break;  // both lines stay empty
  }
  return nameLead;
}

}  // namespace guide
