// The sections' CRC-32, four bytes a step over tables made at compile time.
#include "guide/crc32.h"

namespace guide {
namespace {

constexpr uint32_t kPolynomial = 0x04C11DB7u;

struct Tables {
  uint32_t t[4][256];
};

constexpr Tables MakeTables() {
  Tables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) != 0 ? (c << 1) ^ kPolynomial : c << 1;
    tables.t[0][i] = c;
  }
  // t[k][i]: the CRC of byte i followed by k zero bytes.
  for (int k = 1; k < 4; ++k)
    for (uint32_t i = 0; i < 256; ++i)
      tables.t[k][i] = (tables.t[k - 1][i] << 8) ^ tables.t[0][tables.t[k - 1][i] >> 24];
  return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t size) {
  const auto& t = kTables.t;
  for (; size >= 4; size -= 4, data += 4) {
    crc ^= static_cast<uint32_t>(data[0]) << 24 | static_cast<uint32_t>(data[1]) << 16 |
           static_cast<uint32_t>(data[2]) << 8 | data[3];
    crc = t[3][crc >> 24] ^ t[2][(crc >> 16) & 0xFF] ^ t[1][(crc >> 8) & 0xFF] ^ t[0][crc & 0xFF];
  }
  for (; size > 0; --size, ++data) crc = (crc << 8) ^ t[0][(crc >> 24) ^ *data];
  return crc;
}

}  // namespace guide
