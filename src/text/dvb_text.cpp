// Conversion of broadcast text to UTF-8 by the announced character table.
#include "text/dvb_text.h"

#include <cstring>

#include "text/charset_tables.h"
#include "text/double_byte.h"

namespace dvbtext {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint8_t kLineBreak = 0x8A;
constexpr uint16_t kUcsControlBase = 0xE000;  // 0xE080..0xE09F: the control codes

// The default table: bytes 0xA0 to 0xFF, 0 where undefined; 0xC1-0xCF are
// the non-spacing diacritics, handled apart.
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

// The output: whole characters only, always room for the terminator.
class Sink {
 public:
  Sink(char* out, size_t capacity, Breaks breaks) : out_(out), cap_(capacity), breaks_(breaks) {}
  void Put(uint32_t cp) {
    char b[4];
    const size_t k = EncodeUtf8(cp, b);
    if (full_ || len_ + k >= cap_) {
      full_ = true;
      return;
    }
    std::memcpy(out_ + len_, b, k);
    len_ += k;
  }
  void Break() { Put(breaks_ == Breaks::kNewline ? '\n' : ' '); }
  size_t Finish() {
    if (cap_ > 0) out_[len_] = '\0';
    return len_;
  }

 private:
  char* out_;
  size_t cap_;
  size_t len_ = 0;
  bool full_ = false;
  Breaks breaks_;
};

// Control codes of the one-byte tables: the line break shows as one, the
// emphasis marks and the rest vanish.
bool OneByteControl(uint8_t c, Sink& out) {
  if (c < 0x80 || c > 0x9F) return false;
  if (c == kLineBreak) out.Break();
  return true;
}

void AsciiOrControl(uint8_t c, Sink& out) {
  if (c >= 0x20 && c < 0x7F)
    out.Put(c);
  else if (c == '\n' || c == '\r')
    out.Break();
  else if (c >= 0x20)
    out.Put(kReplacement);
  // other C0 controls are left out
}

// Control codes and ASCII, as every table of one-byte codes has them (the
// table's own characters start at firstOwn); true when c was one of them.
bool ControlOrAscii(uint8_t c, uint8_t firstOwn, Sink& out) {
  if (OneByteControl(c, out)) return true;
  if (c >= firstOwn) return false;
  AsciiOrControl(c, out);
  return true;
}

uint32_t Composed(uint8_t mark, uint8_t letter) {
  for (const ComposedLetter& k : kComposed)
    if (k.mark == mark && k.letter == letter) return k.codePoint;
  return 0;
}

void DefaultTable(const uint8_t* p, size_t n, Sink& out) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = p[i];
    if (ControlOrAscii(c, 0xA0, out)) continue;
    if (c >= 0xC1 && c <= 0xCF) {  // a diacritic on the letter that follows
      const uint16_t mark = kCombining[c - 0xC1];
      if (i + 1 < n && p[i + 1] >= 0x20 && p[i + 1] < 0x7F) {
        const uint8_t letter = p[++i];
        const uint32_t composed = Composed(c, letter);
        if (composed != 0) {
          out.Put(composed);
        } else {
          out.Put(letter);
          if (mark != 0) out.Put(mark);
        }
      } else if (mark != 0) {
        out.Put(mark);
      }
      continue;
    }
    const uint16_t cp = kDefaultHigh[c - 0xA0];
    out.Put(cp != 0 ? cp : kReplacement);
  }
}

void Iso8859(int part, const uint8_t* p, size_t n, Sink& out) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = p[i];
    if (ControlOrAscii(c, 0xA0, out)) continue;
    // Part 1 is the byte itself.
    const uint16_t cp = part == 1 ? c : kIso8859High[Iso8859Row(part)][c - 0xA0];
    out.Put(cp != 0 ? cp : kReplacement);
  }
}

