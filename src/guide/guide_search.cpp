// The guide's search: folding text (case, accents) and finding every word typed.
#include "guide/guide_search.h"

#include <cstring>

#include "guide/fold_table.h"

namespace guide {
namespace {

constexpr size_t kChunk = 1024;  // a text is folded and searched this much at a time

// Bytes with ASCII letters in lower case.
struct AsciiFold {
  char byte[256];
  constexpr AsciiFold() : byte() {
    for (int b = 0; b < 256; ++b) byte[b] = static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
  }
};
constexpr AsciiFold kAsciiFold;

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool Continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Folds the character at s[0] (n bytes left, n >= 1) into out; *used is how
// many bytes it took. Returns the folded length (0 to 4). A broken UTF-8
// sequence passes its first byte alone, as it is.
size_t FoldChar(const uint8_t* s, size_t n, bool unicode, char* out, size_t* used) {
  const uint8_t b = s[0];
  *used = 1;
  if (b < 0x80 || !unicode) {
    out[0] = kAsciiFold.byte[b];
    return 1;
  }
  size_t len = b >= 0xC2 && b <= 0xDF   ? 2
               : b >= 0xE0 && b <= 0xEF ? 3
               : b >= 0xF0 && b <= 0xF4 ? 4
                                        : 1;
  if (len > n) len = 1;
  for (size_t k = 1; k < len; ++k)
    if (!Continuation(s[k])) len = 1;
  *used = len;
  if (len == 2) {
    const unsigned cp = (unsigned(b & 0x1F) << 6) | (s[1] & 0x3F);
    if (cp >= kFoldFirst && cp < kFoldEnd) {
      const char* f = kFoldTable[cp - kFoldFirst];
      const size_t k = f[0] == '\0' ? 0 : f[1] == '\0' ? 1 : 2;
      std::memcpy(out, f, k);
      return k;
    }
  }
  std::memcpy(out, s, len);
  return len;
}

bool Contains(const char* text, size_t n, const char* word, size_t length) {
  if (length > n) return false;
  const char* end = text + (n - length) + 1;
  for (const char* p = text; p < end;) {
    p = static_cast<const char*>(std::memchr(p, word[0], static_cast<size_t>(end - p)));
    if (p == nullptr) return false;
    if (std::memcmp(p, word, length) == 0) return true;
    ++p;
  }
  return false;
}

// The words of missing (a bit for each) that folded still does not hold.
uint32_t StillMissing(const SearchQuery& q, const char* folded, size_t n, uint32_t missing) {
  for (int w = 0; w < q.words; ++w)
    if ((missing >> w & 1u) && Contains(folded, n, q.folded + q.offset[w], q.length[w]))
      missing &= ~(1u << w);
  return missing;
}

// Folds the text a chunk at a time; a chunk keeps the end of the one before
// it, as long as the longest word less one byte, so no word is cut in two.
uint32_t LookIn(const SearchQuery& q, const SearchText& t, size_t keep, uint32_t missing) {
  if (t.text == nullptr) return missing;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(t.text);
  char buf[kChunk];
  size_t n = 0;
  for (size_t i = 0; i < t.length && s[i] != 0;) {
    if (n + 4 > sizeof buf) {
      missing = StillMissing(q, buf, n, missing);
      if (missing == 0) return 0;
      const size_t tail = n < keep ? n : keep;
      std::memmove(buf, buf + n - tail, tail);
      n = tail;
    }
    // Most bytes fold alone, only their case: a run of them at once.
    const uint8_t last = q.unicode ? 0x7F : 0xFF;
    size_t room = t.length - i < sizeof buf - n ? t.length - i : sizeof buf - n;
    for (; room > 0 && s[i] != 0 && s[i] <= last; --room) buf[n++] = kAsciiFold.byte[s[i++]];
    if (i == t.length || s[i] <= last || n + 4 > sizeof buf) continue;  // the end, or a full chunk
    size_t used;
    n += FoldChar(s + i, t.length - i, true, buf + n, &used);
    i += used;
  }
  return StillMissing(q, buf, n, missing);
}

}  // namespace

size_t FoldSearchText(const char* text, size_t length, bool unicode, char* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  size_t n = 0;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text);
  for (size_t i = 0; s != nullptr && i < length && s[i] != 0;) {
    char c[4];
    size_t used;
    const size_t k = FoldChar(s + i, length - i, unicode, c, &used);
    if (n + k >= capacity) break;
    std::memcpy(out + n, c, k);
    n += k;
    i += used;
  }
  out[n] = '\0';
  return n;
}

void PrepareSearch(const char* typed, bool unicode, SearchQuery* query) {
  if (query == nullptr) return;
  *query = SearchQuery();
  query->unicode = unicode;
  if (typed == nullptr) return;
  char all[kSearchQueryBytes];
  const size_t n = FoldSearchText(typed, std::strlen(typed), unicode, all, sizeof all);
  size_t used = 0;
  for (size_t i = 0; i < n && query->words < kSearchWords;) {
    while (i < n && Blank(all[i])) ++i;
    const size_t start = i;
    while (i < n && !Blank(all[i])) ++i;
    const size_t length = i - start;
    if (length == 0 || used + length + 1 > sizeof query->folded) continue;
    std::memcpy(query->folded + used, all + start, length);
    query->folded[used + length] = '\0';
    query->offset[query->words] = static_cast<uint16_t>(used);
    query->length[query->words] = static_cast<uint16_t>(length);
    ++query->words;
    used += length + 1;
  }
}

bool SearchMatches(const SearchQuery& query, const SearchText* texts, int count) {
  if (query.words == 0) return true;
  size_t keep = 0;
  for (int w = 0; w < query.words; ++w)
    if (query.length[w] > keep) keep = query.length[w];
  keep -= 1;
  uint32_t missing = (1u << query.words) - 1;
  for (int i = 0; i < count && texts != nullptr && missing != 0; ++i)
    missing = LookIn(query, texts[i], keep, missing);
  return missing == 0;
}

}  // namespace guide
