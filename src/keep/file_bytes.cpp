// The kept guide's byte buffer and reader.
#include "keep/file_bytes.h"

#include <cstdlib>
#include <cstring>

namespace keep {

ByteBuffer::~ByteBuffer() { std::free(data_); }

bool ByteBuffer::Reserve(size_t size) {
  if (failed_ || size > ceiling_ - size_) {
    failed_ = true;
    return false;
  }
  if (size <= capacity_ - size_) return true;
  size_t want = capacity_ < 4096 ? 4096 : capacity_;
  while (want - size_ < size) want = want > ceiling_ / 2 ? ceiling_ : want * 2;
  void* grown = std::realloc(data_, want);
  if (grown == nullptr) {
    failed_ = true;
    return false;
  }
  data_ = static_cast<uint8_t*>(grown);
  capacity_ = want;
  return true;
}

uint8_t* ByteBuffer::Extend(size_t size) {
  if (!Reserve(size)) return nullptr;
  uint8_t* at = data_ + size_;
  size_ += size;
  return at;
}

void ByteBuffer::Bytes(const void* data, size_t size) {
  if (size == 0) return;
  uint8_t* at = Extend(size);
  if (at != nullptr) std::memcpy(at, data, size);
}

void ByteBuffer::U16(uint16_t value) {
  uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  Bytes(b, 2);
}

void ByteBuffer::U32(uint32_t value) {
  uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  Bytes(b, 4);
}

void ByteBuffer::PatchU32(size_t offset, uint32_t value) {
  if (failed_ || offset > size_ || size_ - offset < 4) return;
  for (int i = 0; i < 4; ++i) data_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

const uint8_t* ByteReader::Bytes(size_t count) {
  if (!ok_ || count > size_ - pos_) {
    ok_ = false;
    return nullptr;
  }
  const uint8_t* at = data_ + pos_;
  pos_ += count;
  return at;
}

uint8_t ByteReader::U8() {
  const uint8_t* b = Bytes(1);
  return b ? b[0] : 0;
}

uint16_t ByteReader::U16() {
  const uint8_t* b = Bytes(2);
  return b ? static_cast<uint16_t>(b[0] | b[1] << 8) : 0;
}

uint32_t ByteReader::U32() {
  const uint8_t* b = Bytes(4);
  return b ? static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                 static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24
           : 0;
}

}  // namespace keep
