// The logo checker's logic: channel names from a list, the logo folder's
// files, whether a file is a picture the plug-in can show, and, for each
// channel, which file the banner shows, by which rule and why (the plug-in's
// own logo rule decides).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavik_logos {

// What a picture file holds, as far as the plug-in's picture decoder goes.
enum class Picture {
  kJpeg,         // a complete baseline, extended or progressive JPEG
  kOtherFormat,  // PNG, GIF or BMP data: the decoder shows it as well
  kEmpty,
  kNotAPicture,
  kTruncated,    // JPEG without its end: not shown (partly, at best, on some systems)
  kUnsupported,  // lossless, hierarchical or arithmetic-coded JPEG
  kCorrupt,      // JPEG markers that do not hold together
  kTooLarge,     // more pixels or bytes than a logo may have: not decoded
};

struct PictureCheck {
  Picture kind;
  std::string detail;  // e.g. "PNG data", "640x480 baseline JPEG"
};

// Checks the bytes of a picture file.
PictureCheck CheckPicture(const std::vector<uint8_t>& bytes);
// True when the plug-in shows such a picture.
inline bool Shown(Picture p) { return p == Picture::kJpeg || p == Picture::kOtherFormat; }

// Channel name lists. A plain list: one name per line, blank lines and lines
// starting with # left out. The host simulator's list: name;frequency;
// polarity;serviceid;ca per line, read by the host kit's rule
// (tools/hostkit/channel_list.h). False with a message on a bad line.
bool ParsePlainList(const std::string& text, std::vector<std::string>* names, std::string* error);
bool ParseSimulatorList(const std::string& text, std::vector<std::string>* names,
                        std::string* error);

// A name reduced for comparison: the logo pack name (accents folded, lower
// case, letters and digits only, & + * spelled out).
std::string NameKey(const std::string& name);

// Up to `limit` file names of the folder (.jpg or .png) nearest to the name:
// same key first (case, spaces, accents, punctuation), then small edit
// distances between keys.
std::vector<std::string> NearestFiles(const std::string& name,
                                      const std::vector<std::string>& files, size_t limit);

// A Windows device name (CON, NUL, COM1...) that no file can have.
bool ReservedDeviceName(const std::string& name);

// The verdict for one channel.
struct ChannelResult {
  std::string name;
  std::string file;  // the file the banner shows: one the rule found, or "0.jpg"
  bool fallback = false;
  std::string reason;    // why, and by which rule
  std::string packName;  // the channel's logo pack name ("" when nothing is left of it)
  std::vector<std::string> suggestions;
};

// The logo folder as the checker sees it.
struct LogoFolder {
  std::string path;                // where its files are read
  std::string iconDir;             // the folder as the plug-in names it, with its separator
  std::vector<std::string> files;  // file names in it
};

// Lists the folder; false with a message when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>* files, std::string* error);

// Reads a file into bytes; false when it cannot be opened.
bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes);

ChannelResult CheckChannel(const LogoFolder& folder, const std::string& name);

// One line (or a few) per channel for the terminal.
std::string FormatResult(const ChannelResult& r);

}  // namespace tavik_logos
