// The event store's memory as its files see it: services, the 64-byte slots
// of events, their text and their shared descriptions, and an event read
// from a section.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/event_store.h"

namespace guide {

// A slot's number: block * kStoreBlockSlots + its place in the block.
using Slot = uint32_t;
constexpr Slot kNoSlot = 0xFFFFFFFFu;
constexpr int kStoreFirstServices = 64;  // services a new store has room for
constexpr int kStoreBuckets = 64;  // event ids of a service, by their low bits
// Shared descriptions by their hash.
constexpr int kSharedBuckets = 4096;
// Tables kept: present/following (0x4E, or 0x4F of another stream, index 0)
// and the schedule (0x50 to 0x5F, or 0x60 to 0x6F, indexes 1 to 16).
constexpr int kStoreTables = 17;
constexpr uint8_t kNoVersion = 0xFF;

// Head flags.
constexpr uint8_t kFlagContent = 1;
constexpr uint8_t kFlagPresent = 2;    // carried by present/following section 0
constexpr uint8_t kFlagFollowing = 4;  // carried by present/following section 1
constexpr uint8_t kFlagStart = 8;      // start defined
constexpr uint8_t kFlagDuration = 16;  // duration defined

// The first slot of an event: its fields and the first bytes of its own
// chain (name, text, then its content, rating and component descriptors),
// which goes on in tail slots. Its extended descriptors live in a shared
// description that every event with the same bytes points to.
struct EventHead {
  Slot nextInService;
  Slot nextInBucket;
  Slot tail;
  Slot shared;  // its SharedHead, kNoSlot without extended descriptors
  int64_t start;
  int32_t duration;
  uint16_t eventId;
  uint8_t service;
  uint8_t running;
  uint8_t content;
  uint8_t flags;
  uint8_t schedTable;  // the schedule table carrying it (1 to 16), 0 none
  uint8_t schedSection;
  char language[3];
  uint8_t nameLength, textLength;
  uint8_t unused;
  uint16_t ownDetail;  // detail bytes in its own chain, before the shared ones
  uint8_t bytes[20];
};
// A description as broadcast (extended event descriptors, whole), kept once
// for every event that carries the same bytes (reruns, series).
struct SharedHead {
  Slot nextInBucket;
  Slot tail;
  uint32_t refs;  // events pointing to it
  uint32_t hash;
  uint16_t length;
  uint8_t bytes[46];
};
struct EventTail {
  Slot next;
  uint8_t bytes[60];
};
static_assert(sizeof(EventHead) == kStoreSlot, "an event head is one slot");
static_assert(sizeof(SharedHead) == kStoreSlot, "a description head is one slot");
static_assert(sizeof(EventTail) == kStoreSlot, "a text tail is one slot");
constexpr int kHeadBytes = sizeof(EventHead::bytes);
constexpr int kSharedHeadBytes = sizeof(SharedHead::bytes);
constexpr int kTailBytes = sizeof(EventTail::bytes);

// Slots of a chain of `bytes` whose first slot holds headBytes of them.
inline int SlotsFor(int bytes, int headBytes = kHeadBytes) {
  return bytes <= headBytes ? 1 : 1 + (bytes - headBytes + kTailBytes - 1) / kTailBytes;
}

inline uint8_t* EventStore::SlotAt(uint32_t slot) const {
  return blocks_[slot / kStoreBlockSlots] + static_cast<size_t>(slot % kStoreBlockSlots) * kStoreSlot;
}

// Which stream's tables a service's events came from.
constexpr uint8_t kFromNone = 0;  // none yet, or the kept file
constexpr uint8_t kFromActual = 1;
constexpr uint8_t kFromOther = 2;

struct EventStore::Service {
  bool used;
  uint8_t origin;  // kFromNone, kFromActual, kFromOther
  uint16_t serviceId;
  uint16_t transportStreamId, originalNetworkId;  // of its last section
  Slot first;  // its events, chained through nextInService
  int events;
  uint32_t touched;  // the store's touch_ when a section of it last came
  uint8_t version[kStoreTables];
  uint8_t seen[kStoreTables][32];  // sections of the current version held
  Slot buckets[kStoreBuckets];
};

// An event as a section carries it (name and text point into the section).
struct EventStore::Parsed {
  uint16_t eventId;
  int64_t start;
  int32_t duration;
  uint8_t flags;  // kFlagStart, kFlagDuration, kFlagContent
  uint8_t running;
  uint8_t content;
  char language[3];
  const uint8_t* name;
  int nameLength;
  const uint8_t* text;
  int textLength;
  uint8_t detail[kMaxEventDetail];  // see StoredEvent::detail
  int detailLength;
  int ownDetail;  // of detail, the bytes before the extended descriptors
};

// Whether an event ended before clock - kKeepEndedSeconds (a clock of
// kNoClock keeps every event).
inline bool EndedBefore(const EventStore::Parsed& e, int64_t clock) {
  return clock > kNoClock && (e.flags & kFlagStart) != 0 && (e.flags & kFlagDuration) != 0 &&
         e.start + e.duration < clock - kKeepEndedSeconds;
}

}  // namespace guide
