// The EPG panel's all-channels view as text: a row for each remembered
// channel with its present and following events, and the rows of a search
// over every channel. Pure: the events come from the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/schedule_text.h"

namespace guide {

constexpr int kSearchRowCap = 5000;  // search rows listed; one more row tells the rest

struct OverviewEvent {
  int64_t startUtc;
  int32_t durationSec;  // 0: not known
  const char* title;    // as the rows show it (UTF-8 with epgchars 1)
};

struct OverviewChannel {
  const char* name;     // as the host names it
  int64_t lastTuned;    // when the user last tuned it (larger: later)
  bool tuned;           // the channel tuned now
  const OverviewEvent* present;    // null: none in the store
  const OverviewEvent* following;  // null: not known
};

// The order of the rows: indexes into channels, the tuned channel first,
// then the others as last tuned, latest first; channels without a present
// event have no row. Returns how many (at most capacity).
int OrderOverview(const OverviewChannel* channels, int count, int* order, int capacity);

// One row: "name\tHH:MM title", then, where known, "\t+N min" (minutes left,
// rounded up) and "\tHH:MM title" of the following event; without the
// minutes left but with a following event its column stays, empty. False
// (and "") without a present event.
bool FormatOverviewRow(const OverviewChannel& channel, int64_t nowUtc, const TimeRules& rules,
                       char* out, size_t capacity);

// One event that a search found.
struct SearchHit {
  int64_t startUtc;
  int order;            // its channel's place in the overview, for equal starts
  uint16_t eventId;
  const char* name;     // the channel's
  const char* title;
};

// "Ddd DD.MM. HH:MM name: title".
void FormatSearchRow(const SearchHit& hit, const TimeRules& rules, char* out, size_t capacity);
// The last row when more than kSearchRowCap were found: "N more matches not listed".
void FormatMoreRow(int more, char* out, size_t capacity);

// Sorts the hits in start order and passes each row's text to row: the
// first kSearchRowCap, then the row that counts the others. Returns the rows given.
using RowSink = void (*)(void* context, const SearchHit* hit, const char* text);
int ComposeSearchRows(SearchHit* hits, int count, const TimeRules& rules, RowSink row,
                      void* context);

}  // namespace guide
