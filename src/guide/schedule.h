// The guide's schedule as the user interface reads it: the present event's
// timing, the tuned channel's rows and one event's detail, and a serial that
// changes when they may have.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keep {
class ByteBuffer;
}

namespace guide {

// The present event of the tuned channel, from the present/following section
// (either reader, so it works with the schedule off): start in seconds since
// 1970-01-01 UTC and duration in seconds. False when none is known for the
// channel tuned now (cleared at each channel change) or when the section's
// start or duration is undefined.
struct EventTiming {
  int64_t startUtc;
  int32_t durationSec;
  uint16_t eventId;
};
bool PresentEventTiming(EventTiming* out);

// Schedule rows of the tuned channel (schedule 1), from the present event
// (the one the present/following section names; without one, the first event
// not ended by nowUtc) on, in start order, for as many days as the store
// holds. text is the row as the EPG panel shows it: "HH:MM title", and for
// rows of another day than the present event's "Ddd DD.MM. HH:MM title"
// (e.g. "Tue 08.12. 20:15 News"); times by the banner's rules (localtime,
// then timeshift); title 8-bit cleaned with epgchars 0, UTF-8 with epgchars 1.
// colour: the row's level-1 genre colour (0xRRGGBB, GenreColourOf), -1
// for an event without a named genre.
struct ScheduleRow {
  uint16_t eventId;
  int64_t startUtc;
  int32_t durationSec;
  int32_t colour;
  char text[320];
};
int CopyScheduleRows(int64_t nowUtc, ScheduleRow* rows, int maxRows);  // rows written

// One event of the tuned channel for the EPG text box: its title, its time
// span "HH:MM - HH:MM" (with the day before it as in the rows when it is not
// the present event's day), then its whole text: genre names, age and
// marks, short text, extended description and items, one to a line;
// *unicode set when the text is UTF-8 (epgchars 1). False (and out empty)
// when the tuned channel has no such event. A buffer of kDetailBuffer
// bytes holds any event's detail whole.
constexpr size_t kDetailBuffer = 18 * 1024;
bool CopyScheduleDetail(uint16_t eventId, char* out, size_t capacity, bool* unicode);

// The present event's age ("12+", "" without one) and marks (event_marks.h
// bits) as its own descriptors in the store say (schedule 1); found is false
// (and nothing set) with the schedule off, without a present event, or when
// the store does not hold it.
struct PresentMarks {
  bool found = false;
  uint16_t eventId = 0;
  uint32_t marks = 0;
  char age[32] = {};
};
bool CopyPresentMarks(PresentMarks* out);

// Changes whenever the tuned channel's rows may have changed (new or ended
// events, a channel change), so the panel refreshes only then.
uint32_t ScheduleSerial();

// The kept guide's store part, from the keeper's own thread under the
// schedule lock: the whole store appended to out (false, nothing written,
// when the schedule does not run); such bytes read back into the store
// (events taken, or -1 when they are not a whole store part or the schedule
// does not run); and a count that grows whenever the store changed.
bool WriteKeptSchedule(keep::ByteBuffer* out);
int RestoreKeptSchedule(const uint8_t* data, size_t size);
uint32_t KeptScheduleChanges();

// Other streams' tables (0x4F, 0x60 to 0x6F) are kept for the services
// wanted says (service id, then the transport stream and original network
// ids the section carries); tunedIds learns the ids the tuned service's own
// present/following sections carry. Both are called on the data thread under
// the schedule lock and take no lock but their own leaf one. Without hooks
// (as at load) no other stream's section is kept.
struct OtherStreamHooks {
  bool (*wanted)(uint16_t serviceId, uint16_t transportStreamId, uint16_t networkId);
  void (*tunedIds)(uint16_t serviceId, uint16_t transportStreamId, uint16_t networkId);
};
void SetOtherStreamHooks(const OtherStreamHooks* hooks);  // null: none

// Unload (host thread): drops the schedule's engine and everything it holds.
void ReleaseSchedule();

// What the store holds now, for tests and benchmarks.
struct ScheduleStats {
  int services;          // services with events
  int events;            // events held
  size_t bytesReserved;  // memory the store has taken from the system
  size_t bytesUsed;      // of it, in use by events and their text
  long sectionsTaken;    // whole sections whose CRC held, since the store was made
  long sectionsFailed;   // sections the CRC refused
};
bool GetScheduleStats(ScheduleStats* out);  // false when the schedule is off

}  // namespace guide
