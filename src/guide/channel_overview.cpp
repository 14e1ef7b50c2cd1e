// The all-channels view's rows: now and next on each channel, and search rows.
#include "guide/channel_overview.h"

#include <algorithm>

#include "common/text.h"

namespace guide {
namespace {

// Appends text at *n, cut at the buffer's end.
void Append(char* out, size_t capacity, size_t* n, const char* text) {
  if (*n + 1 >= capacity) return;
  *n += CopyText(out + *n, capacity - *n, text);
}

void AppendEvent(const OverviewEvent& e, const TimeRules& rules, char* out, size_t capacity,
                 size_t* n) {
  if (*n + 1 >= capacity) return;
  const CivilTime start = ShownTime(e.startUtc, rules);
  *n += FormatStart(start, start, out + *n, capacity - *n);
  Append(out, capacity, n, " ");
  Append(out, capacity, n, e.title);
}

bool Later(const OverviewChannel& a, const OverviewChannel& b) {
  if (a.tuned != b.tuned) return a.tuned;
  return a.lastTuned > b.lastTuned;
}

bool Earlier(const SearchHit& a, const SearchHit& b) {
  if (a.startUtc != b.startUtc) return a.startUtc < b.startUtc;
  if (a.order != b.order) return a.order < b.order;
  return a.eventId < b.eventId;
}

}  // namespace

int OrderOverview(const OverviewChannel* channels, int count, int* order, int capacity) {
  if (channels == nullptr || order == nullptr) return 0;
  int n = 0;
  for (int i = 0; i < count && n < capacity; ++i)
    if (channels[i].present != nullptr) order[n++] = i;
  std::sort(order, order + n, [&](int a, int b) {
    return Later(channels[a], channels[b]) || (!Later(channels[b], channels[a]) && a < b);
  });
  return n;
}

bool FormatOverviewRow(const OverviewChannel& channel, int64_t nowUtc, const TimeRules& rules,
                       char* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  out[0] = '\0';
  if (channel.present == nullptr) return false;
  const OverviewEvent& now = *channel.present;
  size_t n = 0;
  Append(out, capacity, &n, channel.name);
  Append(out, capacity, &n, "\t");
  AppendEvent(now, rules, out, capacity, &n);
  const bool left = now.durationSec > 0;
  if (!left && channel.following == nullptr) return true;
  Append(out, capacity, &n, "\t");
  if (left) {
    int64_t seconds = now.startUtc + now.durationSec - nowUtc;
    if (seconds < 0) seconds = 0;
    char minutes[24];
    FormatText(minutes, sizeof minutes, "+%d min", static_cast<int>((seconds + 59) / 60));
    Append(out, capacity, &n, minutes);
  }
  if (channel.following == nullptr) return true;
  Append(out, capacity, &n, "\t");
  AppendEvent(*channel.following, rules, out, capacity, &n);
  return true;
}

void FormatSearchRow(const SearchHit& hit, const TimeRules& rules, char* out, size_t capacity) {
  if (out == nullptr || capacity == 0) return;
  out[0] = '\0';
  size_t n = FormatStart(ShownTime(hit.startUtc, rules), kNoDay, out, capacity);
  Append(out, capacity, &n, " ");
  Append(out, capacity, &n, hit.name);
  Append(out, capacity, &n, ": ");
  Append(out, capacity, &n, hit.title);
}

void FormatMoreRow(int more, char* out, size_t capacity) {
  FormatText(out, capacity, "%d more matches not listed", more);
}

int ComposeSearchRows(SearchHit* hits, int count, const TimeRules& rules, RowSink row,
                      void* context) {
  if (hits == nullptr || count <= 0 || row == nullptr) return 0;
  const int shown = std::min(count, kSearchRowCap);
  // Only the first rows need their order; the rest are only counted.
  std::partial_sort(hits, hits + shown, hits + count, Earlier);
  char text[640];
  for (int i = 0; i < shown; ++i) {
    FormatSearchRow(hits[i], rules, text, sizeof text);
    row(context, &hits[i], text);
  }
  if (shown == count) return shown;
  FormatMoreRow(count - shown, text, sizeof text);
  row(context, nullptr, text);
  return shown + 1;
}

}  // namespace guide
