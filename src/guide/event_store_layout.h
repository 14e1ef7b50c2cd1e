// The event store's memory as its two files see it: services, the 64-byte
// slots of events and their text, and an event read from a section.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/event_store.h"

namespace guide {

constexpr uint16_t kNoSlot = 0xFFFF;
constexpr int kStoreBuckets = 256;  // event ids of a service, by their low byte
// Tables kept: present/following (0x4E, index 0) and the schedule (0x50 to
// 0x5F, indexes 1 to 16).
constexpr int kStoreTables = 17;
constexpr uint8_t kNoVersion = 0xFF;

// Head flags.
constexpr uint8_t kFlagContent = 1;
constexpr uint8_t kFlagPresent = 2;    // carried by present/following section 0
constexpr uint8_t kFlagFollowing = 4;  // carried by present/following section 1
constexpr uint8_t kFlagStart = 8;      // start defined
constexpr uint8_t kFlagDuration = 16;  // duration defined

// The first slot of an event: its fields and the first bytes of its name
// and text (name, then text), which go on in tail slots.
struct EventHead {
  uint16_t nextInService;
  uint16_t nextInBucket;
  uint16_t tail;
  uint16_t eventId;
  int64_t start;
  int32_t duration;
  uint8_t service;
  uint8_t running;
  uint8_t content;
  uint8_t flags;
  uint8_t schedTable;  // the schedule table carrying it (1 to 16), 0 none
  uint8_t schedSection;
  uint8_t unused;
  char language[3];
  uint8_t nameLength, textLength;
  uint16_t detailLength;
  uint8_t bytes[30];
};
struct EventTail {
  uint16_t next;
  uint8_t bytes[62];
};
static_assert(sizeof(EventHead) == kStoreSlot, "an event head is one slot");
static_assert(sizeof(EventTail) == kStoreSlot, "a text tail is one slot");
constexpr int kHeadBytes = sizeof(EventHead::bytes);
constexpr int kTailBytes = sizeof(EventTail::bytes);

inline int SlotsFor(int textBytes) {
  return textBytes <= kHeadBytes ? 1 : 1 + (textBytes - kHeadBytes + kTailBytes - 1) / kTailBytes;
}

struct EventStore::Service {
  bool used;
  uint16_t serviceId;
  uint16_t transportStreamId, originalNetworkId;  // of its last section
  uint16_t first;  // its events, chained through nextInService
  int events;
  uint32_t touched;  // the store's touch_ when a section of it last came
  uint8_t version[kStoreTables];
  uint8_t seen[kStoreTables][32];  // sections of the current version held
  uint16_t buckets[kStoreBuckets];
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
};

}  // namespace guide
