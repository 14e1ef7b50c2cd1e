// Whole sections out of the host's header-less 184-byte units, with the
// CRC_32 as the judge of where each section begins and ends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

// The longest section: three header bytes and a section_length of 4093.
constexpr size_t kMaxSectionBytes = 4096;
constexpr size_t kAssemblerUnit = 184;
// Units kept for a new search after a failure: a section of the longest
// length spans at most 24 units from the one it starts in.
constexpr int kAssemblerRing = 32;

// Called with each section (table_id to CRC_32) whose CRC held; size is its
// whole length. The byte before section is always readable (it stands where
// a pointer field would).
using SectionFn = void (*)(void* context, const uint8_t* section, size_t size);

// The host delivers a filter's data as the payloads of its transport packets
// without their headers: no payload-unit-start flag and no continuity
// counter. Byte 0 of a unit is a pointer field only when a section starts
// in the unit; a section goes on in the following units, several sections
// can share one, and 0xFF after a section is stuffing up to the unit's end.
//
// How the assembler keeps its place:
// - Searching (at the start, and after a failure), byte 0 of each unit is
//   taken as a pointer field: a unit whose byte 0 is at most 182 and at
//   whose 1 + byte 0 a plausible header begins (a table of this PID, the
//   section syntax bit, a section_length of 15 to 4093) starts a section.
// - Gathering a section with R bytes to go, a unit either goes on with it
//   from byte 0, or (when byte 0 is R) has a pointer field and ends it at
//   1 + R with new sections after it. The pointer form is tried first and
//   kept only when the CRC holds; then the plain form.
// - After a section ends, the next byte starts another one, or is stuffing.
// - A section is handed on only when its CRC holds. When it does not, or a
//   header is not plausible, the section is dropped and every unit after the
//   one it started in is searched again from the units kept: a false start
//   found in the middle of another section can never hide the real starts
//   behind it, and a lost or damaged unit costs only the sections it touched.
class SectionAssembler {
 public:
  struct Counts {
    long long units = 0;
    long long taken = 0;   // sections handed on
    long long failed = 0;  // sections dropped: CRC or header
    // Of them, those met in step (right after a section whose CRC held, not
    // guessed while searching): a section that really came damaged. A
    // search also tries bytes inside sections that only look like a start.
    long long refused = 0;
  };

  SectionAssembler() { Reset(); }
  // Forgets the section being gathered; the next unit is searched.
  void Reset();
  // One unit of kAssemblerUnit bytes; whole sections go to fn.
  void Feed(const uint8_t* unit, SectionFn fn, void* context);
  const Counts& counts() const { return counts_; }

 private:
  // Reads one unit; false when a section failed (*failedStart: the unit it
  // started in).
  bool Process(uint64_t seq, const uint8_t* unit, uint64_t* failedStart);
  // Goes on with the section being gathered; *pos where new sections start,
  // or kAssemblerUnit when none does in this unit.
  bool Continue(const uint8_t* unit, size_t* pos);
  // Starts sections at unit position pos (after a pointer field or a
  // section's end) until the unit ends.
  bool StartSections(uint64_t seq, const uint8_t* unit, size_t pos);
  void Emit(const uint8_t* section, size_t size);

  uint8_t ring_[kAssemblerRing][kAssemblerUnit];
  uint64_t seq_;  // units fed; unit n is in ring_[n % kAssemblerRing]
  // The section being gathered, from buffer_[1]; buffer_[0] stays 0.
  uint8_t buffer_[1 + kMaxSectionBytes];
  size_t have_;       // bytes gathered
  bool gathering_;
  bool inStep_;       // a section was handed on since the last failure
  uint32_t crc_;      // CRC of the bytes gathered
  uint64_t startSeq_;  // the unit the section started in
  SectionFn fn_;
  void* context_;
  Counts counts_;
};

}  // namespace guide
