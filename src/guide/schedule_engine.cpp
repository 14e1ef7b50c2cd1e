// The schedule engine's life and its place on the data thread: made on the
// host's thread when the schedule is on, fed every delivery, dropped when it
// is turned off or the library unloads.
#include "guide/schedule_engine.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "common/channel_record.h"
#include "guide/event_store.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "guide/section_assembler.h"
#include "platform/lock.h"
#include "platform/win32.h"
#include "settings/settings.h"

namespace guide {
namespace {

// Expiry runs at most this often by the clock.
constexpr int64_t kExpiryPeriodSeconds = 60;

struct Engine {
  SectionAssembler assembler;
  EventStore* store = nullptr;
  int64_t lastExpiry = 0;
  // Of the delivery being read:
  uint16_t tuned = 0;
  int64_t clock = 0;
  bool tunedChanged = false;
};

// The schedule lock: after the EPG rows' lock and before the guide's in the
// plug-in's lock order (platform/lock.h). It keeps the engine and its store;
// the data thread holds it across a delivery, the host's thread while it
// installs or takes out the engine (made and dropped outside it), the host's
// or the timer's while it reads the store for the EPG panel's rows.
Lock scheduleLock;
Engine* engine TAVIK_GUARDED_BY(scheduleLock) TAVIK_PT_GUARDED_BY(scheduleLock) = nullptr;
std::atomic<bool> engineOn{false};     // engine != null, read without the lock
std::atomic<bool> resetAssembler{false};
std::atomic<uint32_t> scheduleSerial{1};
std::atomic<const OtherStreamHooks*> otherHooks{nullptr};
constexpr uint8_t kTableOtherPresentFollowing = 0x4F;
constexpr uint8_t kTableFirstOtherSchedule = 0x60;

Engine* MakeEngine() {
  void* memory = std::malloc(sizeof(Engine));
  if (memory == nullptr) return nullptr;
  Engine* e = new (memory) Engine;
  e->store = EventStore::Create();
  if (e->store == nullptr) {
    e->~Engine();
    std::free(memory);
    return nullptr;
  }
  e->store->TakeOtherStreams(true);  // those TakeSection lets through
  return e;
}

void DropEngine(Engine* e) {
  if (e == nullptr) return;
  EventStore::Destroy(e->store);
  e->~Engine();
  std::free(e);
}

// A whole section from the assembler: the tuned service's present or
// following section builds its line, and every section goes to the store.
void TakeSection(void* context, const uint8_t* section, size_t size) {
  Engine* e = static_cast<Engine*>(context);
  const OtherStreamHooks* other = otherHooks.load();
  const uint16_t serviceId = size > 4 ? static_cast<uint16_t>(section[3] << 8 | section[4]) : 0;
  // The stream ids follow the service id and the version, section and last
  // section numbers (bytes 8 to 11).
  const uint16_t streamId = size > 11 ? static_cast<uint16_t>(section[8] << 8 | section[9]) : 0;
  const uint16_t networkId = size > 11 ? static_cast<uint16_t>(section[10] << 8 | section[11]) : 0;
  if (section[0] == kTablePresentFollowing && size > 4 && serviceId == e->tuned) {
    DecodeSection(section, size);
    if (other != nullptr && size > 11) other->tunedIds(serviceId, streamId, networkId);
  }
  if ((section[0] == kTableOtherPresentFollowing || section[0] >= kTableFirstOtherSchedule) &&
      (other == nullptr || size <= 11 || !other->wanted(serviceId, streamId, networkId)))
    return;
  if (e->store->Put(section, size, e->clock, e->tuned)) e->tunedChanged = true;
}

}  // namespace

void PrepareSchedule() {
  resetAssembler = true;  // a channel change: the stream may be another's
  NoteScheduleChange();
  const bool wanted = settings.schedule.load() == 1;
  if (wanted == engineOn.load()) return;
  Engine* made = wanted ? MakeEngine() : nullptr;
  if (wanted && made == nullptr) return;  // tried again at the next channel change
  Engine* old;
  {
    LockGuard guard(scheduleLock);
    old = engine;
    engine = made;
    engineOn = made != nullptr;
  }
  DropEngine(old);
}

void ReleaseSchedule() {
  Engine* old;
  {
    LockGuard guard(scheduleLock);
    old = engine;
    engine = nullptr;
    engineOn = false;
  }
  DropEngine(old);
  NoteScheduleChange();
}

bool ScheduleRunning() { return engineOn.load(); }

void FeedScheduleUnits(const uint8_t* delivery, size_t length, int units) {
  LockGuard guard(scheduleLock);
  if (engine == nullptr) return;
  if (resetAssembler.exchange(false)) engine->assembler.Reset();
  engine->tuned = CurrentServiceId();
  engine->clock = win32::UtcNowSeconds();
  engine->tunedChanged = false;
  for (int w = 0; w < units && (static_cast<size_t>(w) + 1) * kUnitSize <= length; ++w)
    engine->assembler.Feed(delivery + static_cast<size_t>(w) * kUnitSize, &TakeSection, engine);
  if (engine->clock > kNoClock &&
      (engine->clock - engine->lastExpiry >= kExpiryPeriodSeconds ||
       engine->clock < engine->lastExpiry)) {
    if (engine->store->Expire(engine->clock, engine->tuned)) engine->tunedChanged = true;
    engine->lastExpiry = engine->clock;
  }
  if (engine->tunedChanged) NoteScheduleChange();
}

bool ReadSchedule(void (*read)(const EventStore& store, void* context), void* context) {
  LockGuard guard(scheduleLock);
  if (engine == nullptr) return false;
  read(*engine->store, context);
  return true;
}

bool WriteKeptSchedule(keep::ByteBuffer* out) {
  LockGuard guard(scheduleLock);
  if (engine == nullptr) return false;
  engine->store->WriteSnapshot(out);
  return true;
}

int RestoreKeptSchedule(const uint8_t* data, size_t size) {
  int taken;
  {
    LockGuard guard(scheduleLock);
    if (engine == nullptr) return -1;
    taken = engine->store->RestoreSnapshot(data, size, win32::UtcNowSeconds(), CurrentServiceId());
  }
  if (taken > 0) NoteScheduleChange();
  return taken;
}

uint32_t KeptScheduleChanges() {
  LockGuard guard(scheduleLock);
  return engine == nullptr ? 0 : engine->store->Changes();
}

void SetOtherStreamHooks(const OtherStreamHooks* hooks) { otherHooks = hooks; }

void NoteScheduleChange() { scheduleSerial.fetch_add(1, std::memory_order_relaxed); }

uint32_t ScheduleSerial() { return scheduleSerial.load(std::memory_order_relaxed); }

bool GetScheduleStats(ScheduleStats* out) {
  LockGuard guard(scheduleLock);
  if (engine == nullptr) return false;
  const StoreFigures f = engine->store->Figures();
  out->services = f.services;
  out->events = f.events;
  out->bytesReserved = f.bytesReserved + sizeof(Engine);
  out->bytesUsed = f.bytesUsed + sizeof(Engine);
  out->sectionsTaken = static_cast<long>(engine->assembler.counts().taken);
  out->sectionsFailed = static_cast<long>(engine->assembler.counts().failed);
  return true;
}

}  // namespace guide
