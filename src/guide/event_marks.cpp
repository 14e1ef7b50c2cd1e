// Component descriptors to an event's marks and XMLTV facts.
#include "guide/event_marks.h"

#include <cstring>

namespace guide {
namespace {

// stream_content values.
constexpr uint8_t kMpeg2Video = 0x1;
constexpr uint8_t kMpeg1Audio = 0x2;      // MPEG-1 Layer 2
constexpr uint8_t kSubtitlesAndText = 0x3;  // EBU teletext, DVB subtitles
constexpr uint8_t kAc3Audio = 0x4;
constexpr uint8_t kAvcVideo = 0x5;        // H.264
constexpr uint8_t kAacAudio = 0x6;        // HE-AAC
constexpr uint8_t kExtended = 0x9;        // stream_content_ext says which
constexpr uint8_t kExtHevcVideo = 0x0;
constexpr uint8_t kExtAc4Audio = 0x1;

// The video types of MPEG-2 and H.264 run in fours: 4:3, 16:9 with pan
// vectors, 16:9 without, wider than 16:9; 25 Hz then 30 Hz, SD (0x01-0x08)
// then HD (0x09-0x10). H.264 leaves the pan-vector types and the HD 4:3
// ones reserved.
Marks VideoType(uint8_t type, bool avc) {
  if (avc && (type == 0x02 || type == 0x06 || type == 0x09 || type == 0x0A || type == 0x0D ||
              type == 0x0E))
    return 0;
  if (avc && type >= 0x80 && type <= 0x83) return kMarkHd | kMarkWide;  // frame-compatible 3D HD
  if (type < 0x01 || type > 0x10) return 0;
  const Marks aspect = (type - 1) % 4 == 0 ? kFactNarrow : kMarkWide;
  return aspect | (type >= 0x09 ? kMarkHd : kFactSd);
}

// MPEG-1 Layer 2 and HE-AAC share their audio types; 0x43-0x4A are HE-AAC
// v2 and the supplementary mixes.
Marks AudioType(uint8_t type, bool aac) {
  switch (type) {
    case 0x01: return kFactMono;
    case 0x02: return aac ? 0 : kFactDualMono;
    case 0x03: return kMarkStereo;
    case 0x05: return kMarkSurround;
    case 0x40:
    case 0x47:  // receiver-mix audio description
    case 0x48:  // broadcast-mix audio description
      return kMarkAudioDescription;
    default: break;
  }
  if (!aac) return 0;
  switch (type) {
    case 0x43: return kMarkStereo;
    case 0x44:
    case 0x49:
    case 0x4A: return kMarkAudioDescription;
    default: return 0;
  }
}

// AC-3 and E-AC-3 code their type as flags: bit 7 enhanced, bit 6 full
// service, bits 5-3 the service (2: for the visually impaired), bits 2-0
// the channels.
Marks Ac3Type(uint8_t type) {
  constexpr uint8_t kVisuallyImpaired = 2;
  Marks m = ((type >> 3) & 0x7) == kVisuallyImpaired ? kMarkAudioDescription : 0;
  switch (type & 0x7) {
    case 0: return m | kFactMono;
    case 1: return m | kFactDualMono;
    case 2: return m | kMarkStereo;
    case 3: return m | kMarkStereo | kFactDolby;  // Dolby surround in two channels
    case 4:                                        // more than two channels
    case 5: return m | kMarkSurround | kFactDolbyDigital;  // more than 5.1
    default: return m;
  }
}

Marks TextType(uint8_t type) {
  if (type == 0x01) return kMarkSubtitles | kFactTeletextSubtitles;
  if (type >= 0x10 && type <= 0x15) return kMarkSubtitles | kFactDvbSubtitles;
  if (type >= 0x20 && type <= 0x25) return kMarkSubtitles | kFactDvbSubtitles | kFactHardOfHearing;
  if (type == 0x40) return kFactUpsampled;
  return 0;  // associated teletext, VBI data, sign language, reserved
}

// HEVC: 0x00-0x03 HD (Main and Main 10, 50 and 60 Hz), 0x04-0x07 UHD; all
// 16:9. AC-4: mono, stereo and multichannel, each also with dialogue
// enhancement.
Marks ExtendedType(uint8_t ext, uint8_t type) {
  if (ext == kExtHevcVideo) {
    if (type <= 0x03) return kMarkHd | kMarkWide;
    if (type <= 0x07) return kMarkUhd | kMarkWide;
    return 0;
  }
  if (ext == kExtAc4Audio) {
    if (type <= 0x01) return kFactMono;
    if (type <= 0x03) return kMarkStereo;
    if (type <= 0x05) return kMarkSurround;
  }
  return 0;
}

}  // namespace

bool ReadComponent(const uint8_t* payload, size_t length, Component* out) {
  if (payload == nullptr || length < 6) return false;
  out->streamContentExt = payload[0] >> 4;
  out->streamContent = payload[0] & 0x0F;
  out->componentType = payload[1];
  out->tag = payload[2];
  std::memcpy(out->language, payload + 3, 3);
  return true;
}

Marks ComponentMarks(const Component& c) {
  switch (c.streamContent) {
    case kMpeg2Video: return VideoType(c.componentType, false);
    case kAvcVideo: return VideoType(c.componentType, true);
    case kMpeg1Audio: return AudioType(c.componentType, false);
    case kAacAudio: return AudioType(c.componentType, true);
    case kAc3Audio: return Ac3Type(c.componentType);
    case kSubtitlesAndText: return TextType(c.componentType);
    case kExtended: return ExtendedType(c.streamContentExt, c.componentType);
    default: return 0;  // DTS (its type says nothing shown here) and the rest
  }
}

Marks EventMarks(const Component* components, size_t count) {
  Marks m = 0;
  for (size_t i = 0; components != nullptr && i < count; ++i) m |= ComponentMarks(components[i]);
  if (m & kFactUpsampled) m = (m & ~(kMarkHd | kMarkUhd)) | kFactSd;
  if (m & kMarkUhd) m &= ~kMarkHd;
  return m;
}

size_t MarkTexts(Marks marks, const char** texts, size_t capacity) {
  static const char* const kTexts[kMarkCount] = {"HD", "UHD", "16:9", "Stereo", "5.1", "AD",
                                                 "Subtitles"};
  size_t n = 0;
  for (int bit = 0; bit < kMarkCount && n < capacity; ++bit)
    if (marks & (1u << bit)) texts[n++] = kTexts[bit];
  return n;
}

size_t MarksLine(Marks marks, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  const char* texts[kMarkCount];
  const size_t count = MarkTexts(marks, texts, kMarkCount);
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    const size_t sep = at > 0 ? 1 : 0;
    const size_t len = std::strlen(texts[i]);
    if (at + sep + len >= capacity) break;
    if (sep) out[at++] = ' ';
    std::memcpy(out + at, texts[i], len);
    at += len;
  }
  out[at] = '\0';
  return at;
}

const char* XmltvQuality(Marks marks) {
  if (marks & kMarkUhd) return "UHDTV";
  if (marks & kMarkHd) return "HDTV";
  if (marks & kFactSd) return "SDTV";
  return nullptr;
}

const char* XmltvAspect(Marks marks) {
  if (marks & kMarkWide) return "16:9";
  if (marks & kFactNarrow) return "4:3";
  return nullptr;
}

const char* XmltvStereo(Marks marks) {
  if (marks & kFactDolbyDigital) return "dolby digital";
  if (marks & kMarkSurround) return "surround";
  if (marks & kFactDolby) return "dolby";
  if (marks & kMarkStereo) return "stereo";
  if (marks & kFactDualMono) return "bilingual";
  if (marks & kFactMono) return "mono";
  return nullptr;
}

}  // namespace guide
