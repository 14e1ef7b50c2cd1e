// The schedule engine inside the guide: made and dropped on the host's
// thread, fed on the data thread, read by the rows. Private to the guide.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

class EventStore;

// Host thread (a channel change, the load): makes the engine when the
// schedule is on and it is not there yet (a failed allocation leaves it off
// until the next call), drops it when the schedule is off, and asks for a new
// start of the section assembler (the filter may have been started anew).
void PrepareSchedule();
// Whether the engine runs (the schedule is on and its memory was had).
bool ScheduleRunning();

// The data thread's part of OnDataArrival when the engine runs: the units
// go through the assembler, whole sections into the store and, for the
// tuned service's present/following table, to the line builder.
void FeedScheduleUnits(const uint8_t* delivery, size_t length, int units);

// Calls read with the store under the schedule lock (host thread: the rows);
// false when the engine does not run.
bool ReadSchedule(void (*read)(const EventStore& store, void* context), void* context);

// Marks that the tuned channel's rows may have changed (ScheduleSerial).
void NoteScheduleChange();

}  // namespace guide
