// The logo rule: the channel's own picture paths, its logo pack name, or why
// 0.jpg is shown.
#include "banner/logo_path.h"

#include <cstdint>
#include <cstring>

#include "common/text.h"

namespace banner {
namespace {
constexpr unsigned char kFirstPrintable = 0x20;
constexpr const char* kNotInFileNames = "\\/:*?\"<>|";
// A pack name this long never fits a logo path anyway.
constexpr size_t kPackNameSize = 256;

// U+00C0 to U+017F (Latin-1's letters and Latin Extended-A) without their
// accents, lower case; "" for the two signs among them.
constexpr uint32_t kFoldFirst = 0xC0;
constexpr uint32_t kFoldLast = 0x17F;
constexpr const char* kFold[kFoldLast - kFoldFirst + 1] = {
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i", "d", "n",
    "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "ss", "a", "a", "a", "a",
    "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i", "d", "n", "o", "o", "o", "o",
    "o", "", "o", "u", "u", "u", "u", "y", "th", "y", "a", "a", "a", "a", "a", "a", "c", "c",
    "c", "c", "c", "c", "c", "c", "d", "d", "d", "d", "e", "e", "e", "e", "e", "e", "e", "e",
    "e", "e", "g", "g", "g", "g", "g", "g", "g", "g", "h", "h", "h", "h", "i", "i", "i", "i",
    "i", "i", "i", "i", "i", "i", "ij", "ij", "j", "j", "k", "k", "k", "l", "l", "l", "l", "l",
    "l", "l", "l", "l", "l", "n", "n", "n", "n", "n", "n", "n", "n", "n", "o", "o", "o", "o",
    "o", "o", "oe", "oe", "r", "r", "r", "r", "r", "r", "s", "s", "s", "s", "s", "s", "s", "s",
    "t", "t", "t", "t", "t", "t", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u", "u",
    "w", "w", "y", "y", "y", "z", "z", "z", "z", "z", "z", "s"};

// The letters Windows-1252 puts at 0x80-0x9F (its other signs there are left out).
uint32_t Windows1252(unsigned char c) {
  switch (c) {
    case 0x83: return 0x192;  // f with hook
    case 0x8A: return 0x160;  // S caron
    case 0x8C: return 0x152;  // OE
    case 0x8E: return 0x17D;  // Z caron
    case 0x9A: return 0x161;
    case 0x9C: return 0x153;
    case 0x9E: return 0x17E;
    case 0x9F: return 0x178;  // Y diaeresis
    default: return c >= 0xA0 ? c : 0;
  }
}

// Length of the UTF-8 sequence at p and its code point; 0 when p holds none.
size_t Utf8At(const unsigned char* p, uint32_t* cp) {
  const unsigned char c = p[0];
  const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3
                                : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0) return 0;
  uint32_t v = n == 1 ? c : c & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;  // also stops at the terminating NUL
    v = v << 6 | (p[k] & 0x3F);
  }
  // The shortest form only, and no surrogates.
  static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kLeast[n] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *cp = v;
  return n;
}

bool PlausibleUtf8(const unsigned char* p) {
  bool beyondAscii = false;
  for (uint32_t cp; *p;) {
    const size_t n = Utf8At(p, &cp);
    if (n == 0) return false;
    beyondAscii |= n > 1;
    p += n;
  }
  return beyondAscii;
}

// What a character becomes in a pack name.
const char* PackLetters(uint32_t cp, char* one) {
  if ((cp >= 'a' && cp <= 'z') || (cp >= '0' && cp <= '9')) {
    one[0] = static_cast<char>(cp);
    return one;
  }
  if (cp >= 'A' && cp <= 'Z') {
    one[0] = static_cast<char>(cp - 'A' + 'a');
    return one;
  }
  if (cp == '&') return "and";
  if (cp == '+') return "plus";
  if (cp == '*') return "star";
  if (cp >= kFoldFirst && cp <= kFoldLast) return kFold[cp - kFoldFirst];
  if (cp == 0x192) return "f";
  return "";
}

// Builds iconDir + stem + extension; false when it does not fit.
bool JoinPath(const char* iconDir, const char* stem, const char* extension, char* path,
              size_t capacity) {
  std::memset(path, 0, capacity);
  return !Truncated(FormatText(path, capacity, "%s%s%s", iconDir, stem, extension), capacity);
}

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

size_t PackName(const char* name, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  out[0] = '\0';
  const unsigned char* p = reinterpret_cast<const unsigned char*>(name);
  const bool utf8 = PlausibleUtf8(p);
  size_t length = 0;
  char one[2] = {0, 0};
  while (*p) {
    uint32_t cp = 0;
    if (utf8) {
      p += Utf8At(p, &cp);  // never 0: the whole name was read as UTF-8 already
    } else {
      cp = *p < 0x80 ? *p : Windows1252(*p);
      ++p;
    }
    for (const char* s = PackLetters(cp, one); *s; ++s) {
      if (length + 1 >= capacity) return length;  // cut, terminated
      out[length++] = *s;
      out[length] = '\0';
    }
  }
  return length;
}

bool LogoSourcePath(const char* iconDir, const char* name, LogoSource source, char* path,
                    size_t capacity) {
  switch (source) {
    case LogoSource::kOwnJpeg:
      return ChannelLogoPath(iconDir, name, path, capacity) == LogoRule::kOwnFile;
    case LogoSource::kOwnPng:
      return UsableInFileName(name) && JoinPath(iconDir, name, kPngExtension, path, capacity);
    case LogoSource::kPackPng:
    case LogoSource::kPackJpeg: {
      char pack[kPackNameSize];
      if (PackName(name, pack, sizeof pack) == 0) {
        std::memset(path, 0, capacity);
        return false;
      }
      return JoinPath(iconDir, pack,
                      source == LogoSource::kPackPng ? kPngExtension : kLogoExtension, path,
                      capacity);
    }
  }
  return false;
}

bool FallbackLogoPath(const char* iconDir, char* path, size_t capacity) {
  int n = FormatText(path, capacity, "%s%s", iconDir, kFallbackLogo);
  return !Truncated(n, capacity);
}

}  // namespace banner
