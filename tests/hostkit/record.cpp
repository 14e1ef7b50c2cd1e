// The host's channel record, built from its five fields.
#include "tests/hostkit/record.h"

#include <cstddef>
#include <cstring>

namespace hostkit {

host::TProgram82 MakeRecord(const char* name, uint32_t frequency, uint8_t polarity,
                            uint16_t serviceId, uint8_t caSystem, HostFields others) {
  host::TProgram82 rec;
  for (size_t i = 0; i < sizeof rec.bytes; ++i)
    rec.bytes[i] = others == HostFields::kPattern ? static_cast<uint8_t>(0xA5 ^ (i * 7)) : 0;
  std::memset(rec.bytes + host::kNameOffset, 0, host::kNameField);
  size_t length = 0;
  while (name != nullptr && length < host::kNameField - 1 && name[length] != '\0') ++length;
  if (length > 0) std::memcpy(rec.bytes + host::kNameOffset, name, length);
  for (int i = 0; i < 4; ++i)
    rec.bytes[host::kFrequencyOffset + i] = static_cast<uint8_t>(frequency >> (8 * i));
  rec.bytes[host::kPolarityOffset] = polarity;
  rec.bytes[host::kServiceIdOffset] = static_cast<uint8_t>(serviceId & 0xFF);
  rec.bytes[host::kServiceIdOffset + 1] = static_cast<uint8_t>(serviceId >> 8);
  rec.bytes[host::kCaSystemOffset] = caSystem;
  return rec;
}

}  // namespace hostkit
