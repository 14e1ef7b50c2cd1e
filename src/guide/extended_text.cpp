// Joining an event's extended event descriptors into one text and its items.
#include "guide/extended_text.h"

#include <cstring>

namespace guide {
namespace {

// One descriptor's fields.
struct Piece {
  int number = 0;
  int last = 0;
  const uint8_t* language = nullptr;
  const uint8_t* items = nullptr;
  size_t itemsLength = 0;
  const uint8_t* text = nullptr;
  size_t textLength = 0;
};

// descriptor_number and last_descriptor_number, the language, the items'
// loop and the text; false when a length runs past the payload.
bool ReadPiece(const DescriptorBytes& d, Piece* p) {
  if (d.bytes == nullptr || d.length < 6) return false;
  p->number = d.bytes[0] >> 4;
  p->last = d.bytes[0] & 0x0F;
  p->language = d.bytes + 1;
  p->itemsLength = d.bytes[4];
  p->items = d.bytes + 5;
  const size_t textAt = 5 + p->itemsLength;
  if (textAt >= d.length) return false;
  p->textLength = d.bytes[textAt];
  p->text = d.bytes + textAt + 1;
  return textAt + 1 + p->textLength <= d.length;
}

uint8_t Lower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c - 'A' + 'a') : c; }

bool SameLanguage(const uint8_t* a, const char* b) {
  for (int k = 0; k < 3; ++k)
    if (Lower(a[k]) != Lower(static_cast<uint8_t>(b[k]))) return false;
  return true;
}

// The length of the character-table selection text begins with: 0x10 and
// its two bytes, 0x1F and its encoding byte, one byte of 0x01-0x0B or
// 0x11-0x15; 0 when it begins with none.
size_t SelectionLength(const uint8_t* text, size_t length) {
  if (length == 0) return 0;
  const uint8_t c = text[0];
  size_t n = 0;
  if (c == 0x10) n = 3;
  else if (c == 0x1F) n = 2;
  else if ((c >= 0x01 && c <= 0x0B) || (c >= 0x11 && c <= 0x15)) n = 1;
  return n < length ? n : length;
}

// Tables whose characters are two bytes each: ISO 10646 and its Big5
// subset. There a piece that begins with the table byte may instead begin
// with a character (U+11xx) or the second half of one.
bool FixedTwoByte(uint8_t selection) { return selection == 0x11 || selection == 0x14; }
// Tables of EUC byte pairs (lead and trail 0xA1-0xFE) among one-byte ASCII.
bool EucPairs(uint8_t selection) { return selection == 0x12 || selection == 0x13; }

// One text read from pieces: the first non-empty piece gives the table
// selection that stays at the front; a later piece's repeated selection is
// dropped, and a character split between two pieces is joined again.
class TextJoiner {
 public:
  TextJoiner(uint8_t* buffer, size_t capacity, size_t start)
      : buf_(buffer), cap_(capacity), start_(start), end_(start) {}

  // repeats: every later piece of this text begins with a selection (for
  // the two-byte tables, where a piece's first byte may be text).
  void Add(const uint8_t* piece, size_t length, bool repeats) {
    if (length == 0) return;
    if (!started_) {
      started_ = true;
      Select(piece, length);
      Put(piece, length);
      return;
    }
    // Only a copy of the first piece's own selection is one: a later piece
    // may begin with a line feed (0x0A) that is text.
    const size_t sel = SelectionLength(piece, length);
    const bool copy = sel > 0 && sel == selectionLength_ &&
                      std::memcmp(piece, selectionBytes_, sel) == 0;
    if (copy && (!FixedTwoByte(selection_) || repeats)) {
      piece += sel;
      length -= sel;
    }
    Put(piece, length);
  }

  // Takes the length bytes already at the start as the first piece.
  void Resume(size_t length) {
    started_ = true;
    end_ = start_ + length;
    Select(buf_ + start_, length);
  }

  size_t end() const { return end_; }
  bool cut() const { return cut_; }

