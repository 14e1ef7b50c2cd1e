// The schedule's text as the EPG panel and the user tools show it: times by
// the banner's rules (local time, then the time shift), titles and
// descriptions in 8-bit text or converted to UTF-8. Pure.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/broadcast_time.h"
#include "guide/event_store.h"

namespace guide {

struct TimeRules {
  LocalCivilFn local = nullptr;  // set: local time first (localtime 1)
  int32_t timeshift = 0;         // then these hours are added
  bool unicode = false;          // UTF-8 text (epgchars 1), else 8-bit cleaned
};

// Up to capacity of serviceId's events' keys in start order (by event id at
// the same start), those without a defined start left out: the order of the
// schedule's rows. Returns how many.
int KeysInStartOrder(const EventStore& store, uint16_t serviceId, EventKey* out, int capacity);

// The time a start is shown at. Without a local time the UTC one is used.
CivilTime ShownTime(int64_t utc, const TimeRules& rules);
bool SameDay(const CivilTime& a, const CivilTime& b);

// Broadcast text as shown: UTF-8 (a name with blanks for line breaks, other
// text with line breaks), or the 8-bit form the banner shows (a three-byte
// table selection dropped, control bytes cleaned; a name that then starts
// below 0x21 shows from its second byte). Returns the length written.
size_t ShownText(const uint8_t* bytes, size_t length, bool unicode, bool name, char* out,
                 size_t capacity);

// The event's name as a title: ShownText of the name.
void FormatTitle(const StoredEvent& e, bool unicode, char* out, size_t capacity);

// The start as the rows show it, "HH:MM", with "Ddd DD.MM. " before it when
// its day is not day's (always with kNoDay); returns its length.
constexpr CivilTime kNoDay = {0, 0, 0, 0, 0, 0, 0};
size_t FormatStart(const CivilTime& t, const CivilTime& day, char* out, size_t capacity);

// One row: "HH:MM title", or "Ddd DD.MM. HH:MM title" when the start's day
// is not day's.
void FormatScheduleRow(const StoredEvent& e, const CivilTime& day, const TimeRules& rules,
                       char* out, size_t capacity);

// An event's detail: its title, its time span "HH:MM - HH:MM" (with the day
// before it as in the rows), then its whole text (event_description.h: the
// genre names, age and marks, short text, extended description and items),
// one to a line.
void FormatScheduleDetail(const StoredEvent& e, const CivilTime& day, const TimeRules& rules,
                          char* out, size_t capacity);

}  // namespace guide
