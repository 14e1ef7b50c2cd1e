// The channels the user watches, learnt from the host's record at each
// channel change: up to 1,000, the most recently tuned first, with the
// transport stream and network ids the sections carry once they are known.
// Kept in tavik.epg's "channels" part.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keep/file_bytes.h"
#include "platform/host_interface.h"
#include "platform/lock.h"

namespace keep {

struct RememberedChannel {
  char name[host::kNameField];  // as the host names it, NUL-terminated
  uint16_t serviceId;
  uint32_t frequency;           // as the host's record gives it
  uint16_t transportStreamId;   // with networkId, valid when streamIdsKnown
  uint16_t networkId;
  bool streamIdsKnown;
};

// One channel is one service id on one frequency: the same service id on
// another transponder is another channel, and a channel the host renames
// keeps its place and takes the new name. Safe from any thread (its own
// leaf lock, nothing called under it).
class RememberedChannels {
 public:
  static constexpr size_t kMost = 1000;

  // The channel tuned now goes to the front (the one tuned longest ago
  // leaves when all places are taken).
  void Learn(const char* name, uint16_t serviceId, uint32_t frequency);
  void LearnRecord(const host::TProgram82& record);
  // The ids the sections of that channel carry; false when it is not known.
  bool SetStreamIds(uint16_t serviceId, uint32_t frequency, uint16_t transportStreamId,
                    uint16_t networkId);

  // The ids the tuned channel's (the first's) own sections carry, when its
  // service id is serviceId.
  void LearnTunedIds(uint16_t serviceId, uint16_t transportStreamId, uint16_t networkId);
  // Whether a section of another stream for serviceId with these ids is for
  // a remembered channel: one with that service id whose ids are those, or
  // not known yet.
  bool Wants(uint16_t serviceId, uint16_t transportStreamId, uint16_t networkId) const;

  size_t Count() const;
  // Channel i, the most recently tuned first; false past the end.
  bool At(size_t i, RememberedChannel* out) const;
  // Counts the changes, so a keeper can tell something is new to write.
  uint32_t Changes() const;

  // The list as the "channels" part, and back: the part's channels join
  // behind those learnt already. A part that does not read whole changes
  // nothing and gives false.
  void WritePart(ByteBuffer* out) const;
  bool ReadPart(const uint8_t* data, size_t size);

 private:
  // The place of a channel, or count_.
  size_t Find(uint16_t serviceId, uint32_t frequency) const;

  mutable Lock lock_;
  RememberedChannel items_[kMost];
  size_t count_ = 0;
  uint32_t changes_ = 0;
};

}  // namespace keep