 private:
  void Put(const uint8_t* bytes, size_t length) {
    if (cut_) return;
    size_t room = cap_ > end_ ? cap_ - end_ : 0;
    if (length > room) {
      cut_ = true;
      length = room;
    }
    if (length > 0) std::memcpy(buf_ + end_, bytes, length);
    end_ += length;
    if (cut_) end_ = WholeEnd();
  }

  // Keeps the selection the first piece begins with.
  void Select(const uint8_t* piece, size_t length) {
    selectionLength_ = SelectionLength(piece, length);
    selection_ = selectionLength_ > 0 ? piece[0] : 0;
    if (selectionLength_ > 0) std::memcpy(selectionBytes_, piece, selectionLength_);
  }

  // Where the text ends when cut: after its last whole character.
  size_t WholeEnd() const {
    const size_t text = start_ + selectionLength_;
    if (end_ <= text) return end_;
    if (FixedTwoByte(selection_)) return end_ - (end_ - text) % 2;
    if (EucPairs(selection_)) {
      size_t i = text;
      size_t whole = text;
      while (i < end_) {
        const bool lead = buf_[i] >= 0xA1 && buf_[i] <= 0xFE;
        if (lead && i + 1 >= end_) break;  // half a pair at the end
        i += lead && buf_[i + 1] >= 0xA1 && buf_[i + 1] <= 0xFE ? 2 : 1;
        whole = i;
      }
      return whole;
    }
    size_t e = end_;
    if (selection_ == 0x15) {  // UTF-8: back to the start of the last sequence
      size_t lead = e - 1;
      while (lead > text && (buf_[lead] & 0xC0) == 0x80) --lead;
      const uint8_t c = buf_[lead];
      const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      return e - lead < need ? lead : e;
    }
    // The default table: a diacritic without its letter goes too.
    if (selection_ == 0 && buf_[e - 1] >= 0xC1 && buf_[e - 1] <= 0xCF) --e;
    return e;
  }

  uint8_t* buf_;
  size_t cap_;
  size_t start_;
  size_t end_;
  bool started_ = false;
  uint8_t selection_ = 0;
  uint8_t selectionBytes_[3] = {};
  size_t selectionLength_ = 0;
  bool cut_ = false;
};

// Does every piece after the first non-empty one begin with a selection?
bool EveryLaterPieceRepeats(const Piece* const* pieces, size_t count) {
  bool first = true;
  for (size_t i = 0; i < count; ++i) {
    if (pieces[i]->textLength == 0) continue;
    if (!first && SelectionLength(pieces[i]->text, pieces[i]->textLength) == 0) return false;
    first = false;
  }
  return true;
}

ByteSpan Span(size_t from, size_t to) {
  ByteSpan s;
  s.offset = static_cast<uint32_t>(from);
  s.length = static_cast<uint32_t>(to - from);
  return s;
}

// The items of the pieces after the text, from *at on.
void JoinItems(const Piece* const* pieces, size_t count, uint8_t* buffer, size_t capacity,
               size_t* at, JoinedExtended* out) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = pieces[i]->items;
    const size_t n = pieces[i]->itemsLength;
    size_t k = 0;
    while (k < n) {
      const size_t descLength = p[k];
      const size_t itemAt = k + 1 + descLength;
      if (itemAt >= n || itemAt + 1 + p[itemAt] > n) break;  // a bad length ends the loop
      const size_t itemLength = p[itemAt];
      const uint8_t* desc = p + k + 1;
      const uint8_t* item = p + itemAt + 1;
      k = itemAt + 1 + itemLength;
      if (SelectionLength(desc, descLength) == descLength && out->itemCount > 0) {
        // No description: the item before goes on, and it ends the buffer.
        ExtendedItem& before = out->items[out->itemCount - 1];
        TextJoiner more(buffer, capacity, before.item.offset);
        more.Resume(before.item.length);
        more.Add(item, itemLength, true);
        before.item = Span(before.item.offset, more.end());
        *at = more.end();
        out->truncated |= more.cut();
        continue;
      }
      if (out->itemCount == kMaxExtendedItems) {
        out->truncated = true;
        return;
      }
      TextJoiner d(buffer, capacity, *at);
      d.Add(desc, descLength, false);
      TextJoiner t(buffer, capacity, d.end());
      t.Add(item, itemLength, false);
      ExtendedItem& e = out->items[out->itemCount++];
      e.description = Span(*at, d.end());
      e.item = Span(d.end(), t.end());
      *at = t.end();
      out->truncated |= d.cut() || t.cut();
    }
  }
}

