// Named constants of the programme guide: filter request values, section
// positions inside a delivered unit, descriptor tags and buffer sizes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

// The section filter asked of the host.
constexpr const char* kFilterName = "Tavik EIT filter";
constexpr int32_t kNoHandle = -1;  // the handle field before the host writes it

// eitState values and bits.
constexpr int32_t kStateStopped = 0;
constexpr int32_t kStateRunning = 1;
constexpr int32_t kBitNow = 2;
constexpr int32_t kBitNext = 4;
constexpr int32_t kStateComplete = 7;
constexpr int32_t kStateShown = 8;
constexpr uint32_t kEventBuilt = 0x10000;  // GuideState::builtEvent: a line built

// Deliveries: 1 to 10 payload units of 184 bytes; a remainder is ignored.
constexpr int kUnitSize = 184;
constexpr int kMinDelivery = 184;
constexpr int kMaxDelivery = 2000;

// Byte positions inside a unit that starts a section (byte 0 is the
// pointer_field, taken to be 0, so the section starts at byte 1).
constexpr size_t kPosTableId = 1;
constexpr size_t kPosSectionLength = 2;  // low 4 bits here, low byte at 3
constexpr size_t kPosServiceId = 4;      // high byte, low byte at 5
constexpr size_t kPosSectionNumber = 7;
constexpr size_t kPosEventId = 15;       // high byte, low byte at 16
constexpr size_t kPosStartDate = 17;     // MJD, high byte, low byte at 18
constexpr size_t kPosStartHour = 19;     // BCD
constexpr size_t kPosStartMinute = 20;   // BCD
constexpr size_t kPosStartSecond = 21;   // BCD
constexpr size_t kPosDuration = 22;      // BCD hh mm ss, 22 to 24
constexpr size_t kPosLoopLength = 25;    // descriptors_loop_length (low 4 bits, byte 26)
constexpr size_t kPosFirstTag = 27;      // first descriptor of the first event
constexpr size_t kPosFirstLength = 28;
// short_event_descriptor as the first descriptor.
constexpr size_t kPosShortNameLength = 32;
constexpr size_t kPosShortName = 33;
// extended_event_descriptor as the first descriptor.
constexpr size_t kPosExtItemsLength = 33;
constexpr size_t kPosExtFixedName = 41;
constexpr size_t kExtFixedNameLength = 48;
constexpr uint8_t kExtLongDescriptor = 0x80;
// A 5-byte PDC descriptor followed by a short_event_descriptor.
constexpr size_t kPosPdcNameLength = 37;
constexpr size_t kPosPdcName = 39;  // the name without its first byte

constexpr uint8_t kTablePresentFollowing = 0x4E;
constexpr uint16_t kMinSectionLength = 15;
constexpr size_t kSectionHeaderBytes = 3;  // table_id and section_length, before the length counts
constexpr uint8_t kTagShortEvent = 0x4D;
constexpr uint8_t kTagExtendedEvent = 0x4E;
constexpr uint8_t kTagPdc = 0x69;

// A name starting with this character-table byte is followed by two more
// table bytes; the three are skipped (and the text loses as many).
constexpr uint8_t kThreeByteTable = 0x10;
constexpr int32_t kThreeByteSkip = 3;

// Cleaning: control bytes, the asterisk and 0x8A show as a blank.
constexpr uint8_t kBlank = 0x20;
constexpr uint8_t kAsterisk = 0x2A;
constexpr uint8_t kControlNewline = 0x8A;
constexpr uint8_t kFirstVisible = 0x21;  // a name starting below this shows from byte 1

// Buffers.
constexpr size_t kTextBuffer = 1024;
constexpr size_t kTimeBuffer = 256;

// The debug dump of every accepted delivery (titlemode -1).
constexpr const char* kDebugDumpPath = "C:\\Tavik_EIT.dbg";
constexpr int32_t kTitlemodeDump = -1;

}  // namespace guide
