// The remembered channels: learnt at each channel change, most recent first,
// written to and read from tavik.epg's "channels" part.
#include "keep/remembered_channels.h"

#include <cstdlib>
#include <cstring>

#include "common/channel_record.h"
#include "common/text.h"

namespace keep {
namespace {

constexpr uint8_t kStreamIdsKnown = 1;

// Moves item i of items to the front, the ones before it one place down.
void ToFront(RememberedChannel* items, size_t i) {
  if (i == 0) return;
  RememberedChannel moved = items[i];
  std::memmove(items + 1, items, i * sizeof *items);
  items[0] = moved;
}

}  // namespace

size_t RememberedChannels::Find(uint16_t serviceId, uint32_t frequency) const {
  for (size_t i = 0; i < count_; ++i)
    if (items_[i].serviceId == serviceId && items_[i].frequency == frequency) return i;
  return count_;
}

void RememberedChannels::Learn(const char* name, uint16_t serviceId, uint32_t frequency) {
  LockGuard guard(lock_);
  size_t i = Find(serviceId, frequency);
  if (i == count_) {
    if (count_ < kMost) ++count_;
    i = count_ - 1;  // a new one, or the one tuned longest ago gives its place
    items_[i] = RememberedChannel{};
    items_[i].serviceId = serviceId;
    items_[i].frequency = frequency;
  } else if (i == 0 && std::strcmp(items_[0].name, name != nullptr ? name : "") == 0) {
    return;  // tuned again, nothing new
  }
  CopyText(items_[i].name, sizeof items_[i].name, name);
  ToFront(items_, i);
  ++changes_;
}

void RememberedChannels::LearnRecord(const host::TProgram82& record) {
  char name[host::kNameField];
  RecordName(record, name, sizeof name);
  Learn(name, RecordServiceId(record), RecordFrequency(record));
}

bool RememberedChannels::SetStreamIds(uint16_t serviceId, uint32_t frequency,
                                      uint16_t transportStreamId, uint16_t networkId) {
  LockGuard guard(lock_);
  size_t i = Find(serviceId, frequency);
  if (i == count_) return false;
  RememberedChannel& c = items_[i];
  if (c.streamIdsKnown && c.transportStreamId == transportStreamId && c.networkId == networkId)
    return true;
  c.transportStreamId = transportStreamId;
  c.networkId = networkId;
  c.streamIdsKnown = true;
  ++changes_;
  return true;
}

void RememberedChannels::LearnTunedIds(uint16_t serviceId, uint16_t transportStreamId,
                                       uint16_t networkId) {
  LockGuard guard(lock_);
  if (count_ == 0 || items_[0].serviceId != serviceId) return;
  RememberedChannel& c = items_[0];
  if (c.streamIdsKnown && c.transportStreamId == transportStreamId && c.networkId == networkId)
    return;
  c.transportStreamId = transportStreamId;
  c.networkId = networkId;
  c.streamIdsKnown = true;
  ++changes_;
}

bool RememberedChannels::Wants(uint16_t serviceId, uint16_t transportStreamId,
                               uint16_t networkId) const {
  LockGuard guard(lock_);
  for (size_t i = 0; i < count_; ++i) {
    const RememberedChannel& c = items_[i];
    if (c.serviceId == serviceId &&
        (!c.streamIdsKnown ||
         (c.transportStreamId == transportStreamId && c.networkId == networkId)))
      return true;
  }
  return false;
}

size_t RememberedChannels::Count() const {
  LockGuard guard(lock_);
  return count_;
}

bool RememberedChannels::At(size_t i, RememberedChannel* out) const {
  LockGuard guard(lock_);
  if (i >= count_) return false;
  *out = items_[i];
  return true;
}

uint32_t RememberedChannels::Changes() const {
  LockGuard guard(lock_);
  return changes_;
}

// The part: the count (4), then per channel its service id (2), frequency
// (4), transport stream id (2), network id (2), flags (1), the name's length
// (1) and the name's bytes.
void RememberedChannels::WritePart(ByteBuffer* out) const {
  LockGuard guard(lock_);
  out->U32(static_cast<uint32_t>(count_));
  for (size_t i = 0; i < count_; ++i) {
    const RememberedChannel& c = items_[i];
    size_t length = BoundedLength(c.name, sizeof c.name - 1);
    out->U16(c.serviceId);
    out->U32(c.frequency);
    out->U16(c.transportStreamId);
    out->U16(c.networkId);
    out->U8(c.streamIdsKnown ? kStreamIdsKnown : 0);
    out->U8(static_cast<uint8_t>(length));
    out->Bytes(c.name, length);
  }
}

bool RememberedChannels::ReadPart(const uint8_t* data, size_t size) {
  ByteReader in(data, size);
  uint32_t count = in.U32();
  if (!in.ok() || count > kMost) return false;
  // Read aside first: a part that fails half-way leaves the list as it was.
  RememberedChannel* read = static_cast<RememberedChannel*>(std::malloc(kMost * sizeof *read));
  if (read == nullptr) return false;
  bool ok = true;
  for (uint32_t i = 0; ok && i < count; ++i) {
    RememberedChannel& c = read[i];
    c = RememberedChannel{};
    c.serviceId = in.U16();
    c.frequency = in.U32();
    c.transportStreamId = in.U16();
    c.networkId = in.U16();
    c.streamIdsKnown = (in.U8() & kStreamIdsKnown) != 0;
    size_t length = in.U8();
    const uint8_t* name = in.Bytes(length);
    ok = name != nullptr && length < sizeof c.name &&
         std::memchr(name, '\0', length) == nullptr;
    // The same channel twice would not be a list this class makes.
    for (uint32_t j = 0; ok && j < i; ++j)
      ok = read[j].serviceId != c.serviceId || read[j].frequency != c.frequency;
    if (ok) std::memcpy(c.name, name, length);
  }
  ok = ok && in.AllRead();
  if (ok) {
    // Channels tuned since the start, before the file was read, stay in
    // front; the file's follow them, each once.
    LockGuard guard(lock_);
    for (uint32_t i = 0; i < count && count_ < kMost; ++i)
      if (Find(read[i].serviceId, read[i].frequency) == count_) items_[count_++] = read[i];
    ++changes_;
  }
  std::free(read);
  return ok;
}

}  // namespace keep
