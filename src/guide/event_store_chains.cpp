// The event store's chains: bytes written into a head slot and the tail
// slots after it, read back whole, and the shared descriptions that events
// with the same extended descriptors (reruns, series) point to, kept once.
#include <cstring>

#include "guide/event_store.h"
#include "guide/event_store_layout.h"

namespace guide {
namespace {

uint32_t HashOf(const uint8_t* bytes, int length) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (int i = 0; i < length; ++i) h = (h ^ bytes[i]) * 16777619u;
  return h;
}

SharedHead* Shared(uint8_t* slot) { return reinterpret_cast<SharedHead*>(slot); }

}  // namespace

uint32_t EventStore::WriteChain(uint8_t* headBytes, int headCapacity, const uint8_t* bytes,
                                int total) {
  int written = total < headCapacity ? total : headCapacity;
  if (written > 0) std::memcpy(headBytes, bytes, static_cast<size_t>(written));
  uint32_t first = kNoSlot;
  uint32_t* link = &first;
  while (written < total) {  // the caller reserved every tail
    const uint32_t t = TakeSlot();
    EventTail* tail = reinterpret_cast<EventTail*>(SlotAt(t));
    tail->next = kNoSlot;
    const int n = total - written < kTailBytes ? total - written : kTailBytes;
    std::memcpy(tail->bytes, bytes + written, static_cast<size_t>(n));
    written += n;
    *link = t;
    link = &tail->next;
  }
  return first;
}

void EventStore::ReadChain(const uint8_t* headBytes, int headCapacity, uint32_t tail,
                           uint8_t* out, int total) const {
  int copied = total < headCapacity ? total : headCapacity;
  if (copied > 0) std::memcpy(out, headBytes, static_cast<size_t>(copied));
  for (uint32_t t = tail; t != kNoSlot && copied < total;) {
    const EventTail* slot = reinterpret_cast<const EventTail*>(SlotAt(t));
    const int n = total - copied < kTailBytes ? total - copied : kTailBytes;
    std::memcpy(out + copied, slot->bytes, static_cast<size_t>(n));
    copied += n;
    t = slot->next;
  }
}

uint32_t EventStore::ShareDescription(const uint8_t* bytes, int length) {
  const uint32_t hash = HashOf(bytes, length);
  uint32_t* bucket = &sharedBuckets_[hash % kSharedBuckets];
  uint8_t held[kMaxEventDetail];
  for (uint32_t slot = *bucket; slot != kNoSlot;) {
    SharedHead* d = Shared(SlotAt(slot));
    if (d->hash == hash && d->length == length) {
      ReadChain(d->bytes, kSharedHeadBytes, d->tail, held, length);
      if (std::memcmp(held, bytes, static_cast<size_t>(length)) == 0) {
        ++d->refs;
        return slot;
      }
    }
    slot = d->nextInBucket;
  }
  const uint32_t slot = TakeSlot();  // the caller reserved its slots
  SharedHead* d = Shared(SlotAt(slot));
  d->refs = 1;
  d->hash = hash;
  d->length = static_cast<uint16_t>(length);
  d->tail = WriteChain(d->bytes, kSharedHeadBytes, bytes, length);
  d->nextInBucket = *bucket;
  *bucket = slot;
  return slot;
}

void EventStore::ReleaseDescription(uint32_t shared) {
  if (shared == kNoSlot) return;
  SharedHead* d = Shared(SlotAt(shared));
  if (--d->refs > 0) return;
  for (uint32_t* b = &sharedBuckets_[d->hash % kSharedBuckets]; *b != kNoSlot;
       b = &Shared(SlotAt(*b))->nextInBucket) {
    if (*b == shared) {
      *b = d->nextInBucket;
      break;
    }
  }
  GiveChain(d->tail);
  GiveSlot(shared);
}

}  // namespace guide
