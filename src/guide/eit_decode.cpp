// OnDataArrival: picks the present/following sections of the tuned service
// out of each delivery (or, with the schedule on, out of the section
// engine's whole sections, through the section decoder) and hands their
// first event to the line builder.
#include <cstring>

#include "common/channel_record.h"
#include "guide/delivery_reader.h"
#include "guide/eit_section.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "guide/schedule_engine.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace guide {
namespace {

void AppendDebugDump(const uint8_t* buffer, int length) {
  int file = ui::OpenFile(kDebugDumpPath, 2, 1, 0);
  if (file < 0) return;
  ui::WriteLine(file, reinterpret_cast<const char*>(buffer), length);
  ui::CloseFile(file);
}

// The picked event builds its line when it is due: not when it repeats the
// event the line was built from. Takes state.lock.
void TakeEvent(const PickedEvent& picked) {
  const UnitHeader& h = picked.header;
  const int kind = h.nownxt;
  const uint32_t event = kEventBuilt | h.eventId;
  if (state.builtEvent[kind].load(std::memory_order_relaxed) == event) return;
  int32_t bit = h.nownxt == 0 ? kBitNow : kBitNext;
  LockGuard guard(state.lock);
  // Under the lock the service id is the one a channel change saved before it
  // restarted the lines, so a unit of the previous service never gets in.
  int32_t s = eitState.load();
  if (s < kStateRunning || s > kStateShown) return;
  // A line already built is built again only for another event (the
  // programme changed while the channel stayed tuned), and only by a line
  // that is whole. Once the lines were shown, only a line that was built from
  // an event of its own, on the channel still tuned, is followed.
  const uint32_t builtFrom = state.builtEvent[kind].load();
  if (s == kStateShown && builtFrom == 0) return;
  const bool built = s == kStateShown || (s & bit) != 0;
  if (built && (builtFrom == event || !picked.strings.recognised)) return;
  uint32_t channel = 0;  // the channel change this service id came with
  if (h.eitsid != CurrentServiceId(&channel)) return;
  if (s == kStateShown && channel != state.linesChannel) return;
  BuildLineLocked(h.nownxt == 0 ? LineKind::kNow : LineKind::kNext, picked.strings, h);
  if (h.nownxt == 0) {
    state.nowTextChannel = channel;
    KeepPresentTimingLocked(h, channel);
  }
  state.linesChannel = channel;
  if (picked.strings.recognised) state.builtEvent[kind] = event;
  if (s == kStateShown) state.linesChanged = true;
}

}  // namespace

void DecodeUnit(const UnitReader& unit) {
  // A cheap refusal of other tables and services before anything else is
  // read (most units of the PID are not the tuned service's present or
  // following section), and of the sections that repeat the event a line was
  // built from; the tests that count are made again under the lock.
  const uint16_t sid = CurrentServiceId();
  if (unit.At(kPosTableId) != kTablePresentFollowing ||
      (unit.At(kPosServiceId) << 8 | unit.At(kPosServiceId + 1)) != sid)
    return;
  const int kind = unit.At(kPosSectionNumber) & 1;
  const uint32_t event = kEventBuilt | unit.At(kPosEventId) << 8 | unit.At(kPosEventId + 1);
  if (state.builtEvent[kind].load(std::memory_order_relaxed) == event) return;
  PickedEvent picked;
  if (PickEvent(unit, sid, &picked)) TakeEvent(picked);
}

void DecodeSection(const uint8_t* section, size_t size) {
  PickedEvent picked;
  if (PickSectionEvent(section, size, CurrentServiceId(), &picked)) TakeEvent(picked);
}

}  // namespace guide

extern "C" void OnDataArrival(int filterId, int length, const uint8_t* buffer) {
  using namespace guide;
  // Nothing is decoded while no filter runs (a delivery that races the stop
  // command must not leave bits in a stopped state, or the next channel
  // change would never start the filter again). Once the lines were shown,
  // only a change of programme is taken.
  // With the schedule on, every delivery goes to the section engine,
  // whatever eitState; the lines then come from its whole sections.
  int32_t s = eitState.load();
  const bool engine = ScheduleRunning();
  if (!engine && (s < kStateRunning || s > kStateShown)) return;
  // A null buffer or a negative length is ignored like any other bad size.
  int pack = DeliveryUnits(length);  // a trailing remainder is ignored
  if (buffer == nullptr || pack == 0) return;

  if (s >= kStateRunning && s < kStateShown && settings.titlemode.load() == kTitlemodeDump)
    AppendDebugDump(buffer, length);
  if (filterId != host::kEitFilterId) return;
  if (engine) {
    FeedScheduleUnits(buffer, static_cast<size_t>(length), pack);
    return;
  }

  for (int w = 0; w < pack; ++w) {
    UnitReader unit(buffer, static_cast<size_t>(length), static_cast<size_t>(w) * kUnitSize);
    DecodeUnit(unit);
  }
}
