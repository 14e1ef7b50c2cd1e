// The event store's space: 64-byte slots in blocks of 64 KB, the text chains
// of events, and what leaves the store (replaced, ended, or dropped to make
// room: the farthest events of the services not tuned first).
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

EventHead* Head(uint8_t* slot) { return reinterpret_cast<EventHead*>(slot); }

int SlotsOf(const EventHead* h) { return SlotsFor(h->nameLength + h->textLength); }

}  // namespace

uint8_t* EventStore::SlotAt(uint16_t slot) const {
  return blocks_[slot / kStoreBlockSlots] + static_cast<size_t>(slot % kStoreBlockSlots) * kStoreSlot;
}

bool EventStore::Grow() {
  if (blockCount_ >= blockLimit_) return false;
  uint8_t* block = static_cast<uint8_t*>(std::malloc(kBlockBytes));
  if (block == nullptr) return false;
  blocks_[blockCount_] = block;
  const int first = blockCount_ * kStoreBlockSlots;
  ++blockCount_;
  for (int i = kStoreBlockSlots - 1; i >= 0; --i) {
    const uint16_t slot = static_cast<uint16_t>(first + i);
    std::memcpy(SlotAt(slot), &freeSlot_, sizeof freeSlot_);
    freeSlot_ = slot;
  }
  freeCount_ += kStoreBlockSlots;
  return true;
}

uint16_t EventStore::TakeSlot() {
  const uint16_t slot = freeSlot_;
  std::memcpy(&freeSlot_, SlotAt(slot), sizeof freeSlot_);
  --freeCount_;
  return slot;
}

void EventStore::GiveChain(uint16_t slot) {
  // Tails chain through their first two bytes, as free slots do.
  while (slot != kNoSlot) {
    uint16_t next;
    std::memcpy(&next, SlotAt(slot), sizeof next);
    std::memcpy(SlotAt(slot), &freeSlot_, sizeof freeSlot_);
    freeSlot_ = slot;
    ++freeCount_;
    slot = next;
  }
}

