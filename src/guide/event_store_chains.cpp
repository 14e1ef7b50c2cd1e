// The event store's chains: bytes written into a head slot and the tail
// slots after it, read back whole, and the shared descriptions that events
// with the same extended descriptors (reruns, series) point to, kept once.
#include <cstring>

#include "guide/event_store.h"
#include "guide/event_store_layout.h"

namespace guide {
namespace {

// A description is hashed each time an event brings it, so the hash reads
// its length, its first and last 64 bytes and every 32nd byte between them,
// eight bytes a step; descriptions that differ elsewhere only share a chain.
uint32_t HashOf(const uint8_t* bytes, int length) {
  uint64_t h = 0x9E3779B97F4A7C15u ^ static_cast<uint64_t>(length);
  auto mix = [&](int at) {
    uint64_t word;
    std::memcpy(&word, bytes + at, 8);
    h = (h ^ word) * 0xFF51AFD7ED558CCDu;
    h ^= h >> 32;
  };
  if (length < 8) {
    for (int i = 0; i < length; ++i) h = (h ^ bytes[i]) * 0x100000001B3u;
  } else {
    for (int at = 0; at < 64 && at + 8 <= length; at += 8) mix(at);
    for (int at = 64; at + 72 <= length; at += 32) mix(at);
    for (int at = length - 64 > 0 ? length - 64 : 0; at + 8 <= length; at += 8) mix(at);
    mix(length - 8);
  }
  return static_cast<uint32_t>(h ^ (h >> 29));
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

bool EventStore::ChainHolds(const uint8_t* headBytes, int headCapacity, uint32_t tail,
                            const uint8_t* bytes, int total) const {
  int at = total < headCapacity ? total : headCapacity;
  if (std::memcmp(headBytes, bytes, static_cast<size_t>(at)) != 0) return false;
  for (uint32_t t = tail; t != kNoSlot && at < total;) {
    const EventTail* slot = reinterpret_cast<const EventTail*>(SlotAt(t));
    const int n = total - at < kTailBytes ? total - at : kTailBytes;
    if (std::memcmp(slot->bytes, bytes + at, static_cast<size_t>(n)) != 0) return false;
    at += n;
    t = slot->next;
  }
  return at == total;
}

uint32_t EventStore::ShareDescription(const uint8_t* bytes, int length) {
  const uint32_t hash = HashOf(bytes, length);
  uint32_t* bucket = &sharedBuckets_[hash % kSharedBuckets];
  for (uint32_t slot = *bucket; slot != kNoSlot;) {
    SharedHead* d = Shared(SlotAt(slot));
    if (d->hash == hash && d->length == length &&
        ChainHolds(d->bytes, kSharedHeadBytes, d->tail, bytes, length)) {
      ++d->refs;
      return slot;
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