void Ucs2(const uint8_t* p, size_t n, Sink& out) {
  size_t i = 0;
  for (; i + 1 < n; i += 2) {
    uint32_t cp = uint32_t(p[i]) << 8 | p[i + 1];
    if (cp >= kUcsControlBase + 0x80u && cp <= kUcsControlBase + 0x9Fu) {
      if (cp == kUcsControlBase + kLineBreak) out.Break();
      continue;
    }
    if (cp < 0x20) {
      AsciiOrControl(static_cast<uint8_t>(cp), out);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;  // no surrogates in two-byte text
    out.Put(cp);
  }
  if (i < n) out.Put(kReplacement);  // half a character at the end
}

// GB 2312 and KS X 1001 as EUC byte pairs; ASCII and the control codes as in
// the one-byte tables.
void DoubleByte(DoubleByteTable table, const uint8_t* p, size_t n, Sink& out) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = p[i];
    if (ControlOrAscii(c, 0x80, out)) continue;
    uint16_t cp = 0;
    if (i + 1 < n && c >= 0xA1 && c <= 0xFE && p[i + 1] >= 0xA1 && p[i + 1] <= 0xFE) {
      cp = DoubleByteToUnicode(table, c, p[i + 1]);
      ++i;
    }
    out.Put(cp != 0 ? cp : kReplacement);
  }
}

// UTF-8 as broadcast, checked: invalid sequences become U+FFFD.
void Utf8(const uint8_t* p, size_t n, Sink& out) {
  size_t i = 0;
  while (i < n) {
    const uint8_t c = p[i];
    if (c < 0x80) {
      AsciiOrControl(c, out);
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
      out.Put(kReplacement);
      ++i;
      continue;
    }
    if (cp >= 0x80 && cp <= 0x9F) {  // C1 controls as in the one-byte tables
      if (cp == kLineBreak) out.Break();
    } else {
      out.Put(cp);
    }
    i += extra + 1;
  }
}

void Unsupported(const uint8_t* p, size_t n, Sink& out) {
  for (size_t i = 0; i < n; ++i) {
    if (p[i] < 0x80) AsciiOrControl(p[i], out);
    else out.Put(kReplacement);
  }
}

}  // namespace

size_t EncodeUtf8(uint32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | cp >> 6);
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | cp >> 12);
    out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | cp >> 18);
  out[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
  out[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

Table AnnouncedTable(const uint8_t* p, size_t n) {
  Table t;
  if (p == nullptr || n == 0 || p[0] >= 0x20) return t;
  const uint8_t first = p[0];
  t.first = first;
  t.skip = 1;
  if (first >= 0x01 && first <= 0x0B && first != 0x08) {
    t.kind = TableKind::kIso8859;
    t.part = first + 4;
  } else if (first == 0x10) {
    const int part = n >= 3 ? (p[1] << 8 | p[2]) : -1;
    t.skip = n >= 3 ? 3 : n;
    t.part = part;
    t.kind = part >= 1 && part <= 15 && part != 12 ? TableKind::kIso8859Long : TableKind::kUnknownPart;
  } else if (first >= 0x11 && first <= 0x15) {
    constexpr TableKind kinds[] = {TableKind::kUcs2, TableKind::kKsx1001, TableKind::kGb2312,
                                   TableKind::kBig5Subset, TableKind::kUtf8};
    t.kind = kinds[first - 0x11];
  } else {
    t.kind = TableKind::kUnsupported;
  }
  return t;
}

size_t ToUtf8(const uint8_t* bytes, size_t length, Breaks breaks, char* out, size_t capacity,
              Table* announced) {
  Sink sink(out, capacity, breaks);
  const Table t = AnnouncedTable(bytes, length);
  if (announced != nullptr) *announced = t;
  if (bytes == nullptr) return sink.Finish();
  const uint8_t* p = bytes + t.skip;
  const size_t n = length - t.skip;
  switch (t.kind) {
    case TableKind::kDefault: DefaultTable(p, n, sink); break;
    case TableKind::kIso8859:
    case TableKind::kIso8859Long: Iso8859(t.part, p, n, sink); break;
    case TableKind::kUcs2:
    case TableKind::kBig5Subset: Ucs2(p, n, sink); break;
    case TableKind::kKsx1001: DoubleByte(DoubleByteTable::kKsx1001, p, n, sink); break;
    case TableKind::kGb2312: DoubleByte(DoubleByteTable::kGb2312, p, n, sink); break;
    case TableKind::kUtf8: Utf8(p, n, sink); break;
    default: Unsupported(p, n, sink); break;
  }
  return sink.Finish();
}

}  // namespace dvbtext
