// The logo rule: which files the banner's picture control is asked to show for
// a channel name. Pure functions over a name and the logo folder, called by
// the channel change with the plug-in's folder and by the logo checker tool.
#pragma once

#include <cstddef>

namespace banner {

// Why the channel's own file is or is not tried.
enum class LogoRule {
  kOwnFile,        // the path <iconDir><name>.jpg was built: show it, 0.jpg if that fails
  kUnusableName,   // the name holds a character no file name can hold: 0.jpg
  kPathTooLong,    // <iconDir><name>.jpg does not fit in 255 characters: 0.jpg
};

// The fallback picture's file name inside the logo folder.
constexpr const char* kFallbackLogo = "0.jpg";
constexpr const char* kLogoExtension = ".jpg";
constexpr const char* kPngExtension = ".png";

// Where the banner looks for a channel's logo, in this order. The first of
// these files that exists is shown (0.jpg when it cannot be); when none
// exists, 0.jpg.
enum class LogoSource {
  kOwnJpeg,   // <channel name>.jpg
  kOwnPng,    // <channel name>.png
  kPackPng,   // <pack name>.png, as logo packs name their pictures
  kPackJpeg,  // <pack name>.jpg
};
constexpr LogoSource kLogoSources[] = {LogoSource::kOwnJpeg, LogoSource::kOwnPng,
                                       LogoSource::kPackPng, LogoSource::kPackJpeg};

// A channel's name as logo packs name their pictures: lower case, accented
// letters without their accents (ß as ss, æ as ae, œ as oe, þ as th), & as
// "and", + as "plus", * as "star", every other character that is not a-z or
// 0-9 left out ("Canal+ Sport" gives "canalplussport"). The name is read as
// UTF-8 when all of it is UTF-8 and it holds a character beyond ASCII, else
// as Windows-1252 (Latin-1 with the letters Windows adds, such as Š and Ž),
// the 8-bit text hosts pass. Writes the pack name into out (always
// terminated, cut to fit) and returns its length; 0 when nothing is left.
size_t PackName(const char* name, char* out, size_t capacity);

// False when the name holds a control character or one of \ / : * ? " < > |
// (a separator would also lead the path out of the logo folder).
bool UsableInFileName(const char* name);

// Builds iconDir (ending with its separator) + name + ".jpg" into path
// (capacity bytes, 256 in the plug-in) and says whether it is to be tried.
LogoRule ChannelLogoPath(const char* iconDir, const char* name, char* path, size_t capacity);

// Builds the path of one source into path (capacity bytes, 256 in the
// plug-in); false when that source has nothing to try: a name no file can
// have (own files), an empty pack name (pack files), or a path that does not
// fit.
bool LogoSourcePath(const char* iconDir, const char* name, LogoSource source, char* path,
                    size_t capacity);

// Builds iconDir + "0.jpg" into path; false when that does not fit (then
// nothing is shown).
bool FallbackLogoPath(const char* iconDir, char* path, size_t capacity);

}  // namespace banner
