// Conversion of broadcast text to UTF-8 by the announced character table.
#include "tools/dvbread/dvb_text.h"

#include <cstdio>

#include "tools/dvbread/charset_tables.h"

namespace dvbread {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint8_t kEmphasisOn = 0x86, kEmphasisOff = 0x87, kLineBreak = 0x8A;
constexpr uint16_t kUcsControlBase = 0xE000;  // 0xE080..0xE09F: the control codes

// The default table (the Latin alphabet of the default character table):
// bytes 0xA0 to 0xFF, 0 where undefined; 0xC1-0xCF are diacritics handled apart.
constexpr uint16_t kDefaultHigh[96] = {
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AC, 0x00A5, 0x0023, 0x00A7,  // A0
    0x00A4, 0x2018, 0x201C, 0x00AB, 0x2190, 0x2191, 0x2192, 0x2193,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00D7, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00F7, 0x2019, 0x201D, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0,      0,      0,      0,      0,      0,      0,      0,       // C0 diacritics
    0,      0,      0,      0,      0,      0,      0,      0,       // C8
    0x2015, 0x00B9, 0x00AE, 0x00A9, 0x2122, 0x266A, 0x00AC, 0x00A6,  // D0
    0,      0,      0,      0,      0x215B, 0x215C, 0x215D, 0x215E,  // D8
    0x2126, 0x00C6, 0x0110, 0x00AA, 0x0126, 0,      0x0132, 0x013F,  // E0
    0x0141, 0x00D8, 0x0152, 0x00BA, 0x00DE, 0x0166, 0x014A, 0x0149,  // E8
    0x0138, 0x00E6, 0x0111, 0x00F0, 0x0127, 0x0131, 0x0133, 0x0140,  // F0
    0x0142, 0x00F8, 0x0153, 0x00DF, 0x00FE, 0x0167, 0x014B, 0x00AD,  // F8
};
// Combining marks of the diacritic bytes 0xC1..0xCF, for letters with no
// precomposed form (0 where the byte is not a diacritic).
constexpr uint16_t kCombining[15] = {0x0300, 0x0301, 0x0302, 0x0303, 0x0304, 0x0306, 0x0307, 0x0308,
                                     0,      0x030A, 0x0327, 0,      0x030B, 0x0328, 0x030C};

// Control codes of the single-byte tables: emphasis marks vanish, the line
// break becomes '\n', the rest vanish too.
bool SingleByteControl(uint8_t c, std::string* out) {
  if (c < 0x80 || c > 0x9F) return false;
  if (c == kLineBreak) out->push_back('\n');
  return true;
}

void AppendAsciiOrControl(std::string* out, uint8_t c) {
  if (c >= 0x20 && c < 0x7F)
    out->push_back(static_cast<char>(c));
  else if (c == '\n' || c == '\r')
    out->push_back('\n');
  else if (c >= 0x20)
    AppendUtf8(out, kReplacement);
  // other C0 controls are left out
}

void DefaultTable(const uint8_t* p, size_t n, std::string* out) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (SingleByteControl(c, out)) continue;
    if (c < 0xA0) {
      AppendAsciiOrControl(out, c);
      continue;
    }
    if (c >= 0xC1 && c <= 0xCF) {
      uint16_t mark = kCombining[c - 0xC1];
      if (i + 1 < n && p[i + 1] >= 0x20 && p[i + 1] < 0x7F) {
        uint8_t letter = p[++i];
        uint32_t composed = 0;
        for (const Composed& k : kComposed)
          if (k.mark == c && k.letter == letter) composed = k.codePoint;
        if (composed != 0) {
          AppendUtf8(out, composed);
        } else {
          out->push_back(static_cast<char>(letter));
          if (mark != 0) AppendUtf8(out, mark);
        }
      } else if (mark != 0) {
        AppendUtf8(out, mark);
      }
      continue;
    }
    uint16_t cp = kDefaultHigh[c - 0xA0];
    AppendUtf8(out, cp != 0 ? cp : kReplacement);
  }
}

