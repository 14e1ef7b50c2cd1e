// tavik.epg's container: its header, its parts and its CRC, made and checked.
//
// The layout (little-endian but for the CRC):
//   0  8  "TavikEPG"
//   8  2  version
//  10  2  0
//  12  4  the file's size in bytes, CRC included
//  16  4  the number of parts
//  20     each part: its tag (4), its payload's length (4), the payload
//  end-4  the CRC-32 of every byte before it, most significant byte first
// The CRC is the one the broadcast's sections carry (guide/crc32.h): as good
// at finding damage in a file as any other 32-bit CRC, and written high byte
// first it makes the whole file's CRC come out 0, as a section's does.
#include "keep/guide_file.h"

#include <cstring>

#include "guide/crc32.h"

namespace keep {
namespace {

constexpr char kMagic[8] = {'T', 'a', 'v', 'i', 'k', 'E', 'P', 'G'};
constexpr size_t kHeaderSize = 20, kPartHeaderSize = 8, kCrcSize = 4;

}  // namespace

const char* ProblemText(FileProblem problem) {
  switch (problem) {
    case FileProblem::kNone: return "is whole";
    case FileProblem::kMissing: return "is not there";
    case FileProblem::kUnreadable: return "cannot be read";
    case FileProblem::kEmpty: return "is empty";
    case FileProblem::kTooLarge: return "is larger than 16 MB";
    case FileProblem::kNotOurs: return "is not a Tavik guide file";
    case FileProblem::kOtherVersion: return "is of another version";
    case FileProblem::kTruncated: return "is cut short";
    case FileProblem::kCorrupt: return "is damaged (its check sum fails)";
    case FileProblem::kNoMemory: return "could not be made (no memory)";
    case FileProblem::kCannotWrite: return "cannot be written";
    case FileProblem::kOutOfTime: return "was not written in time";
  }
  return "?";
}

const GuideFileView::Part* GuideFileView::Find(uint32_t tag) const {
  for (size_t i = 0; i < count; ++i)
    if (parts[i].tag == tag) return &parts[i];
  return nullptr;
}

FileProblem ParseGuideFile(const uint8_t* data, size_t size, GuideFileView* view) {
  *view = GuideFileView();
  if (size == 0) return FileProblem::kEmpty;
  if (size > kGuideFileMost) return FileProblem::kTooLarge;
  size_t named = size < sizeof kMagic ? size : sizeof kMagic;
  if (std::memcmp(data, kMagic, named) != 0) return FileProblem::kNotOurs;
  if (size < kHeaderSize + kCrcSize) return FileProblem::kTruncated;
  ByteReader header(data + sizeof kMagic, kHeaderSize - sizeof kMagic);
  uint16_t version = header.U16();
  header.U16();
  uint32_t total = header.U32(), count = header.U32();
  if (version != kGuideFileVersion) return FileProblem::kOtherVersion;
  if (total > size) return FileProblem::kTruncated;
  if (total != size || !guide::SectionCrcHolds(data, size)) return FileProblem::kCorrupt;
  if (count > kGuideFilePartsMost) return FileProblem::kCorrupt;

  GuideFileView parsed;
  parsed.version = version;
  ByteReader body(data + kHeaderSize, size - kHeaderSize - kCrcSize);
  for (uint32_t i = 0; i < count; ++i) {
    GuideFileView::Part part;
    part.tag = body.U32();
    part.size = body.U32();
    part.data = body.Bytes(part.size);
    // A part named twice would leave it open which one counts: doubtful.
    if (!body.ok() || parsed.Find(part.tag) != nullptr) return FileProblem::kCorrupt;
    parsed.parts[parsed.count++] = part;
  }
  if (!body.AllRead()) return FileProblem::kCorrupt;
  *view = parsed;
  return FileProblem::kNone;
}

void GuideFileWriter::Begin() {
  buffer_.Clear();
  parts_ = 0;
  buffer_.Bytes(kMagic, sizeof kMagic);
  buffer_.U16(kGuideFileVersion);
  buffer_.U16(0);
  buffer_.U32(0);  // the size, at Finish
  buffer_.U32(0);  // the parts, at Finish
}

ByteBuffer& GuideFileWriter::BeginPart(uint32_t tag) {
  buffer_.U32(tag);
  partStart_ = buffer_.size();
  buffer_.U32(0);  // the length, at EndPart
  return buffer_;
}

void GuideFileWriter::EndPart() {
  size_t length = buffer_.size() - partStart_ - 4;
  buffer_.PatchU32(partStart_, static_cast<uint32_t>(length));
  ++parts_;
}

bool GuideFileWriter::Finish() {
  if (parts_ > kGuideFilePartsMost) return false;
  buffer_.PatchU32(12, static_cast<uint32_t>(buffer_.size() + kCrcSize));
  buffer_.PatchU32(16, parts_);
  uint32_t crc = guide::Crc32Mpeg(buffer_.data(), buffer_.size());
  uint8_t high[4] = {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                     static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
  buffer_.Bytes(high, sizeof high);
  return !buffer_.failed();
}

}  // namespace keep