uint16_t EventStore::WriteText(uint16_t head, const Parsed& e) {
  EventHead* h = Head(SlotAt(head));
  h->nameLength = static_cast<uint8_t>(e.nameLength);
  h->textLength = static_cast<uint8_t>(e.textLength);
  h->detailLength = static_cast<uint16_t>(e.detailLength);
  // The bytes of name, text and detail, written into the head and then the tails.
  uint8_t all[2 * 255 + kMaxEventDetail];
  const int total = e.nameLength + e.textLength + e.detailLength;
  if (e.nameLength > 0) std::memcpy(all, e.name, static_cast<size_t>(e.nameLength));
  if (e.textLength > 0)
    std::memcpy(all + e.nameLength, e.text, static_cast<size_t>(e.textLength));
  if (e.detailLength > 0)
    std::memcpy(all + e.nameLength + e.textLength, e.detail, static_cast<size_t>(e.detailLength));
  int written = total < kHeadBytes ? total : kHeadBytes;
  std::memcpy(h->bytes, all, static_cast<size_t>(written));
  uint16_t first = kNoSlot;
  uint16_t* link = &first;
  while (written < total) {  // Reserve made room for every tail
    const uint16_t t = TakeSlot();
    EventTail* tail = reinterpret_cast<EventTail*>(SlotAt(t));
    tail->next = kNoSlot;
    const int n = total - written < kTailBytes ? total - written : kTailBytes;
    std::memcpy(tail->bytes, all + written, static_cast<size_t>(n));
    written += n;
    *link = t;
    link = &tail->next;
  }
  return first;
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

void EventStore::Unlink(int s, uint16_t* link) {
  // Off the service's list (*link holds it), off its bucket chain, and its
  // slots back to the free ones.
  Service& svc = services_[s];
  const uint16_t slot = *link;
  EventHead* h = Head(SlotAt(slot));
  *link = h->nextInService;
  for (uint16_t* b = &svc.buckets[h->eventId % kStoreBuckets]; *b != kNoSlot;
       b = &Head(SlotAt(*b))->nextInBucket) {
    if (*b == slot) {
      *b = h->nextInBucket;
      break;
    }
  }
  GiveChain(h->tail);
  std::memcpy(SlotAt(slot), &freeSlot_, sizeof freeSlot_);
  freeSlot_ = slot;
  ++freeCount_;
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
  for (uint16_t& b : svc.buckets) b = kNoSlot;
}

void EventStore::RemoveCarried(int s, int table) {
  for (uint16_t* link = &services_[s].first; *link != kNoSlot;) {
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

bool EventStore::Expire(int64_t clock, uint16_t tunedService) {
  if (clock <= kNoClock) return false;
  bool tunedLost = false;
  for (int s = 0; s < kStoreServices; ++s) {
    if (!services_[s].used) continue;
    for (uint16_t* link = &services_[s].first; *link != kNoSlot;) {
      EventHead* h = Head(SlotAt(*link));
      if ((h->flags & kFlagStart) != 0 && (h->flags & kFlagDuration) != 0 &&
          h->start + h->duration < clock - kKeepEndedSeconds) {
        Unlink(s, link);
        if (services_[s].serviceId == tunedService) tunedLost = true;
      } else {
        link = &h->nextInService;
      }
    }
  }
  return tunedLost;
}

void EventStore::Evict(int slots, uint16_t tunedService) {
  const int inUse = blockCount_ * kStoreBlockSlots - freeCount_;
  const int target = slots > inUse / kEvictShare ? slots : inUse / kEvictShare;
  // First the services not tuned, then the tuned one: the farthest events
  // go (an event without a start counts as the farthest), found by a
  // histogram of the starts so one pass over the events decides.
  for (int pass = 0; pass < 2 && freeCount_ < target; ++pass) {
    auto candidate = [&](int s) {
      return services_[s].used && (services_[s].serviceId == tunedService) == (pass == 1);
    };
    int64_t lo = 0, hi = 0;
    bool any = false;
    for (int s = 0; s < kStoreServices; ++s) {
      if (!candidate(s)) continue;
      for (uint16_t slot = services_[s].first; slot != kNoSlot;) {
        const EventHead* h = Head(SlotAt(slot));
        if ((h->flags & kFlagStart) != 0) {
          if (!any || h->start < lo) lo = h->start;
          if (!any || h->start > hi) hi = h->start;
          any = true;
        }
        slot = h->nextInService;
      }
    }
    const int64_t width = any ? (hi - lo) / kEvictBuckets + 1 : 1;
    auto bucketOf = [&](const EventHead* h) {
      return (h->flags & kFlagStart) == 0 ? kEvictBuckets : static_cast<int>((h->start - lo) / width);
    };
    int counts[kEvictBuckets + 1] = {};
    for (int s = 0; s < kStoreServices; ++s) {
      if (!candidate(s)) continue;
      for (uint16_t slot = services_[s].first; slot != kNoSlot;) {
        const EventHead* h = Head(SlotAt(slot));
        counts[bucketOf(h)] += SlotsOf(h);
        slot = h->nextInService;
      }
    }
    int from = kEvictBuckets + 1, freed = 0;
    while (from > 0 && freeCount_ + freed < target) freed += counts[--from];
    for (int s = 0; s < kStoreServices; ++s) {
      if (!candidate(s)) continue;
      for (uint16_t* link = &services_[s].first; *link != kNoSlot;) {
        EventHead* h = Head(SlotAt(*link));
        if (bucketOf(h) >= from)
          Unlink(s, link);
        else
          link = &h->nextInService;
      }
    }
  }
}

StoreFigures EventStore::Figures() const {
  StoreFigures f = {};
  for (int s = 0; s < kStoreServices; ++s)
    if (services_[s].used && services_[s].events > 0) ++f.services;
  f.events = events_;
  const size_t fixed = sizeof(EventStore) + sizeof(Service) * kStoreServices;
  f.bytesReserved = fixed + static_cast<size_t>(blockCount_) * kBlockBytes;
  f.bytesUsed = fixed + static_cast<size_t>(blockCount_ * kStoreBlockSlots - freeCount_) * kStoreSlot;
  return f;
}

}  // namespace guide
