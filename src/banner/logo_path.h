// The logo rule: which file the banner's picture control is asked to show for
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

// False when the name holds a control character or one of \ / : * ? " < > |
// (a separator would also lead the path out of the logo folder).
bool UsableInFileName(const char* name);

// Builds iconDir (ending with its separator) + name + ".jpg" into path
// (capacity bytes, 256 in the plug-in) and says whether it is to be tried.
LogoRule ChannelLogoPath(const char* iconDir, const char* name, char* path, size_t capacity);

// Builds iconDir + "0.jpg" into path; false when that does not fit (then
// nothing is shown).
bool FallbackLogoPath(const char* iconDir, char* path, size_t capacity);

}  // namespace banner
