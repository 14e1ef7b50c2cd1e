// The section assembler: header-less units in, sections whose CRC holds out
// (the rule of finding the sections is described in section_assembler.h).
#include "guide/section_assembler.h"

#include <cstring>

#include "guide/crc32.h"

namespace guide {
namespace {

constexpr uint8_t kStuffing = 0xFF;
constexpr size_t kHeader = 3;  // table_id and section_length
// The tables this PID carries (event information, actual and other
// streams); their sections have the syntax bit set and a CRC.
constexpr uint8_t kFirstTable = 0x4E;
constexpr uint8_t kLastTable = 0x6F;
constexpr uint8_t kSyntaxBit = 0x80;
// The shortest such section: eleven header bytes after the length, the CRC.
constexpr size_t kMinLength = 15;
constexpr size_t kMaxLength = kMaxSectionBytes - kHeader;  // 4093
// A pointer field leaves room for at least the table_id in its unit.
constexpr uint8_t kLastPointer = kAssemblerUnit - 2;

bool PlausibleStart(uint8_t table) { return table >= kFirstTable && table <= kLastTable; }

// The whole size of a section from its first three bytes; 0 when they are
// not the header of a section this PID carries.
size_t PlausibleSize(uint8_t table, uint8_t flags, uint8_t low) {
  if (!PlausibleStart(table) || (flags & kSyntaxBit) == 0) return 0;
  const size_t length = static_cast<size_t>(flags & 0x0F) << 8 | low;
  return length < kMinLength || length > kMaxLength ? 0 : kHeader + length;
}

}  // namespace

void SectionAssembler::Reset() {
  seq_ = 0;
  have_ = 0;
  gathering_ = false;
  inStep_ = false;
  crc_ = kCrcInitial;
  startSeq_ = 0;
  buffer_[0] = 0;
  fn_ = nullptr;
  context_ = nullptr;
}

void SectionAssembler::Emit(const uint8_t* section, size_t size) {
  ++counts_.taken;
  gathering_ = false;
  inStep_ = true;
  if (fn_ != nullptr) fn_(context_, section, size);
}

bool SectionAssembler::Continue(const uint8_t* unit, size_t* pos) {
  // The section's whole size when its header is completed from unit byte
  // offset on (the header itself may have been cut by the previous unit's end).
  auto sizeFrom = [&](size_t offset) {
    uint8_t h[kHeader];
    for (size_t i = 0; i < kHeader; ++i)
      h[i] = i < have_ ? buffer_[1 + i] : unit[offset + i - have_];
    return PlausibleSize(h[0], h[1], h[2]);
  };
  // A pointer field that says the section ends here, new ones after it.
  size_t total = sizeFrom(1);
  if (total != 0 && unit[0] < kAssemblerUnit && total - have_ == unit[0]) {
    const size_t need = unit[0];
    if (Crc32Update(crc_, unit + 1, need) == 0) {
      std::memcpy(buffer_ + 1 + have_, unit + 1, need);
      Emit(buffer_ + 1, total);
      *pos = 1 + need;
      return true;
    }
  }
  // The section goes on from byte 0.
  total = sizeFrom(0);
  if (total == 0) return false;
  const size_t need = total - have_;
  if (need > kAssemblerUnit) {
    std::memcpy(buffer_ + 1 + have_, unit, kAssemblerUnit);
    crc_ = Crc32Update(crc_, unit, kAssemblerUnit);
    have_ += kAssemblerUnit;
    *pos = kAssemblerUnit;
    return true;
  }
  if (Crc32Update(crc_, unit, need) != 0) return false;
  std::memcpy(buffer_ + 1 + have_, unit, need);
  Emit(buffer_ + 1, total);
  // Without a pointer field no section starts in this unit: the rest is stuffing.
  *pos = kAssemblerUnit;
  return true;
}

bool SectionAssembler::StartSections(uint64_t seq, const uint8_t* unit, size_t pos) {
  while (pos < kAssemblerUnit) {
    if (unit[pos] == kStuffing) return true;
    gathering_ = true;
    startSeq_ = seq;
    const size_t room = kAssemblerUnit - pos;
    if (room < kHeader) {  // the header goes on in the next unit
      if (!PlausibleStart(unit[pos]) || (room == 2 && (unit[pos + 1] & kSyntaxBit) == 0))
        return false;
      std::memcpy(buffer_ + 1, unit + pos, room);
      have_ = room;
      crc_ = Crc32Update(kCrcInitial, unit + pos, room);
      return true;
    }
    const size_t total = PlausibleSize(unit[pos], unit[pos + 1], unit[pos + 2]);
    if (total == 0) return false;
    if (total > room) {
      std::memcpy(buffer_ + 1, unit + pos, room);
      have_ = room;
      crc_ = Crc32Update(kCrcInitial, unit + pos, room);
      return true;
    }
    if (!SectionCrcHolds(unit + pos, total)) return false;
    Emit(unit + pos, total);  // pos is at least 1: the byte before it is the unit's
    pos += total;
  }
  return true;
}

bool SectionAssembler::Process(uint64_t seq, const uint8_t* unit, uint64_t* failedStart) {
  size_t pos;
  if (gathering_) {
    if (!Continue(unit, &pos)) {
      *failedStart = startSeq_;
      return false;
    }
    if (gathering_) return true;
  } else {
    if (unit[0] > kLastPointer) return true;  // no section starts in this unit
    pos = 1u + unit[0];
  }
  if (!StartSections(seq, unit, pos)) {
    *failedStart = startSeq_;
    return false;
  }
  return true;
}

void SectionAssembler::Feed(const uint8_t* unit, SectionFn fn, void* context) {
  ++seq_;
  ++counts_.units;
  std::memcpy(ring_[seq_ % kAssemblerRing], unit, kAssemblerUnit);
  fn_ = fn;
  context_ = context;
  uint64_t next = seq_;
  while (next <= seq_) {
    uint64_t failedStart = 0;
    if (Process(next, ring_[next % kAssemblerRing], &failedStart)) {
      ++next;
      continue;
    }
    // The failed section is dropped; the units after the one it started in
    // are searched again (never more than the ring keeps).
    ++counts_.failed;
    if (inStep_) ++counts_.refused;
    inStep_ = false;
    gathering_ = false;
    have_ = 0;
    next = failedStart + 1;
    if (next + kAssemblerRing <= seq_) next = seq_ + 1 - kAssemblerRing;
  }
}

}  // namespace guide
