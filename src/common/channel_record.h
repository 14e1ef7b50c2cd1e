// The host's channel record: field accessors and the saved copy curChannel.
// (The hosts and tests build records with the host kit, tests/hostkit/record.h.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host_interface.h"

// Fields at their fixed offsets (little-endian).
uint32_t RecordFrequency(const host::TProgram82& chan);
uint8_t RecordPolarity(const host::TProgram82& chan);
uint16_t RecordServiceId(const host::TProgram82& chan);
uint8_t RecordCaSystem(const host::TProgram82& chan);
// The channel name, read only inside the name field (bytes 0..91): a record
// without a NUL there gives the first 91 characters. Copies into out.
size_t RecordName(const host::TProgram82& chan, char* out, size_t capacity);

// curChannel: zeroed, then a byte-for-byte copy of chan.
void SaveChannelRecord(const host::TProgram82& chan);
void ClearChannelRecord();
void CopyCurrentChannel(host::TProgram82* out);
uint16_t CurrentServiceId();
// Counts the records saved (every channel change, whatever it then does).
uint32_t CurrentChannelSerial();
// The service id of curChannel and the serial of that same record.
uint16_t CurrentServiceId(uint32_t* serial);
// The name of curChannel; serial, when given, gets the serial of that same
// record.
void CopyCurrentChannelName(char* out, size_t capacity, uint32_t* serial = nullptr);
