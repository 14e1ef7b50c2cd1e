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

// The settings a line depends on.
struct LineSettings {
  int32_t epgtext = 0;    // 0 name, 1 name > text, 2 the present text on the second line
  int32_t timeshift = 0;  // hours added to the start hour
};

// The buffers one line is built into: line, name and text of kTextBuffer
// bytes each, timeText of kTimeBuffer bytes.
struct LineBuffers {
  char* line;
  char* name;
  char* text;
  char* timeText;
};

// The shifted hour of a BCD hour byte, brought into 0..23 by whole days.
int ShiftedHour(int8_t hours, int32_t timeshift);

// Writes the shifted start time "hh:mm" into timeText (kTimeBuffer bytes).
void FormatStartTime(int8_t hours, int8_t minutes, int32_t timeshift, char* timeText);

// Clears the line, name and text buffers, copies the event's name and text,
// cleans them and formats the line by epgtext. presentText is the present
// event's description as held when this line is built (the second line of
// epgtext 2 shows it). Returns nameLead: 1 when the cleaned name began below
// 0x21 and is shown from its second byte.
int32_t BuildLine(LineKind kind, const EventStrings& event, uint8_t hour, uint8_t minute,
                  const LineSettings& settings, const char* presentText, const LineBuffers& out);

}  // namespace guide
