// The logo rule: the channel's own picture path, or why 0.jpg is shown.
#include "banner/logo_path.h"

#include <cstring>

#include "common/text.h"

namespace banner {
namespace {
constexpr unsigned char kFirstPrintable = 0x20;
constexpr const char* kNotInFileNames = "\\/:*?\"<>|";
}  // namespace

bool UsableInFileName(const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    if (*p < kFirstPrintable || std::strchr(kNotInFileNames, *p) != nullptr) return false;
  }
  return true;
}

LogoRule ChannelLogoPath(const char* iconDir, const char* name, char* path, size_t capacity) {
  std::memset(path, 0, capacity);
  int n = FormatText(path, capacity, "%s%s%s", iconDir, name, kLogoExtension);
  if (Truncated(n, capacity)) return LogoRule::kPathTooLong;
  if (!UsableInFileName(name)) return LogoRule::kUnusableName;
  return LogoRule::kOwnFile;
}

bool FallbackLogoPath(const char* iconDir, char* path, size_t capacity) {
  int n = FormatText(path, capacity, "%s%s", iconDir, kFallbackLogo);
  return !Truncated(n, capacity);
}

}  // namespace banner
