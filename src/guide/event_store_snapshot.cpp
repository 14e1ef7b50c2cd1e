// The event store written whole into bytes and read back through its own insertion path.
#include <cstdlib>
#include <cstring>

#include "guide/event_store.h"
#include "guide/event_store_layout.h"
#include "keep/file_bytes.h"

namespace guide {
namespace {

// A version no section carries (theirs have five bits): the sub-table came
// from the kept file, so the first real section of it replaces what it gave.
constexpr uint8_t kKeptVersion = 0xFE;
constexpr uint8_t kHeadFlags =
    kFlagContent | kFlagPresent | kFlagFollowing | kFlagStart | kFlagDuration;

void PutI64(keep::ByteBuffer* out, int64_t value) {
  const uint64_t v = static_cast<uint64_t>(value);
  out->U32(static_cast<uint32_t>(v));
  out->U32(static_cast<uint32_t>(v >> 32));
}

int64_t GetI64(keep::ByteReader* in) {
  const uint64_t low = in->U32();
  const uint64_t high = in->U32();
  return static_cast<int64_t>(low | high << 32);
}

// One event as written: its fields, then name, text and detail.
struct KeptEvent {
  EventStore::Parsed parsed;
  uint8_t carriers;  // kFlagPresent, kFlagFollowing
  uint8_t table, section;
};

// Reads one event into e (name and text point into the reader's bytes);
// false when it does not read whole or its fields are not the store's.
bool ReadEvent(keep::ByteReader* in, KeptEvent* k) {
  EventStore::Parsed& e = k->parsed;
  e.eventId = in->U16();
  const uint8_t flags = in->U8();
  e.start = GetI64(in);
  e.duration = static_cast<int32_t>(in->U32());
  e.running = in->U8();
  e.content = in->U8();
  for (char& c : e.language) c = static_cast<char>(in->U8());
  k->table = in->U8();
  k->section = in->U8();
  e.nameLength = in->U8();
  e.textLength = in->U8();
  e.ownDetail = in->U16();
  e.detailLength = in->U16();
  e.name = in->Bytes(static_cast<size_t>(e.nameLength));
  e.text = in->Bytes(static_cast<size_t>(e.textLength));
  const uint8_t* detail =
      e.detailLength <= kMaxEventDetail ? in->Bytes(static_cast<size_t>(e.detailLength)) : nullptr;
  if (!in->ok() || detail == nullptr || (flags & ~kHeadFlags) != 0 || k->table >= kStoreTables ||
      e.ownDetail > e.detailLength)
    return false;
  if (e.detailLength > 0) std::memcpy(e.detail, detail, static_cast<size_t>(e.detailLength));
  k->carriers = flags & (kFlagPresent | kFlagFollowing);
  e.flags = flags & (kFlagContent | kFlagStart | kFlagDuration);
  // An event with neither carrier would be one the store never holds.
  return k->carriers != 0 || k->table != 0;
}

}  // namespace

EventHead* EventStore::HeadOf(int s, uint16_t eventId) {
  for (Slot slot = services_[s].buckets[eventId % kStoreBuckets]; slot != kNoSlot;) {
    EventHead* h = reinterpret_cast<EventHead*>(SlotAt(slot));
    if (h->eventId == eventId) return h;
    slot = h->nextInBucket;
  }
  return nullptr;
}

void EventStore::WriteSnapshot(keep::ByteBuffer* out) const {
  int held = 0;
  for (int s = 0; s < serviceCount_; ++s)
    if (services_[s].used && services_[s].events > 0) ++held;
  out->U32(static_cast<uint32_t>(held));
  uint8_t own[2 * 255 + kMaxEventDetail];
  for (int s = 0; s < serviceCount_; ++s) {
    const Service& svc = services_[s];
    if (!svc.used || svc.events == 0) continue;
    out->U16(svc.serviceId);
    out->U16(svc.transportStreamId);
    out->U16(svc.originalNetworkId);
    out->U32(static_cast<uint32_t>(svc.events));
    for (Slot slot = svc.first; slot != kNoSlot;) {
      const EventHead* h = reinterpret_cast<const EventHead*>(SlotAt(slot));
      const int ownLength = h->nameLength + h->textLength + h->ownDetail;
      ReadChain(h->bytes, kHeadBytes, h->tail, own, ownLength);
      const SharedHead* d =
          h->shared != kNoSlot ? reinterpret_cast<const SharedHead*>(SlotAt(h->shared)) : nullptr;
      const int shared = d != nullptr ? d->length : 0;
      out->U16(h->eventId);
      out->U8(h->flags & kHeadFlags);
      PutI64(out, h->start);
      out->U32(static_cast<uint32_t>(h->duration));
      out->U8(h->running);
      out->U8(h->content);
      out->Bytes(h->language, sizeof h->language);
      out->U8(h->schedTable);
      out->U8(h->schedSection);
      out->U8(h->nameLength);
      out->U8(h->textLength);
      out->U16(h->ownDetail);
      out->U16(static_cast<uint16_t>(h->ownDetail + shared));
      out->Bytes(own, static_cast<size_t>(ownLength));
      if (d != nullptr) {
        uint8_t* at = out->Extend(static_cast<size_t>(shared));
        if (at != nullptr) ReadChain(d->bytes, kSharedHeadBytes, d->tail, at, shared);
      }
      slot = h->nextInService;
    }
  }
}

int EventStore::RestoreSnapshot(const uint8_t* data, size_t size, int64_t clock,
                                uint16_t tunedService) {
  // Read through once first: bytes that are not a whole snapshot change nothing.
  KeptEvent* k = static_cast<KeptEvent*>(std::malloc(sizeof(KeptEvent)));
  if (k == nullptr) return -1;
  bool ok = true;
  int restored = 0;
  const uint32_t changes = changes_;  // what the file gave is no change to write back
  for (int pass = 0; pass < 2 && ok; ++pass) {
    keep::ByteReader in(data, size);
    const uint32_t services = in.U32();
    ok = in.ok() && services <= kStoreServices;
    for (uint32_t i = 0; ok && i < services; ++i) {
      const uint16_t serviceId = in.U16();
      const uint16_t transportStreamId = in.U16();
      const uint16_t networkId = in.U16();
      const uint32_t events = in.U32();
      ok = in.ok() && events <= size;
      int s = -1;
      if (ok && pass == 1) {
        s = ServiceIndex(serviceId);
        if (s < 0) {
          s = Admit(serviceId, tunedService);
          // Fed longest ago of all: the first to give room to the stream's.
          if (s >= 0) services_[s].touched = 0;
        }
        if (s >= 0 && services_[s].events == 0) {
          services_[s].transportStreamId = transportStreamId;
          services_[s].originalNetworkId = networkId;
        }
      }
      for (uint32_t j = 0; ok && j < events; ++j) {
        ok = ReadEvent(&in, k);
        if (!ok || s < 0 || EndedBefore(k->parsed, clock)) continue;
        // What the stream has given since the start is newer than the file.
        uint8_t* version = services_[s].version;
        const bool scheduled = k->table != 0 && (version[k->table] == kNoVersion ||
                                                 version[k->table] == kKeptVersion);
        const bool carried = k->carriers != 0 && (version[0] == kNoVersion ||
                                                  version[0] == kKeptVersion);
        if ((!scheduled && !carried) || HeadOf(s, k->parsed.eventId) != nullptr) continue;
        if (!Upsert(s, k->parsed, scheduled ? k->table : 0,
                    scheduled ? k->section : (k->carriers & kFlagPresent) != 0 ? 0 : 1,
                    tunedService))
          continue;
        if (scheduled) version[k->table] = kKeptVersion;
        if (carried) {
          version[0] = kKeptVersion;
          EventHead* h = HeadOf(s, k->parsed.eventId);
          if (h != nullptr) h->flags |= k->carriers;
        }
        ++restored;
      }
    }
    ok = ok && in.AllRead();
  }
  std::free(k);
  changes_ = changes;
  return ok ? restored : -1;
}

}  // namespace guide
