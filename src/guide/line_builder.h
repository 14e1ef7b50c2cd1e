// Building one now/next line from a picked event: the start time, the
// cleaning of names and texts and the three line layouts. Pure functions over
// their inputs, called by the plug-in with the guide's buffers and by the EIT
// reader tool with its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/eit_section.h"

namespace guide {

enum class LineKind { kNow, kNext };

// Turns an event's UTC start (its MJD date, hour and minute) into local time;
// false when it cannot.
using LocalTimeFn = bool (*)(uint16_t mjd, int hour, int minute, int* localHour,
                             int* localMinute);

// The settings a line depends on.
struct LineSettings {
  int32_t epgtext = 0;    // 0 name, 1 name > text, 2 the present text on the second line
  int32_t timeshift = 0;  // hours added to the start hour
  // When set, the start is turned into local time by it before the shift.
  LocalTimeFn localTime = nullptr;
};

// The buffers one line is built into: line, name and text of kTextBuffer
// bytes each, timeText of kTimeBuffer bytes. When unicodeLine is set, the
// line is also built in Unicode (UTF-8) from the name and text as broadcast,
// and unicodeText (when set) gets the text with its line breaks.
struct LineBuffers {
  char* line;
  char* name;
  char* text;
  char* timeText;
  char* unicodeLine = nullptr;
  char* unicodeText = nullptr;
};

// The event's start: its MJD date (0 when unknown) and BCD hour and minute.
struct StartTime {
  uint16_t mjd;
  uint8_t hour;
  uint8_t minute;
};

// Cleans 8-bit text in place (up to its NUL or capacity bytes): control
// bytes, the asterisk and 0x8A become blanks.
void Clean(char* buffer, size_t capacity);

// The shifted hour of a BCD hour byte, brought into 0..23 by whole days.
int ShiftedHour(int8_t hours, int32_t timeshift);

// Writes the shifted start time "hh:mm" into timeText (kTimeBuffer bytes).
void FormatStartTime(int8_t hours, int8_t minutes, int32_t timeshift, char* timeText);

// The start as the line shows it: in local time first when settings ask for
// it and the date and time are valid, then shifted as FormatStartTime does.
void FormatEventStart(const StartTime& start, const LineSettings& settings, char* timeText);

// The second line of epgtext 2: the present event's description, in UTF-8
// (ending on a whole character, its line breaks as blanks) and in 8-bit text.
void FormatPresentTextLine(const char* presentText, char* line);
void FormatPresentTextLine8(const char* presentText, char* line);

// Clears the line, name and text buffers, copies the event's name and text,
// cleans them and formats the line by epgtext. presentText is the present
// event's description as held when this line is built (the second line of
// epgtext 2 shows it), presentUnicode its Unicode form. Returns nameLead: 1
// when the cleaned name began below 0x21 and is shown from its second byte.
int32_t BuildLine(LineKind kind, const EventStrings& event, const StartTime& start,
                  const LineSettings& settings, const char* presentText, const LineBuffers& out,
                  const char* presentUnicode = nullptr);
inline int32_t BuildLine(LineKind kind, const EventStrings& event, uint8_t hour, uint8_t minute,
                         const LineSettings& settings, const char* presentText,
                         const LineBuffers& out) {
  return BuildLine(kind, event, StartTime{0, hour, minute}, settings, presentText, out);
}

}  // namespace guide
