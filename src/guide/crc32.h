// The CRC-32 every broadcast section ends with (polynomial 0x04C11DB7, initial
// value all ones, no reflection, no final xor): over a whole section,
// CRC_32 field included, it gives 0 when the section is intact.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

constexpr uint32_t kCrcInitial = 0xFFFFFFFFu;

// The CRC of size more bytes after a running value crc (kCrcInitial to start).
uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t size);

inline uint32_t Crc32Mpeg(const uint8_t* data, size_t size) {
  return Crc32Update(kCrcInitial, data, size);
}

// True when size bytes from data are a section whose CRC_32 holds.
inline bool SectionCrcHolds(const uint8_t* data, size_t size) {
  return size >= 4 && Crc32Mpeg(data, size) == 0;
}

}  // namespace guide
