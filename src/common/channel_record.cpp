// The saved channel record curChannel and readers of the record's fields.
#include "common/channel_record.h"

#include <atomic>
#include <cstring>

#include "common/text.h"
#include "platform/lock.h"

namespace {

struct ChannelRecordState {
  Lock lock;
  host::TProgram82 curChannel TAVIK_GUARDED_BY(lock) = {};
  std::atomic<uint16_t> serviceId{0};  // mirror of curChannel's, read by the decoder
  std::atomic<uint32_t> serial{0};     // counts the records saved
};
ChannelRecordState state;

uint32_t ReadLe(const host::TProgram82& chan, size_t offset, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= uint32_t(chan.bytes[offset + i]) << (8 * i);
  return value;
}

}  // namespace

uint32_t RecordFrequency(const host::TProgram82& chan) {
  return ReadLe(chan, host::kFrequencyOffset, 4);
}
uint8_t RecordPolarity(const host::TProgram82& chan) {
  return chan.bytes[host::kPolarityOffset];
}
uint16_t RecordServiceId(const host::TProgram82& chan) {
  return static_cast<uint16_t>(ReadLe(chan, host::kServiceIdOffset, 2));
}
uint8_t RecordCaSystem(const host::TProgram82& chan) {
  return chan.bytes[host::kCaSystemOffset];
}

size_t RecordName(const host::TProgram82& chan, char* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  const char* name = reinterpret_cast<const char*>(chan.bytes + host::kNameOffset);
  size_t n = BoundedLength(name, host::kNameField - 1);
  if (n > capacity - 1) n = capacity - 1;
  std::memcpy(out, name, n);
  out[n] = '\0';
  return n;
}

void SaveChannelRecord(const host::TProgram82& chan) {
  LockGuard guard(state.lock);
  std::memset(&state.curChannel, 0, sizeof state.curChannel);
  std::memcpy(&state.curChannel, &chan, sizeof chan);
  state.serviceId = RecordServiceId(chan);
  state.serial.fetch_add(1);
}

void ClearChannelRecord() { SaveChannelRecord(host::TProgram82{}); }

void CopyCurrentChannel(host::TProgram82* out) {
  LockGuard guard(state.lock);
  std::memcpy(out, &state.curChannel, sizeof *out);
}

uint16_t CurrentServiceId() { return state.serviceId; }
uint32_t CurrentChannelSerial() { return state.serial; }

uint16_t CurrentServiceId(uint32_t* serial) {
  LockGuard guard(state.lock);
  *serial = state.serial;
  return state.serviceId;
}

void CopyCurrentChannelName(char* out, size_t capacity, uint32_t* serial) {
  LockGuard guard(state.lock);
  if (serial != nullptr) *serial = state.serial;
  RecordName(state.curChannel, out, capacity);
}