void Iso8859(int part, const uint8_t* p, size_t n, std::string* out) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = p[i];
    if (SingleByteControl(c, out)) continue;
    if (c < 0xA0) {
      AppendAsciiOrControl(out, c);
      continue;
    }
    uint16_t cp = kIso8859High[part][c - 0xA0];
    AppendUtf8(out, cp != 0 ? cp : kReplacement);
  }
}

void Ucs2(const uint8_t* p, size_t n, std::string* out) {
  for (size_t i = 0; i + 1 < n; i += 2) {
    uint32_t cp = uint32_t(p[i]) << 8 | p[i + 1];
    if (cp >= kUcsControlBase + 0x80 && cp <= kUcsControlBase + 0x9F) {
      if (cp == kUcsControlBase + kLineBreak) out->push_back('\n');
      continue;
    }
    if (cp < 0x20) {
      AppendAsciiOrControl(out, static_cast<uint8_t>(cp));
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;  // no surrogates in two-byte text
    AppendUtf8(out, cp);
  }
}

// UTF-8 as broadcast, checked: invalid sequences become U+FFFD.
void Utf8(const uint8_t* p, size_t n, std::string* out) {
  size_t i = 0;
  while (i < n) {
    uint8_t c = p[i];
    if (c < 0x80) {
      AppendAsciiOrControl(out, c);
      ++i;
      continue;
    }
    int extra = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : -1;
    if (c >= 0xF5) extra = -1;
    uint32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : c & 0x1F;
    bool ok = extra > 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + k >= n || (p[i + k] & 0xC0) != 0x80)
        ok = false;
      else
        cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if (ok && ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
               (cp >= 0xD800 && cp <= 0xDFFF)))
      ok = false;
    if (!ok) {
      AppendUtf8(out, kReplacement);
      ++i;
      continue;
    }
    if (cp >= 0x80 && cp <= 0x9F) {  // C1 controls as in the single-byte tables
      if (cp == kLineBreak) out->push_back('\n');
    } else {
      AppendUtf8(out, cp);
    }
    i += extra + 1;
  }
}

std::string Hex(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

}  // namespace

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | cp >> 6));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | cp >> 12));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | cp >> 18));
    out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

DvbText DvbToUtf8(const uint8_t* p, size_t n) {
  DvbText r;
  if (p == nullptr || n == 0) {
    r.table = "default table";
    return r;
  }
  uint8_t first = p[0];
  if (first >= 0x20) {
    r.table = "default table";
    DefaultTable(p, n, &r.utf8);
  } else if (first >= 0x01 && first <= 0x0B && first != 0x08) {
    int part = first + 4;
    r.table = "ISO 8859-" + std::to_string(part) + " (" + Hex(first) + ")";
    Iso8859(part, p + 1, n - 1, &r.utf8);
  } else if (first == 0x10) {
    int part = n >= 3 ? (p[1] << 8 | p[2]) : -1;
    if (part >= 1 && part <= 15 && part != 12) {
      r.table = "ISO 8859-" + std::to_string(part) + " (0x10 0x00 " + Hex(p[2]) + ")";
      Iso8859(part, p + 3, n - 3, &r.utf8);
    } else {
      r.table = "unknown ISO 8859 part (0x10)";
      r.supported = false;
    }
  } else if (first == 0x11 || first == 0x14) {
    r.table =
        first == 0x11 ? "ISO 10646 two-byte (0x11)" : "ISO 10646 two-byte, Big5 subset (0x14)";
    Ucs2(p + 1, n - 1, &r.utf8);
  } else if (first == 0x15) {
    r.table = "UTF-8 (0x15)";
    Utf8(p + 1, n - 1, &r.utf8);
  } else {
    const char* name = first == 0x12   ? "KS X 1001 (0x12), not supported"
                       : first == 0x13 ? "GB 2312 (0x13), not supported"
                       : first == 0x1F ? "encoding type (0x1F), not supported"
                                       : nullptr;
    r.table = name ? name : "reserved table byte " + Hex(first) + ", not supported";
    r.supported = false;
  }
  if (!r.supported) r.utf8 = EscapeBytes(std::string(reinterpret_cast<const char*>(p), n));
  return r;
}

std::string EscapeBytes(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

}  // namespace dvbread
