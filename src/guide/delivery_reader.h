// The one bounds-checked reader over a delivery: every byte the decoder
// looks at is reached through it, so nothing is read past the delivery.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

// A delivery of size bytes, and a position inside it where a unit starts.
// Positions are unit-relative: Byte(33) is byte 33 of this unit. A position
// may lie beyond the unit (the continuation of a section longer than one unit
// is in the following units when the host delivers them in sequence), but a
// read that would reach past the end of the delivery fails.
class UnitReader {
 public:
  UnitReader(const uint8_t* delivery, size_t size, size_t unitOffset)
      : data_(delivery), size_(size), base_(unitOffset) {}

  // True when count bytes from unit position pos lie inside the delivery.
  bool Has(size_t pos, size_t count) const {
    if (base_ > size_) return false;
    size_t room = size_ - base_;
    return pos <= room && count <= room - pos;
  }

  // The byte at pos into *out; false (and *out untouched) past the end.
  bool Byte(size_t pos, uint8_t* out) const {
    if (!Has(pos, 1)) return false;
    *out = data_[base_ + pos];
    return true;
  }

  // The byte at pos, or 0 past the end; for fixed header fields whose
  // position the caller has already checked with Has.
  uint8_t At(size_t pos) const { return Has(pos, 1) ? data_[base_ + pos] : 0; }

  // How many bytes lie from unit position pos to the end of the delivery.
  size_t Room(size_t pos) const { return Has(pos, 0) ? size_ - base_ - pos : 0; }

  // The address of count bytes from pos, or null when they run past the end.
  const uint8_t* Span(size_t pos, size_t count) const {
    return Has(pos, count) ? data_ + base_ + pos : nullptr;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t base_;
};

}  // namespace guide
