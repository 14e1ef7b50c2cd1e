// The event store's space: 64-byte slots in blocks of 64 KB and what leaves
// the store (replaced, ended, or dropped to make room: the farthest events of
// the services not tuned first, and their sections read again when they come).
#include <cstdlib>
#include <cstring>

#include "guide/event_store.h"
#include "guide/event_store_layout.h"

namespace guide {
namespace {

constexpr size_t kBlockBytes = kStoreSlot * kStoreBlockSlots;
// Room is made for at least this share of the slots in use at once, so a
// full store does not search its events for every new one.
constexpr int kEvictShare = 16;
constexpr int kEvictBuckets = 64;
// The start from which events go is narrowed this many times at most.
constexpr int kEvictLevels = 4;
constexpr int64_t kNoStart = INT64_MAX;

EventHead* Head(uint8_t* slot) { return reinterpret_cast<EventHead*>(slot); }

}  // namespace

bool EventStore::Grow() {
  if (blockCount_ >= blockLimit_) return false;
  uint8_t* block = static_cast<uint8_t*>(std::malloc(kBlockBytes));
  if (block == nullptr) return false;
  blocks_[blockCount_] = block;
  const uint32_t first = static_cast<uint32_t>(blockCount_) * kStoreBlockSlots;
  ++blockCount_;
  for (int i = kStoreBlockSlots - 1; i >= 0; --i) GiveSlot(first + static_cast<uint32_t>(i));
  return true;
}

uint32_t EventStore::TakeSlot() {
  const uint32_t slot = freeSlot_;
  std::memcpy(&freeSlot_, SlotAt(slot), sizeof freeSlot_);
  --freeCount_;
  return slot;
}

void EventStore::GiveSlot(uint32_t slot) {
  std::memcpy(SlotAt(slot), &freeSlot_, sizeof freeSlot_);
  freeSlot_ = slot;
  ++freeCount_;
}

void EventStore::GiveChain(uint32_t slot) {
  // Tails chain through their first four bytes, as free slots do.
  while (slot != kNoSlot) {
    uint32_t next;
    std::memcpy(&next, SlotAt(slot), sizeof next);
    GiveSlot(slot);
    slot = next;
  }
}

bool EventStore::Reserve(int slots, uint16_t tunedService) {
  while (freeCount_ < slots) {
    if (blockCount_ < blockLimit_) {
      if (!Grow()) return false;  // the system refused: this event is dropped
      continue;
    }
    Evict(slots, tunedService);
    break;
  }
  return freeCount_ >= slots;
}

void EventStore::Unlink(int s, uint32_t* link) {
  // Off the service's list (*link holds it), off its bucket chain, and its
  // slots back to the free ones.
  Service& svc = services_[s];
  const uint32_t slot = *link;
  EventHead* h = Head(SlotAt(slot));
  *link = h->nextInService;
  for (uint32_t* b = &svc.buckets[h->eventId % kStoreBuckets]; *b != kNoSlot;
       b = &Head(SlotAt(*b))->nextInBucket) {
    if (*b == slot) {
      *b = h->nextInBucket;
      break;
    }
  }
  GiveChain(h->tail);
  ReleaseDescription(h->shared);
  GiveSlot(slot);
  --svc.events;
  --events_;
}

void EventStore::ClearService(int s) {
  Service& svc = services_[s];
  if (svc.used)
    while (svc.first != kNoSlot) Unlink(s, &svc.first);
  std::memset(&svc, 0, sizeof svc);
  svc.first = kNoSlot;
  std::memset(svc.version, kNoVersion, sizeof svc.version);
  for (uint32_t& b : svc.buckets) b = kNoSlot;
}

void EventStore::RemoveCarried(int s, int table) {
  for (uint32_t* link = &services_[s].first; *link != kNoSlot;) {
    EventHead* h = Head(SlotAt(*link));
    if (table == 0)
      h->flags &= static_cast<uint8_t>(~(kFlagPresent | kFlagFollowing));
    else if (h->schedTable == table)
      h->schedTable = 0;
    if ((h->flags & (kFlagPresent | kFlagFollowing)) == 0 && h->schedTable == 0)
      Unlink(s, link);
    else
      link = &h->nextInService;
  }
}

void EventStore::Forget(int s, uint32_t slot) {
  // The sections that carried a dropped event are no longer held: their
  // next repeat brings it back when there is room.
  const EventHead* h = Head(SlotAt(slot));
  uint8_t(&seen)[kStoreTables][32] = services_[s].seen;
  if (h->schedTable != 0)
    seen[h->schedTable][h->schedSection >> 3] &= static_cast<uint8_t>(~(1 << (h->schedSection & 7)));
  if ((h->flags & kFlagPresent) != 0) seen[0][0] &= static_cast<uint8_t>(~1);
  if ((h->flags & kFlagFollowing) != 0) seen[0][0] &= static_cast<uint8_t>(~2);
}

bool EventStore::Expire(int64_t clock, uint16_t tunedService) {
  if (clock <= kNoClock) return false;
  bool tunedLost = false, any = false;
  for (int s = 0; s < serviceCount_; ++s) {
    if (!services_[s].used) continue;
    for (uint32_t* link = &services_[s].first; *link != kNoSlot;) {
      EventHead* h = Head(SlotAt(*link));
      if ((h->flags & kFlagStart) != 0 && (h->flags & kFlagDuration) != 0 &&
          h->start + h->duration < clock - kKeepEndedSeconds) {
        Unlink(s, link);
        any = true;
        if (services_[s].serviceId == tunedService) tunedLost = true;
      } else {
        link = &h->nextInService;
      }
    }
  }
  if (any) {
    farRefused_ = false;  // room was made: farther events may come again
    ++changes_;
  }
  return tunedLost;
}

void EventStore::Evict(int slots, uint16_t tunedService) {
  const int inUse = blockCount_ * kStoreBlockSlots - freeCount_;
  const int target = slots > inUse / kEvictShare ? slots : inUse / kEvictShare;
  // Slots an event gives back: its own, and its description's when no other
  // event shares it.
  auto cost = [&](const EventHead* h) {
    int n = SlotsFor(h->nameLength + h->textLength + h->ownDetail);
    if (h->shared != kNoSlot) {
      const SharedHead* d = reinterpret_cast<const SharedHead*>(SlotAt(h->shared));
      if (d->refs == 1) n += SlotsFor(d->length, kSharedHeadBytes);
    }
    return n;
  };
  auto startOf = [](const EventHead* h) { return (h->flags & kFlagStart) != 0 ? h->start : kNoStart; };
  // First the services not fed since the tuned channel was tuned (another
  // stream's, or gone), then the others not tuned, then the tuned one: the
  // events from a start on go (an event without a start counts as the
  // farthest). The start is found by histograms of the starts, each inside
  // the last one's bucket that crossed the need, so near events stay when
  // far ones suffice.
  auto tier = [&](int s) {
    return services_[s].serviceId == tunedService ? 2 : services_[s].touched >= tunedSince_ ? 1 : 0;
  };
  for (int pass = 0; pass < 3 && freeCount_ < target; ++pass) {
    auto each = [&](auto&& visit) {
      for (int s = 0; s < serviceCount_; ++s) {
        if (!services_[s].used || tier(s) != pass) continue;
        for (uint32_t slot = services_[s].first; slot != kNoSlot;) {
          const EventHead* h = Head(SlotAt(slot));
          visit(h);
          slot = h->nextInService;
        }
      }
    };
    const int need = target - freeCount_;
    int have = 0;
    int64_t lo = kNoStart, hi = 0;
    each([&](const EventHead* h) {
      const int64_t start = startOf(h);
      if (start == kNoStart) {
        have += cost(h);
      } else {
        if (lo == kNoStart || start < lo) lo = start;
        if (start > hi) hi = start;
      }
    });
    int64_t from = kNoStart;
    if (have < need && lo != kNoStart) {
      from = lo;
      int64_t top = hi;
      for (int level = 0; level < kEvictLevels; ++level) {
        const int64_t width = (top - from) / kEvictBuckets + 1;
        int counts[kEvictBuckets] = {};
        const int64_t base = from;
        each([&](const EventHead* h) {
          const int64_t start = startOf(h);
          if (start >= base && start <= top) counts[(start - base) / width] += cost(h);
        });
        int b = kEvictBuckets;
        while (b > 0 && have < need) have += counts[--b];
        from = base + b * width;  // the events from here on give `have`
        if (have < need || width == 1 || have - need <= need / 4 || level + 1 == kEvictLevels)
          break;
        have -= counts[b];  // bucket b holds far more than needed: look inside it
        top = from + width - 1;
      }
    }
    for (int s = 0; s < serviceCount_; ++s) {
      if (!services_[s].used || tier(s) != pass) continue;
      for (uint32_t* link = &services_[s].first; *link != kNoSlot;) {
        EventHead* h = Head(SlotAt(*link));
        if (startOf(h) >= from) {
          Forget(s, *link);
          Unlink(s, link);
        } else {
          link = &h->nextInService;
        }
      }
    }
    // Of the streams' services not tuned, none farther comes in meanwhile.
    if (pass == 1 && (!farRefused_ || from < farFrom_)) farFrom_ = from;
    if (pass == 1) farRefused_ = true;
  }
}

StoreFigures EventStore::Figures() const {
  StoreFigures f = {};
  for (int s = 0; s < serviceCount_; ++s)
    if (services_[s].used && services_[s].events > 0) ++f.services;
  f.events = events_;
  const size_t fixed = sizeof(EventStore) + sizeof(Service) * serviceCount_;
  f.bytesReserved = fixed + static_cast<size_t>(blockCount_) * kBlockBytes;
  f.bytesUsed = fixed + static_cast<size_t>(blockCount_ * kStoreBlockSlots - freeCount_) * kStoreSlot;
  return f;
}

}  // namespace guide
