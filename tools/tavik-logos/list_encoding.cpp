// Channel-name lists to the plug-in's character set: UTF-8 (with or without
// a byte-order mark), UTF-16 with one, or ANSI.
#include "tools/tavik-logos/list_encoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tavik_logos {
namespace {

void AppendUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | c >> 6));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | c >> 12));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | c >> 18));
    out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-16 after its mark to UTF-8; a lone surrogate or odd last byte gives U+FFFD.
std::string Utf16ToUtf8(const std::vector<uint8_t>& b, bool bigEndian) {
  std::string out;
  auto unit = [&](size_t i) {
    return bigEndian ? uint32_t(b[i]) << 8 | b[i + 1] : uint32_t(b[i + 1]) << 8 | b[i];
  };
  for (size_t i = 2; i < b.size(); i += 2) {
    if (i + 1 >= b.size()) {
      AppendUtf8(0xFFFD, &out);
      break;
    }
    uint32_t c = unit(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < b.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

// UTF-8 text to the system's character set: Windows' ANSI code page, where a
// character it lacks becomes '?' as in the names the host hands over; UTF-8
// elsewhere, as it is.
std::string Utf8ToSystem(const std::string& utf8) {
#ifdef _WIN32
  if (utf8.empty()) return utf8;
  const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       nullptr, 0);
  std::wstring w(static_cast<size_t>(wide), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], wide);
  const int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), wide, &out[0], n, nullptr, nullptr);
  return out;
#else
  return utf8;
#endif
}

// ANSI text to the system's character set: as it is on Windows; elsewhere
// read as Latin-1 into UTF-8.
std::string AnsiToSystem(const std::string& ansi) {
#ifdef _WIN32
  return ansi;
#else
  std::string out;
  for (unsigned char c : ansi) AppendUtf8(c, &out);
  return out;
#endif
}

// True for valid UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3
                   : c >= 0xF0 && c < 0xF5                 ? 4
                                                           : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = cp << 6 | (t & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) ||
        (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += n;
  }
  return true;
}

}  // namespace

ListText DecodeList(const std::vector<uint8_t>& bytes) {
  const std::string raw(bytes.begin(), bytes.end());
  if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
    return {Utf8ToSystem(raw.substr(3)), "UTF-8 text with a byte-order mark"};
  if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) ||
                            (bytes[0] == 0xFE && bytes[1] == 0xFF)))
    return {Utf8ToSystem(Utf16ToUtf8(bytes, bytes[0] == 0xFE)), "UTF-16 text"};
  bool ascii = true;
  for (uint8_t b : bytes) ascii = ascii && b < 0x80;
  if (ascii) return {raw, "ASCII text"};
  if (ValidUtf8(raw)) return {Utf8ToSystem(raw), "UTF-8 text"};
#ifdef _WIN32
  return {AnsiToSystem(raw), "ANSI text (code page " + std::to_string(GetACP()) + ")"};
#else
  return {AnsiToSystem(raw), "8-bit text, read as Latin-1"};
#endif
}

}  // namespace tavik_logos
