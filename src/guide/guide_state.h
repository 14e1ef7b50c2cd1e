// The programme guide's shared state, private to the guide's files: the line
// and text buffers under one lock, the filter request and its handle.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "guide/delivery_reader.h"
#include "guide/guide_codes.h"
#include "guide/line_builder.h"
#include "platform/host_interface.h"
#include "platform/lock.h"

namespace guide {

// eitState (guide.h) is the atomic beside this group. It is read without the
// lock for quick refusals; every change of it that goes with the buffers
// (a bit added, the restart to 1, 7 -> 8, the stop to 0) is made under lock.
struct GuideState {
  Lock lock;  // after the EPG rows' and the schedule's locks (platform/lock.h)
  char nowLine[kTextBuffer] TAVIK_GUARDED_BY(lock);
  char nextLine[kTextBuffer] TAVIK_GUARDED_BY(lock);
  char nowName[kTextBuffer] TAVIK_GUARDED_BY(lock);
  char nowText[kTextBuffer] TAVIK_GUARDED_BY(lock);
  char nextName[kTextBuffer] TAVIK_GUARDED_BY(lock);
  char nextText[kTextBuffer] TAVIK_GUARDED_BY(lock);
  char timeText[kTimeBuffer] TAVIK_GUARDED_BY(lock);
  int32_t nameSkip TAVIK_GUARDED_BY(lock);  // 3 when the last decoded name began with 0x10
  int32_t nameLead TAVIK_GUARDED_BY(lock);  // 1 when the last cleaned name began below 0x21
  int32_t filterHandle TAVIK_GUARDED_BY(lock);
  // The channel change (its serial) whose service nowText was decoded for.
  uint32_t nowTextChannel TAVIK_GUARDED_BY(lock);
  // The event each line was built from (kEventBuilt | event_id; 0 none yet),
  // now and next. Written under the lock; read without it for the decoder's
  // quick refusal of the sections that repeat what is built.
  std::atomic<uint32_t> builtEvent[2];
  // A line was built anew after both were shown (the programme changed while
  // the channel stayed tuned); the banner takes it at its next showing.
  bool linesChanged TAVIK_GUARDED_BY(lock);
  // The channel change (its serial) the lines were last built for: once they
  // are shown, only that channel's programme is followed (a change too short
  // to restart the lines tunes another channel without them).
  uint32_t linesChannel TAVIK_GUARDED_BY(lock);
  // The present event's timing, from the last present section a line was
  // built from, and the channel change (its serial) it was decoded for.
  bool presentKnown TAVIK_GUARDED_BY(lock);
  int64_t presentStart TAVIK_GUARDED_BY(lock);
  int32_t presentDuration TAVIK_GUARDED_BY(lock);
  uint16_t presentEventId TAVIK_GUARDED_BY(lock);
  uint32_t presentChannel TAVIK_GUARDED_BY(lock);
};
extern GuideState state;

// Builds the line of this kind from the event and adds its bit to eitState
// when the tag was recognised. The caller holds state.lock.
void BuildLineLocked(LineKind kind, const EventStrings& event, const UnitHeader& h)
    TAVIK_REQUIRES(state.lock);

// Reads a unit for the tuned service's present or following line and
// builds it when it is due. Takes state.lock.
void DecodeUnit(const UnitReader& unit);
// The same for a whole present/following section (table_id to CRC) of the
// section engine.
void DecodeSection(const uint8_t* section, size_t size);

// Keeps the present event's start and duration from a present section decoded
// for the channel change with this serial (forgotten when either is
// undefined). The caller holds state.lock.
void KeepPresentTimingLocked(const UnitHeader& h, uint32_t channel) TAVIK_REQUIRES(state.lock);

// Zeroes the lines' bookkeeping of a channel change. The caller holds state.lock.
void ForgetBuiltEventsLocked() TAVIK_REQUIRES(state.lock);

// Writes the shifted start time into timeText. The caller holds state.lock.
void FormatTimeLocked(int8_t hours, int8_t minutes) TAVIK_REQUIRES(state.lock);

}  // namespace guide
