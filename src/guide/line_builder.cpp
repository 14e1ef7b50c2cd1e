// One now/next line from an event's name, text and start time: no shared
// state, no runtime calls.
#include "guide/line_builder.h"

#include <cstring>

#include "common/text.h"
#include "guide/guide_codes.h"
#include "text/dvb_text.h"

namespace guide {
namespace {

constexpr int kHoursPerDay = 24;

void CopyBytes(char* buffer, size_t capacity, const uint8_t* bytes, size_t count) {
  if (bytes == nullptr) return;
  if (count > capacity - 1) count = capacity - 1;
  std::memcpy(buffer, bytes, count);
}

// A BCD byte's value, or -1 when a digit is not one.
int BcdValue(uint8_t b) {
  if ((b >> 4) > 9 || (b & 0x0F) > 9) return -1;
  return (b >> 4) * 10 + (b & 0x0F);
}

// A formatted UTF-8 text that was cut at the end of its buffer loses the
// part of its last character that did not fit.
void EndOnCharacter(char* buffer, int formattedLength, size_t capacity) {
  if (!Truncated(formattedLength, capacity)) return;
  size_t end = std::strlen(buffer), start = end;
  while (start > 0 && (static_cast<uint8_t>(buffer[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  const uint8_t lead = static_cast<uint8_t>(buffer[start - 1]);
  const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (end - (start - 1) < need) buffer[start - 1] = '\0';
}

// The Unicode form of the line, from the name and text as broadcast; line
// breaks show as blanks on the banner.
void BuildUnicodeLine(bool now, const EventStrings& event, const LineSettings& settings,
                      const char* timeText, const char* presentUnicode, const LineBuffers& out) {
  char name[kTextBuffer], text[kTextBuffer];
  dvbtext::ToUtf8(event.broadcastName, event.broadcastNameLength, dvbtext::Breaks::kBlank, name,
                  sizeof name);
  dvbtext::ToUtf8(event.broadcastText, event.broadcastTextLength, dvbtext::Breaks::kBlank, text,
                  sizeof text);
  if (out.unicodeText != nullptr)
    dvbtext::ToUtf8(event.broadcastText, event.broadcastTextLength, dvbtext::Breaks::kNewline,
                    out.unicodeText, kTextBuffer);
  int n = 0;
  std::memset(out.unicodeLine, 0, kTextBuffer);
  switch (settings.epgtext) {
    case 0:
      n = FormatText(out.unicodeLine, kTextBuffer, "(%s) %s ", timeText, name);
      break;
    case 1:
      n = FormatText(out.unicodeLine, kTextBuffer, "(%s) %s > %s ", timeText, name, text);
      break;
    case 2:
      if (now) {
        n = FormatText(out.unicodeLine, kTextBuffer, "(%s) %s ", timeText, name);
      } else {
        FormatPresentTextLine(presentUnicode, out.unicodeLine);
      }
      break;
    default:
      break;
  }
  EndOnCharacter(out.unicodeLine, n, kTextBuffer);
}

}  // namespace

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

void FormatEventStart(const StartTime& start, const LineSettings& settings, char* timeText) {
  const int hour = BcdValue(start.hour), minute = BcdValue(start.minute);
  int localHour = 0, localMinute = 0;
  if (settings.localTime == nullptr || start.mjd == 0 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || !settings.localTime(start.mjd, hour, minute, &localHour, &localMinute)) {
    FormatStartTime(static_cast<int8_t>(start.hour), static_cast<int8_t>(start.minute),
                    settings.timeshift, timeText);
    return;
  }
  // The local hour in BCD, so the time shift is added to it as to a broadcast one.
  const int8_t bcdHour = static_cast<int8_t>((localHour / 10) << 4 | localHour % 10);
  const int8_t bcdMinute = static_cast<int8_t>((localMinute / 10) << 4 | localMinute % 10);
  FormatStartTime(bcdHour, bcdMinute, settings.timeshift, timeText);
}

void FormatPresentTextLine(const char* presentText, char* line) {
  const int n = FormatText(line, kTextBuffer, "%s ", presentText != nullptr ? presentText : "");
  EndOnCharacter(line, n, kTextBuffer);
  for (char* c = line; *c != '\0'; ++c)
    if (*c == '\n') *c = ' ';  // the description's line breaks, on one banner line
}

void FormatPresentTextLine8(const char* presentText, char* line) {
  FormatText(line, kTextBuffer, "%s ", presentText != nullptr ? presentText : "");
}

int32_t BuildLine(LineKind kind, const EventStrings& event, const StartTime& start,
                  const LineSettings& settings, const char* presentText, const LineBuffers& out,
                  const char* presentUnicode) {
  const bool now = kind == LineKind::kNow;
  std::memset(out.line, 0, kTextBuffer);
  std::memset(out.name, 0, kTextBuffer);
  std::memset(out.text, 0, kTextBuffer);
  CopyBytes(out.name, kTextBuffer, event.name, event.nameLength);
  CopyBytes(out.text, kTextBuffer, event.text, event.textLength);
  FormatEventStart(start, settings, out.timeText);
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
        FormatPresentTextLine8(presentText, out.line);
      break;
    default:
      break;  // both lines stay empty
  }
  if (out.unicodeLine != nullptr)
    BuildUnicodeLine(now, event, settings, out.timeText, presentUnicode, out);
  return nameLead;
}

}  // namespace guide
