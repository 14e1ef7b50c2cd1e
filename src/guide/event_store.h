// The events of every service from whole sections of the present/following
// and schedule tables of the actual stream (and, when asked, of other
// streams), in a bounded store: at most 256
// services and 8 MB in all, whatever the stream sends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keep {
class ByteBuffer;
}

namespace guide {

struct EventHead;

constexpr int kStoreServices = 256;
constexpr size_t kStoreBudget = size_t(8) << 20;  // the store and its engine, in all
// Events and their text live in 64-byte slots taken from blocks of 64 KB,
// allocated as the store fills; a failed allocation drops the event it was
// for. A full store first drops the farthest events of the services not fed
// since the channel change, then of the others not tuned, and takes none of
// theirs farther than what it dropped until room is made.
// A description that several events carry (reruns, series) is kept once.
constexpr size_t kStoreSlot = 64;
constexpr int kStoreBlockSlots = 1024;
constexpr int kStoreMaxBlocks = 123;  // with the fixed part, within the budget
// Events that ended this long before the clock go.
constexpr int64_t kKeepEndedSeconds = 3600;
// A clock at or below this keeps every event (a recording read by the tools).
constexpr int64_t kNoClock = 0;

// Where an event stands in its service's schedule.
struct EventKey {
  int64_t startUtc;  // seconds since 1970 UTC; 0 when the start is undefined
  int32_t duration;  // seconds; 0 when undefined
  uint16_t eventId;
  bool present;      // the present section of present/following names it
  bool following;    // the following section names it
};

// What an event keeps beyond its name and short text, as broadcast: its
// content, parental rating and component descriptors, then its extended
// event descriptors of one language (the short event's, else the first),
// each whole (tag, length, body), in the order the section carried them.
// Read with the decoder's views; joined, converted and named only when shown.
// Sixteen whole extended descriptors fit beside the others; a descriptor
// that does not fit whole is left out.
constexpr int kMaxEventDetail = 4608;

// One event as broadcast: the name and short text with their
// character-table bytes, converted only when shown.
struct StoredEvent {
  EventKey key;
  uint8_t running;     // running_status
  bool hasContent;
  uint8_t content;     // the first content descriptor's nibbles (level 1 high)
  char language[4];    // the short event's ISO 639 code, or ""
  uint8_t nameLength, textLength;
  uint8_t name[255];
  uint8_t text[255];
  uint16_t detailLength;
  uint8_t detail[kMaxEventDetail];
};

struct StoreFigures {
  int services, events;
  size_t bytesReserved;  // the fixed part and the blocks taken from the system
  size_t bytesUsed;      // the fixed part and the slots in use
};

class EventStore {
 public:
  // A store of its fixed part (its blocks come as events do), or null when
  // the memory cannot be had. Made and dropped on the host's thread.
  static EventStore* Create(int maxBlocks = kStoreMaxBlocks);
  static void Destroy(EventStore* store);

  // A whole section whose CRC held. Sections of other tables, of a version
  // not yet current, or repeating one already held are passed over. Events
  // that ended before clock - kKeepEndedSeconds are not taken. Events of
  // tunedService are the last to be dropped when the store is full. Returns
  // true when the events of tunedService changed.
  bool Put(const uint8_t* section, size_t size, int64_t clock, uint16_t tunedService);
  // Whether sections of other streams' tables (0x4F, 0x60 to 0x6F) are
  // taken, by the same rules, for services the actual stream does not
  // describe (off as made: the caller chooses which services they are for).
  void TakeOtherStreams(bool on) { takeOther_ = on; }
  // Drops the events that ended before clock - kKeepEndedSeconds; true when
  // tunedService lost one.
  bool Expire(int64_t clock, uint16_t tunedService);

  // The service ids held, in the order they came; returns how many.
  int Services(uint16_t* out, int capacity) const;
  // The transport stream and original network ids of serviceId's last
  // section; false when it is not held.
  bool StreamIds(uint16_t serviceId, uint16_t* transportStreamId, uint16_t* networkId) const;
  // Events of serviceId.
  int EventCount(uint16_t serviceId) const;
  // Up to capacity of serviceId's events' keys, in no order; returns how many.
  int Keys(uint16_t serviceId, EventKey* out, int capacity) const;
  // The event eventId of serviceId; false when it is not held.
  bool Find(uint16_t serviceId, uint16_t eventId, StoredEvent* out) const;
  StoreFigures Figures() const;
  // Counts the events taken and the expiries: grows whenever what is held changed.
  uint32_t Changes() const { return changes_; }

  // event_store_snapshot.cpp: every service (with its stream ids) and every
  // event whole, appended to out; and such bytes back into the store through
  // its own insertion path, so its bounds hold. Events that ended before
  // clock - kKeepEndedSeconds are passed over, and so are a sub-table the
  // stream already gave and an event the store holds; the first section of a
  // restored sub-table replaces what the bytes gave. Returns the events taken,
  // or -1 (nothing changed) when the bytes are not a whole snapshot.
  void WriteSnapshot(keep::ByteBuffer* out) const;
  int RestoreSnapshot(const uint8_t* data, size_t size, int64_t clock, uint16_t tunedService);

  struct Service;
  struct Parsed;

 private:
  EventStore() = default;
  ~EventStore() = default;

  // event_store.cpp: sections and their events.
  int ServiceIndex(uint16_t serviceId) const;
  bool GrowServices();
  int Admit(uint16_t serviceId, uint16_t tunedService);
  bool Upsert(int service, const Parsed& event, int table, uint8_t section, uint16_t tuned);
  EventHead* HeadOf(int service, uint16_t eventId);
  // event_store_space.cpp: slots, blocks, chains and what leaves the store.
  uint8_t* SlotAt(uint32_t slot) const;
  bool Reserve(int slots, uint16_t tunedService);
  uint32_t TakeSlot();
  void GiveSlot(uint32_t slot);
  void GiveChain(uint32_t slot);
  uint32_t WriteChain(uint8_t* headBytes, int headCapacity, const uint8_t* bytes, int total);
  void ReadChain(const uint8_t* headBytes, int headCapacity, uint32_t tail, uint8_t* out,
                 int total) const;
  bool ChainHolds(const uint8_t* headBytes, int headCapacity, uint32_t tail, const uint8_t* bytes,
                  int total) const;
  uint32_t ShareDescription(const uint8_t* bytes, int length);
  void ReleaseDescription(uint32_t shared);
  void Unlink(int service, uint32_t* link);
  void ClearService(int service);
  void RemoveCarried(int service, int table);
  void Forget(int service, uint32_t head);
  void Evict(int slots, uint16_t tunedService);
  bool Grow();

  Service* services_;
  int serviceCount_;  // services_ holds this many, kStoreServices at most
  uint8_t* blocks_[kStoreMaxBlocks];
  int blockCount_, blockLimit_;
  uint32_t freeSlot_;  // the first free slot, chained through the slots
  int freeCount_;
  int events_;
  uint32_t touch_;     // counts Put calls: which service was fed last
  uint32_t changes_;
  bool takeOther_;
  uint16_t lastTuned_;
  uint32_t tunedSince_;  // touch_ when the tuned service last changed
  // While set, events of services not tuned that start at or after farFrom_
  // (or have no start) are not taken: the store dropped such events for room.
  bool farRefused_;
  int64_t farFrom_;
  uint32_t sharedBuckets_[4096];  // kSharedBuckets chains of shared descriptions
};

}  // namespace guide
