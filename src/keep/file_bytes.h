// The kept guide's bytes: a growing buffer to write them into and a
// bounds-checked reader to read them back, little-endian both.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keep {

// Bytes appended up to a ceiling; an append that would pass it, or whose
// memory the system refuses, marks the buffer failed and adds nothing more.
class ByteBuffer {
 public:
  explicit ByteBuffer(size_t ceiling) : ceiling_(ceiling) {}
  ~ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  void Bytes(const void* data, size_t size);
  void U8(uint8_t value) { Bytes(&value, 1); }
  void U16(uint16_t value);
  void U32(uint32_t value);
  // Puts value at offset, in bytes already written.
  void PatchU32(size_t offset, uint32_t value);
  // Room for size more bytes: their address, or null.
  uint8_t* Extend(size_t size);

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool failed() const { return failed_; }
  void Clear() { size_ = 0; failed_ = false; }

 private:
  bool Reserve(size_t size);

  uint8_t* data_ = nullptr;
  size_t size_ = 0, capacity_ = 0, ceiling_;
  bool failed_ = false;
};

// Reads fields from size bytes; a read past the end fails, and every read
// after a failure fails too, so a caller checks once at the end.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  // The address of the next count bytes, or null when they run past the end.
  const uint8_t* Bytes(size_t count);

  bool ok() const { return ok_; }
  // True when every byte was read and no read failed.
  bool AllRead() const { return ok_ && pos_ == size_; }

 private:
  const uint8_t* data_;
  size_t size_, pos_ = 0;
  bool ok_ = true;
};

}  // namespace keep
