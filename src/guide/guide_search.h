// The guide's search: the words typed, folded once, and whether an event's
// texts hold every one of them. Pure; matching allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace guide {

constexpr int kSearchWords = 16;             // words past these are not looked for
constexpr size_t kSearchQueryBytes = 256;    // the folded words, each NUL-terminated

// The words typed, split on blanks and folded as the texts will be.
struct SearchQuery {
  bool unicode = false;  // texts are UTF-8 (epgchars 1), else the 8-bit lines
  int words = 0;         // none: everything matches
  uint16_t offset[kSearchWords] = {};
  uint16_t length[kSearchWords] = {};
  char folded[kSearchQueryBytes] = {};
};

// Prepares typed (NUL-terminated, in the texts' own form). With unicode the
// words and the texts are UTF-8 and fold alike: case for Latin, Greek and
// Cyrillic, Latin accents to their base letters (ß to ss), Greek tonos and
// dialytika dropped. Without it both are the 8-bit lines as the panel shows
// them, whose bytes above 0x7F belong to the broadcast's character table:
// only ASCII letters fold, the rest compares byte for byte.
void PrepareSearch(const char* typed, bool unicode, SearchQuery* query);

// One text of an event: its title, short text or description (length bytes,
// or fewer when a NUL comes first).
struct SearchText {
  const char* text;
  size_t length;
};

// True when every word occurs in one of the texts.
bool SearchMatches(const SearchQuery& query, const SearchText* texts, int count);

// Folds one text as the search does into out (always terminated; a text
// folded longer than capacity is cut at a character); returns its length.
size_t FoldSearchText(const char* text, size_t length, bool unicode, char* out, size_t capacity);

}  // namespace guide
