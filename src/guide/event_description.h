// An event's whole text, composed once from what the store kept of it: its
// genre names, age and marks, its short text, then its extended description
// and items. The EPG panel's text box and the user tool (--schedule
// --details, XMLTV) show what this writes. Pure; fixed buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/event_facts.h"
#include "guide/event_marks.h"
#include "guide/event_store.h"
#include "guide/extended_text.h"

namespace guide {

// Entries kept of one event's content and parental rating descriptors and
// components read; more are passed over.
constexpr size_t kMaxEventGenres = 8;
constexpr size_t kMaxEventRatings = 16;
constexpr size_t kMaxEventComponents = 16;

// Every byte an event keeps converted (at most three bytes of UTF-8 each),
// with its lines and labels: a buffer this large is never cut.
constexpr size_t kEventTextBuffer =
    3 * (2 * 255 + kMaxEventDetail) + 24 * (kMaxExtendedItems + 8) + 512;

// What an event's kept descriptors say, read but not yet put in words.
struct EventFacts {
  Genre genres[kMaxEventGenres];
  size_t genreCount = 0;
  RatingEntry ratings[kMaxEventRatings];
  size_t ratingCount = 0;
  Marks marks = 0;
  DescriptorBytes extended[kMaxExtendedDescriptors];  // payloads, in the order kept
  size_t extendedCount = 0;
};
void ReadEventFacts(const StoredEvent& e, EventFacts* out);

// The genre names of every named genre, each once, joined by ", "
// ("Movie/Drama: comedy, Sports"); returns the length ("" when none).
size_t GenreNames(const EventFacts& facts, char* out, size_t capacity);

// The age and the marks on one line ("12+ HD 16:9 AD"); "" when neither.
size_t AgeAndMarks(const EventFacts& facts, char* out, size_t capacity);

// How the description was made.
struct DescriptionParts {
  bool extended = false;      // an extended description (text or items) exists
  bool shortShown = false;    // the short text is in it (not empty, not repeated)
  size_t shortLength = 0;     // its bytes at the front of out when shown
};

// The whole description, a part to a line: the short text (left out when
// the extended text begins with it), the extended text, then its items,
// "Director: name" one to a line. UTF-8 with line breaks (unicode), else
// the 8-bit form the banner shows. Returns the length.
size_t FormatDescription(const StoredEvent& e, const EventFacts& facts, bool unicode, char* out,
                         size_t capacity, DescriptionParts* parts = nullptr);

// The facts' lines, then the description: the genre names, the age and
// marks, then FormatDescription's lines, a line each, those with nothing
// left out. Returns the length.
size_t FormatEventText(const StoredEvent& e, bool unicode, char* out, size_t capacity);

}  // namespace guide
