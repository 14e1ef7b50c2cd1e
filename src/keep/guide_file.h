// tavik.epg, the kept guide's container: a header that names the file and its
// version, then tagged parts ("channels", "store", ...), each with its length,
// and a CRC-32 over everything before it. Made and read whole, in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keep/file_bytes.h"

namespace keep {

constexpr uint16_t kGuideFileVersion = 1;
// The largest file read or written; anything larger is not ours.
constexpr size_t kGuideFileMost = 16u * 1024 * 1024;
constexpr size_t kGuideFilePartsMost = 16;

// A part's tag: four characters.
constexpr uint32_t PartTag(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}
constexpr uint32_t kPartChannels = PartTag('C', 'H', 'A', 'N');
constexpr uint32_t kPartStore = PartTag('S', 'T', 'O', 'R');
constexpr uint32_t kPartReminders = PartTag('R', 'E', 'M', 'I');

// Why a file was passed over (or not written); kNone when all went well.
enum class FileProblem {
  kNone,
  kMissing,       // no file yet: nothing to say
  kUnreadable,
  kEmpty,
  kTooLarge,
  kNotOurs,
  kOtherVersion,
  kTruncated,
  kCorrupt,       // the CRC or the parts' lengths do not hold
  kNoMemory,
  kCannotWrite,
  kOutOfTime,     // a write that would have passed its deadline: the old file stands
};

// A few words for the log: "is truncated".
const char* ProblemText(FileProblem problem);

// A file's parts, pointing into the bytes it was parsed from.
struct GuideFileView {
  struct Part {
    uint32_t tag;
    const uint8_t* data;
    size_t size;
  };
  uint16_t version = 0;
  size_t count = 0;
  Part parts[kGuideFilePartsMost];

  // The part with tag, or null when the file has none.
  const Part* Find(uint32_t tag) const;
};

// Checks size bytes as a whole file and fills view; anything doubtful gives
// its problem and an empty view.
FileProblem ParseGuideFile(const uint8_t* data, size_t size, GuideFileView* view);

// Makes a file in a buffer: Begin, then for each part BeginPart, its payload
// into buffer(), EndPart; then Finish. A buffer that failed (too large, no
// memory) fails Finish.
class GuideFileWriter {
 public:
  GuideFileWriter() : buffer_(kGuideFileMost) {}
  void Begin();
  ByteBuffer& BeginPart(uint32_t tag);
  void EndPart();
  bool Finish();
  ByteBuffer& buffer() { return buffer_; }

 private:
  ByteBuffer buffer_;
  size_t partStart_ = 0;
  uint32_t parts_ = 0;
};

}  // namespace keep