bool Blank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Past the blanks at s.
const char* SkipBlanks(const char* s) {
  while (Blank(*s)) ++s;
  return s;
}

}  // namespace

bool JoinExtended(const DescriptorBytes* descriptors, size_t count, const char* shortLanguage,
                  uint8_t* buffer, size_t capacity, JoinedExtended* out) {
  *out = JoinedExtended();
  // The language: the short event's when a descriptor has it, else the
  // first readable descriptor's.
  const uint8_t* language = nullptr;
  Piece piece;
  for (size_t i = 0; i < count; ++i) {
    if (!ReadPiece(descriptors[i], &piece)) continue;
    if (language == nullptr) language = piece.language;
    if (shortLanguage != nullptr && SameLanguage(piece.language, shortLanguage)) {
      language = piece.language;
      break;
    }
  }
  if (language == nullptr) return false;
  std::memcpy(out->language, language, 3);

  // That language's descriptors by number, the first of each number.
  Piece slots[kMaxExtendedDescriptors];
  bool filled[kMaxExtendedDescriptors] = {};
  for (size_t i = 0; i < count; ++i) {
    if (!ReadPiece(descriptors[i], &piece)) continue;
    if (!SameLanguage(piece.language, reinterpret_cast<const char*>(language))) continue;
    if (filled[piece.number]) continue;
    slots[piece.number] = piece;
    filled[piece.number] = true;
  }
  int last = -1;  // the lowest-numbered descriptor's last_descriptor_number
  for (size_t n = 0; n < kMaxExtendedDescriptors && last < 0; ++n)
    if (filled[n]) last = slots[n].last;
  const Piece* ordered[kMaxExtendedDescriptors];
  size_t pieces = 0;
  for (int n = 0; n <= last; ++n)
    if (filled[n]) ordered[pieces++] = &slots[n];
  out->descriptors = static_cast<int>(pieces);

  TextJoiner text(buffer, capacity, 0);
  const bool repeats = EveryLaterPieceRepeats(ordered, pieces);
  for (size_t i = 0; i < pieces; ++i) text.Add(ordered[i]->text, ordered[i]->textLength, repeats);
  out->text = Span(0, text.end());
  out->truncated = text.cut();
  size_t at = text.end();
  JoinItems(ordered, pieces, buffer, capacity, &at, out);
  return true;
}

bool ExtendedRepeatsShort(const char* shortUtf8, const char* extendedUtf8) {
  if (shortUtf8 == nullptr || extendedUtf8 == nullptr) return false;
  const char* s = SkipBlanks(shortUtf8);
  // The short text's end, without blanks and a closing ellipsis.
  const char* end = s + std::strlen(s);
  while (end > s && Blank(end[-1])) --end;
  bool ellipsis = false;
  if (end - s >= 3 && std::memcmp(end - 3, "...", 3) == 0) {
    end -= 3;
    ellipsis = true;
  } else if (end - s >= 3 && std::memcmp(end - 3, "\xE2\x80\xA6", 3) == 0) {  // U+2026
    end -= 3;
    ellipsis = true;
  }
  while (end > s && Blank(end[-1])) --end;
  if (s == end) return false;
  const char* e = SkipBlanks(extendedUtf8);
  while (s < end) {
    if (Blank(*s)) {  // a run of blanks on each side
      if (!Blank(*e)) return false;
      s = SkipBlanks(s);
      e = SkipBlanks(e);
      continue;
    }
    if (*s++ != *e++) return false;
  }
  // A whole word: the extended text does not go on with a letter or digit
  // (bytes of UTF-8 sequences count as letters).
  const unsigned char next = static_cast<unsigned char>(*e);
  const bool wordGoesOn = next >= 0x80 || (next >= '0' && next <= '9') ||
                          ((next | 0x20) >= 'a' && (next | 0x20) <= 'z');
  return ellipsis || !wordGoesOn;
}

}  // namespace guide
