// An event's marks (HD, UHD, 16:9, Stereo, 5.1, AD, Subtitles) and the
// XMLTV facts behind them, from its component descriptors. Pure functions
// over the descriptors' bytes (those after tag and length).
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

constexpr uint8_t kComponentDescriptor = 0x50;

// One component descriptor's coded facts.
struct Component {
  uint8_t streamContent = 0;     // low four bits of the first byte
  uint8_t streamContentExt = 0;  // high four bits (meaningful for stream_content 0x9 and above)
  uint8_t componentType = 0;
  uint8_t tag = 0;
  char language[3] = {};
};

// Reads a component descriptor's payload (at least six bytes: the contents,
// the type, the tag and the language); false when it is shorter.
bool ReadComponent(const uint8_t* payload, size_t length, Component* out);

// The marks and facts, as bits. The first seven are the marks a user sees,
// in the order they are shown; the rest say more for XMLTV.
using Marks = uint32_t;
constexpr Marks kMarkHd = 1u << 0;
constexpr Marks kMarkUhd = 1u << 1;
constexpr Marks kMarkWide = 1u << 2;      // 16:9 or wider
constexpr Marks kMarkStereo = 1u << 3;
constexpr Marks kMarkSurround = 1u << 4;  // multichannel ("5.1")
constexpr Marks kMarkAudioDescription = 1u << 5;
constexpr Marks kMarkSubtitles = 1u << 6;  // DVB or teletext, hard of hearing too
constexpr Marks kFactSd = 1u << 8;           // a standard definition picture
constexpr Marks kFactNarrow = 1u << 9;       // 4:3
constexpr Marks kFactMono = 1u << 10;
constexpr Marks kFactDualMono = 1u << 11;    // two mono channels (bilingual)
constexpr Marks kFactDolby = 1u << 12;       // stereo that carries Dolby surround
constexpr Marks kFactDolbyDigital = 1u << 13;  // AC-3 with more than two channels
constexpr Marks kFactTeletextSubtitles = 1u << 14;
constexpr Marks kFactDvbSubtitles = 1u << 15;  // subtitles drawn on screen
constexpr Marks kFactHardOfHearing = 1u << 16;
constexpr Marks kFactUpsampled = 1u << 17;   // the HD picture is made from SD material

constexpr int kMarkCount = 7;

// What one component says; 0 for anything unknown or reserved.
Marks ComponentMarks(const Component& component);

// The marks of an event from all its components: HD only when a component
// says HD and no component says the picture is up-sampled from SD; UHD
// hides HD.
Marks EventMarks(const Component* components, size_t count);

// The texts of the marks set, in the fixed order HD, UHD, 16:9, Stereo, 5.1,
// AD, Subtitles; returns how many were written to texts (at most capacity).
size_t MarkTexts(Marks marks, const char** texts, size_t capacity);

// The same joined by single blanks ("HD 16:9 AD"), truncated to whole marks.
size_t MarksLine(Marks marks, char* out, size_t capacity);

// The XMLTV facts: video quality ("UHDTV", "HDTV", "SDTV"), aspect ("16:9",
// "4:3") and audio stereo kind ("surround", "dolby digital", "dolby",
// "stereo", "bilingual", "mono"); nullptr when the components do not say.
const char* XmltvQuality(Marks marks);
const char* XmltvAspect(Marks marks);
const char* XmltvStereo(Marks marks);

// Subtitles as XMLTV types them: teletext, onscreen (DVB subtitles).
inline bool HasTeletextSubtitles(Marks marks) { return (marks & kFactTeletextSubtitles) != 0; }
inline bool HasOnscreenSubtitles(Marks marks) { return (marks & kFactDvbSubtitles) != 0; }

}  // namespace guide
