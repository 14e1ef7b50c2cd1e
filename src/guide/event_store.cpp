// The event store's sections: what a present/following or schedule section
// brings, the versions that replace what a sub-table carried, and what
// readers get back.
#include "guide/event_store.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "guide/broadcast_time.h"
#include "guide/eit_decoder.h"
#include "guide/event_store_layout.h"

namespace guide {
namespace {

// Other streams' tables (0x4F, 0x60 to 0x6F) take the places of the actual
// stream's: for one service, one or the other is kept.
int TableIndex(uint8_t table, bool other) {
  if (table == 0x4E || (other && table == 0x4F)) return 0;
  if (table >= 0x50 && table <= 0x5F) return 1 + (table - 0x50);
  if (other && table >= 0x60 && table <= 0x6F) return 1 + (table - 0x60);
  return -1;
}

bool OtherStream(uint8_t table) { return table == 0x4F || table >= 0x60; }

// Appends descriptor d whole to the event's detail when it fits whole.
void KeepDetail(const Descriptor& d, EventStore::Parsed* e) {
  const int size = 2 + static_cast<int>(d.body.size);
  if (e->detailLength + size > kMaxEventDetail) return;
  uint8_t* at = e->detail + e->detailLength;
  at[0] = d.tag;
  at[1] = static_cast<uint8_t>(d.body.size);
  if (d.body.size > 0) std::memcpy(at + 2, d.body.data, d.body.size);
  e->detailLength += size;
}

// What the store keeps of a decoded event: its times as seconds, its first
// well-formed short event, its first content pair and its detail (see
// StoredEvent::detail): the small descriptors first, so a long description
// never crowds out a rating or a mark, then the extended descriptors of the
// short event's language (else of the first). One walk of the loop finds all
// but the extended ones, which a second walk takes when there are any.
void KeepOfEvent(const EitEvent& event, EventStore::Parsed* e) {
  e->nameLength = e->textLength = e->detailLength = e->ownDetail = 0;
  e->name = e->text = nullptr;
  e->flags = e->running = e->content = 0;
  e->start = 0;
  e->duration = 0;
  std::memset(e->language, 0, sizeof e->language);
  e->eventId = event.eventId;
  if (StartUtcSeconds(event.startMjd, event.startHour, event.startMinute, event.startSecond,
                      &e->start))
    e->flags |= kFlagStart;
  if (DurationSeconds(event.durationBcd, &e->duration)) e->flags |= kFlagDuration;
  e->running = event.running;
  Descriptor d;
  ShortEventView shortEvent;
  ContentView content;
  ExtendedEventView extended;
  bool named = false;
  const uint8_t* language = nullptr;  // of the first extended descriptor
  for (DescriptorCursor cursor(event.descriptors); cursor.Next(&d);) {
    if (d.tag == 0x54 || d.tag == 0x55 || d.tag == 0x50) KeepDetail(d, e);
    if (!named && ReadShortEvent(d, &shortEvent)) {  // broadcasters put others before it
      named = true;
      std::memcpy(e->language, shortEvent.language.data, 3);
      e->name = shortEvent.name.data;
      e->nameLength = static_cast<int>(shortEvent.name.size);
      e->text = shortEvent.text.data;
      e->textLength = static_cast<int>(shortEvent.text.size);
    } else if ((e->flags & kFlagContent) == 0 && ReadContent(d, &content) &&
               content.Count() > 0) {
      e->content = content.Genre(0);
      e->flags |= kFlagContent;
    } else if (language == nullptr && ReadExtendedEvent(d, &extended)) {
      language = extended.language.data;
    }
  }
  e->ownDetail = e->detailLength;
  if (language == nullptr) return;
  if (named) language = reinterpret_cast<const uint8_t*>(e->language);
  for (DescriptorCursor cursor(event.descriptors); cursor.Next(&d);)
    if (ReadExtendedEvent(d, &extended) && std::memcmp(extended.language.data, language, 3) == 0)
      KeepDetail(d, e);
}

}  // namespace

// The fixed part and every block, with room for the engine beside them.
static_assert(sizeof(EventStore) + sizeof(EventStore::Service) * kStoreServices +
                      size_t(kStoreMaxBlocks) * kStoreBlockSlots * kStoreSlot + (64u << 10) <=
                  kStoreBudget,
              "the store within its budget");

EventStore* EventStore::Create(int maxBlocks) {
  static_assert(sizeof(sharedBuckets_) == kSharedBuckets * sizeof(Slot), "shared buckets");
  void* memory = std::malloc(sizeof(EventStore));
  void* services = std::malloc(sizeof(Service) * kStoreFirstServices);
  if (memory == nullptr || services == nullptr) {
    std::free(memory);
    std::free(services);
    return nullptr;
  }
  EventStore* store = new (memory) EventStore;
  store->services_ = static_cast<Service*>(services);
  std::memset(store->services_, 0, sizeof(Service) * kStoreFirstServices);
  store->serviceCount_ = kStoreFirstServices;
  store->blockCount_ = 0;
  store->blockLimit_ = maxBlocks < 1 ? 1 : maxBlocks > kStoreMaxBlocks ? kStoreMaxBlocks : maxBlocks;
  store->freeSlot_ = kNoSlot;
  store->freeCount_ = 0;
  store->events_ = 0;
  store->touch_ = 0;
  store->changes_ = 0;
  store->takeOther_ = false;
  store->lastTuned_ = 0;
  store->tunedSince_ = 0;
  store->farRefused_ = false;
  store->farFrom_ = 0;
  for (uint32_t& b : store->sharedBuckets_) b = kNoSlot;
  store->Grow();  // the first block on the host's thread: a small stream needs no other
  return store;
}

void EventStore::Destroy(EventStore* store) {
  if (store == nullptr) return;
  for (int b = 0; b < store->blockCount_; ++b) std::free(store->blocks_[b]);
  std::free(store->services_);
  store->~EventStore();
  std::free(store);
}

int EventStore::ServiceIndex(uint16_t serviceId) const {
  for (int s = 0; s < serviceCount_; ++s)
    if (services_[s].used && services_[s].serviceId == serviceId) return s;
  return -1;
}

bool EventStore::GrowServices() {
  // Services come in 64 at a time, up to kStoreServices: a stream's few need
  // no room for a satellite's many. Their indexes stay as they are.
  if (serviceCount_ >= kStoreServices) return false;
  const int count = serviceCount_ * 2 < kStoreServices ? serviceCount_ * 2 : kStoreServices;
  Service* grown = static_cast<Service*>(std::malloc(sizeof(Service) * count));
  if (grown == nullptr) return false;
  std::memcpy(grown, services_, sizeof(Service) * serviceCount_);
  std::memset(grown + serviceCount_, 0, sizeof(Service) * (count - serviceCount_));
  std::free(services_);
  services_ = grown;
  serviceCount_ = count;
  return true;
}

int EventStore::Admit(uint16_t serviceId, uint16_t tunedService) {
  int pick = -1;
  for (int s = 0; s < serviceCount_ && pick < 0; ++s)
    if (!services_[s].used) pick = s;
  const int count = serviceCount_;
  if (pick < 0 && GrowServices()) pick = count;
  // A service without events gives its place; the tuned one takes the place
  // of the service not tuned that was fed longest ago.
  for (int s = 0; s < serviceCount_ && pick < 0; ++s)
    if (services_[s].events == 0 && services_[s].serviceId != tunedService) pick = s;
  if (pick < 0 && serviceId == tunedService) {
    for (int s = 0; s < serviceCount_; ++s)
      if (services_[s].serviceId != tunedService &&
          (pick < 0 || services_[s].touched < services_[pick].touched))
        pick = s;
  }
  if (pick < 0) return -1;
  ClearService(pick);
  Service& svc = services_[pick];
  svc.used = true;
  svc.serviceId = serviceId;
  return pick;
}

bool EventStore::Put(const uint8_t* section, size_t size, int64_t clock, uint16_t tunedService) {
  EitHeader header;
  ByteView events;
  if (!ReadEitSection(section, size, &header, &events)) return false;
  const int table = TableIndex(header.tableId, takeOther_);
  if (table < 0 || !header.current) return false;
  const uint8_t origin = OtherStream(header.tableId) ? kFromOther : kFromActual;
  bool tunedChangedByOrigin = false;
  const uint16_t serviceId = header.serviceId;
  const uint8_t version = header.version;
  const uint8_t number = header.sectionNumber;
  ++touch_;
  if (tunedService != lastTuned_) {  // a channel change: the services not fed since give room first
    lastTuned_ = tunedService;
    tunedSince_ = touch_;
    farRefused_ = false;
  }
  int s = ServiceIndex(serviceId);
  if (s >= 0 && services_[s].origin != origin) {
    // The service's own stream tells more than another's: its tables replace
    // the other's, and the other's are passed over while it has them.
    if (origin == kFromOther && services_[s].origin == kFromActual) return false;
    bool changed = false;
    if (services_[s].origin == kFromOther) {
      const int before = services_[s].events;
      for (int t = 0; t < kStoreTables; ++t) RemoveCarried(s, t);
      std::memset(services_[s].version, kNoVersion, sizeof services_[s].version);
      changed = services_[s].events != before;
    }
    services_[s].origin = origin;
    if (changed && serviceId == tunedService) tunedChangedByOrigin = true;
  }
  if (s < 0) {
    s = Admit(serviceId, tunedService);
    if (s >= 0) services_[s].origin = origin;
  }
  if (s < 0) return false;
  services_[s].touched = touch_;
  services_[s].transportStreamId = header.transportStreamId;
  services_[s].originalNetworkId = header.originalNetworkId;
  bool changed = false;
  uint8_t* seen = services_[s].seen[table];
  if (services_[s].version[table] != version) {
    // A new version of the sub-table replaces everything it carried.
    if (services_[s].version[table] != kNoVersion) {
      const int before = services_[s].events;
      RemoveCarried(s, table);
      changed = services_[s].events != before;
    }
    services_[s].version[table] = version;
    std::memset(seen, 0, sizeof services_[s].seen[table]);
  } else if ((seen[number >> 3] & (1 << (number & 7))) != 0) {
    return false;  // a repeat
  }
  seen[number >> 3] |= static_cast<uint8_t>(1 << (number & 7));
  EitEventCursor cursor(events);
  EitEvent event;
  bool dropped = false;
  while (cursor.Next(&event)) {
    Parsed e;
    KeepOfEvent(event, &e);
    if (EndedBefore(e, clock)) continue;
    if (Upsert(s, e, table, number, tunedService))
      changed = true;
    else
      dropped = true;
  }
  // A section not taken whole is not held: its next repeat brings the rest
  // when there is room.
  if (dropped) seen[number >> 3] &= static_cast<uint8_t>(~(1 << (number & 7)));
  return (changed && serviceId == tunedService) || tunedChangedByOrigin;
}

bool EventStore::Upsert(int s, const Parsed& e, int table, uint8_t section, uint16_t tuned) {
  Service& svc = services_[s];
  // A full store takes no event of a service not tuned farther than those
  // it dropped for room.
  if (svc.serviceId != tuned && farRefused_ && ((e.flags & kFlagStart) == 0 || e.start >= farFrom_))
    return false;
  // Room first: what it frees may be this service's own events.
  const int own = e.nameLength + e.textLength + e.ownDetail;
  const int described = e.detailLength - e.ownDetail;
  if (!Reserve(SlotsFor(own) + (described > 0 ? SlotsFor(described, kSharedHeadBytes) : 0), tuned))
    return false;
  Slot* bucket = &svc.buckets[e.eventId % kStoreBuckets];
  Slot slot = *bucket;
  while (slot != kNoSlot && reinterpret_cast<EventHead*>(SlotAt(slot))->eventId != e.eventId)
    slot = reinterpret_cast<EventHead*>(SlotAt(slot))->nextInBucket;
  EventHead* h;
  uint8_t carriers = 0;
  if (slot == kNoSlot) {
    slot = TakeSlot();
    h = reinterpret_cast<EventHead*>(SlotAt(slot));
    std::memset(h, 0, sizeof *h);
    h->eventId = e.eventId;
    h->shared = kNoSlot;
    h->service = static_cast<uint8_t>(s);
    h->nextInService = svc.first;
    svc.first = slot;
    h->nextInBucket = *bucket;
    *bucket = slot;
    ++svc.events;
    ++events_;
  } else {
    h = reinterpret_cast<EventHead*>(SlotAt(slot));
    GiveChain(h->tail);
    carriers = h->flags & (kFlagPresent | kFlagFollowing);
  }
  // The new description first, so one the event keeps is not let go.
  const Slot shared = described > 0 ? ShareDescription(e.detail + e.ownDetail, described) : kNoSlot;
  ReleaseDescription(h->shared);
  h->shared = shared;
  h->tail = kNoSlot;
  h->start = e.start;
  h->duration = e.duration;
  h->running = e.running;
  h->content = e.content;
  if (table == 0)
    carriers = (section & 1) == 0 ? kFlagPresent : kFlagFollowing;
  else {
    h->schedTable = static_cast<uint8_t>(table);
    h->schedSection = section;
  }
  h->flags = static_cast<uint8_t>(e.flags | carriers);
  std::memcpy(h->language, e.language, sizeof h->language);
  h->nameLength = static_cast<uint8_t>(e.nameLength);
  h->textLength = static_cast<uint8_t>(e.textLength);
  h->ownDetail = static_cast<uint16_t>(e.ownDetail);
  // Its own chain: name, text, then the descriptors before the description.
  uint8_t bytes[2 * 255 + kMaxEventDetail];
  if (e.nameLength > 0) std::memcpy(bytes, e.name, static_cast<size_t>(e.nameLength));
  if (e.textLength > 0) std::memcpy(bytes + e.nameLength, e.text, static_cast<size_t>(e.textLength));
  if (e.ownDetail > 0)
    std::memcpy(bytes + e.nameLength + e.textLength, e.detail, static_cast<size_t>(e.ownDetail));
  h->tail = WriteChain(h->bytes, kHeadBytes, bytes, own);
  ++changes_;
  return true;
}

int EventStore::Services(uint16_t* out, int capacity) const {
  int n = 0;
  for (int s = 0; s < serviceCount_ && n < capacity; ++s)
    if (services_[s].used && services_[s].events > 0) out[n++] = services_[s].serviceId;
  return n;
}

bool EventStore::StreamIds(uint16_t serviceId, uint16_t* transportStreamId,
                           uint16_t* networkId) const {
  const int s = ServiceIndex(serviceId);
  if (s < 0) return false;
  *transportStreamId = services_[s].transportStreamId;
  *networkId = services_[s].originalNetworkId;
  return true;
}

int EventStore::EventCount(uint16_t serviceId) const {
  const int s = ServiceIndex(serviceId);
  return s < 0 ? 0 : services_[s].events;
}

int EventStore::Keys(uint16_t serviceId, EventKey* out, int capacity) const {
  const int s = ServiceIndex(serviceId);
  int n = 0;
  for (Slot slot = s < 0 ? kNoSlot : services_[s].first; slot != kNoSlot && n < capacity;) {
    const EventHead* h = reinterpret_cast<const EventHead*>(SlotAt(slot));
    EventKey& k = out[n++];
    k.startUtc = (h->flags & kFlagStart) != 0 ? h->start : 0;
    k.duration = (h->flags & kFlagDuration) != 0 ? h->duration : 0;
    k.eventId = h->eventId;
    k.present = (h->flags & kFlagPresent) != 0;
    k.following = (h->flags & kFlagFollowing) != 0;
    slot = h->nextInService;
  }
  return n;
}

bool EventStore::Find(uint16_t serviceId, uint16_t eventId, StoredEvent* out) const {
  const int s = ServiceIndex(serviceId);
  if (s < 0) return false;
  Slot slot = services_[s].buckets[eventId % kStoreBuckets];
  const EventHead* h = nullptr;
  for (; slot != kNoSlot; slot = h->nextInBucket) {
    h = reinterpret_cast<const EventHead*>(SlotAt(slot));
    if (h->eventId == eventId) break;
  }
  if (slot == kNoSlot) return false;
  out->key.startUtc = (h->flags & kFlagStart) != 0 ? h->start : 0;
  out->key.duration = (h->flags & kFlagDuration) != 0 ? h->duration : 0;
  out->key.eventId = eventId;
  out->key.present = (h->flags & kFlagPresent) != 0;
  out->key.following = (h->flags & kFlagFollowing) != 0;
  out->running = h->running;
  out->hasContent = (h->flags & kFlagContent) != 0;
  out->content = h->content;
  std::memcpy(out->language, h->language, 3);
  out->language[3] = '\0';
  if (out->language[0] == '\0') out->language[1] = out->language[2] = '\0';
  out->nameLength = h->nameLength;
  out->textLength = h->textLength;
  // Name, text and its own detail from its chain, then the shared description.
  uint8_t own[2 * 255 + kMaxEventDetail];
  ReadChain(h->bytes, kHeadBytes, h->tail, own, h->nameLength + h->textLength + h->ownDetail);
  std::memcpy(out->name, own, h->nameLength);
  std::memcpy(out->text, own + h->nameLength, h->textLength);
  std::memcpy(out->detail, own + h->nameLength + h->textLength, h->ownDetail);
  out->detailLength = h->ownDetail;
  if (h->shared != kNoSlot) {
    const SharedHead* d = reinterpret_cast<const SharedHead*>(SlotAt(h->shared));
    ReadChain(d->bytes, kSharedHeadBytes, d->tail, out->detail + h->ownDetail, d->length);
    out->detailLength = static_cast<uint16_t>(out->detailLength + d->length);
  }
  return true;
}

}  // namespace guide
