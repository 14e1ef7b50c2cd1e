// The tuned channel's schedule for the EPG panel: its rows from the present
// event on, and one event's detail, read from the store under the schedule
// lock and made into text by the banner's rules.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/channel_record.h"
#include "common/text.h"
#include "guide/event_description.h"
#include "guide/event_store.h"
#include "guide/event_time.h"
#include "guide/guide.h"
#include "guide/schedule_engine.h"
#include "guide/schedule_text.h"
#include "platform/win32.h"
#include "settings/settings.h"

namespace guide {
namespace {

TimeRules CurrentRules() {
  TimeRules rules;
  if (settings.localtime.load() == 1) rules.local = &LocalCivilTime;
  rules.timeshift = settings.timeshift.load();
  rules.unicode = settings.epgchars.load() == 1;
  return rules;
}

// The tuned service's events with a start, in start order, one of each
// start (malloc'd; the caller frees it), and the index of the first row: the
// present event, or without one the first event not ended by nowUtc.
struct Ordered {
  EventKey* keys = nullptr;
  int count = 0;
  int first = 0;
};

Ordered OrderEvents(const EventStore& store, uint16_t serviceId, int64_t nowUtc) {
  Ordered o;
  const int count = store.EventCount(serviceId);
  if (count == 0) return o;
  o.keys = static_cast<EventKey*>(std::malloc(sizeof(EventKey) * static_cast<size_t>(count)));
  if (o.keys == nullptr) return o;
  // The store gives the events it took last first; of two with one start
  // (the broadcaster changed the event's id) the present or following one
  // stays, else the one taken last.
  const int n = store.Keys(serviceId, o.keys, count);
  EventKey* const end =
      std::remove_if(o.keys, o.keys + n, [](const EventKey& k) { return k.startUtc == 0; });
  std::stable_sort(o.keys, end, [](const EventKey& a, const EventKey& b) {
    return a.startUtc < b.startUtc;
  });
  for (EventKey* k = o.keys; k != end; ++k) {
    if (o.count > 0 && o.keys[o.count - 1].startUtc == k->startUtc) {
      const EventKey& kept = o.keys[o.count - 1];
      if ((k->present || k->following) && !kept.present && !kept.following) o.keys[o.count - 1] = *k;
      continue;
    }
    o.keys[o.count++] = *k;
  }
  int present = -1, notEnded = -1;
  for (int i = 0; i < o.count; ++i) {
    if (o.keys[i].present && present < 0) present = i;
    if (notEnded < 0 && o.keys[i].startUtc + o.keys[i].duration > nowUtc) notEnded = i;
  }
  o.first = present >= 0 ? present : notEnded >= 0 ? notEnded : o.count;
  return o;
}

// The colour of the event's first genre whose group has one; -1 without.
int32_t RowColour(const StoredEvent& e) {
  EventFacts facts;
  ReadEventFacts(e, &facts);
  uint32_t rgb = 0;
  for (size_t i = 0; i < facts.genreCount; ++i)
    if (GenreColourOf(facts.genres[i].level1, &rgb)) return static_cast<int32_t>(rgb);
  return -1;
}

struct RowsRequest {
  uint16_t serviceId;
  int64_t nowUtc;
  ScheduleRow* rows;
  int maxRows;
  int written;
};

void ReadRows(const EventStore& store, void* context) {
  RowsRequest* r = static_cast<RowsRequest*>(context);
  Ordered o = OrderEvents(store, r->serviceId, r->nowUtc);
  const TimeRules rules = CurrentRules();
  if (o.first < o.count) {
    const CivilTime day = ShownTime(o.keys[o.first].startUtc, rules);
    StoredEvent e;
    for (int i = o.first; i < o.count && r->written < r->maxRows; ++i) {
      // After the first row, events already ended (inside a long one, such
      // as a filler of a whole day) are not shown.
      if (i > o.first && o.keys[i].startUtc + o.keys[i].duration <= r->nowUtc) continue;
      int more = 0;
      for (int j = i; r->written == r->maxRows - 1 && j < o.count; ++j)
        if (o.keys[j].startUtc + o.keys[j].duration > r->nowUtc) ++more;
      if (more > 1) {
        // The last row says how many more the store holds.
        ScheduleRow& row = r->rows[r->written++];
        row.eventId = o.keys[i].eventId;
        row.startUtc = o.keys[i].startUtc;
        row.durationSec = o.keys[i].duration;
        FormatText(row.text, sizeof row.text, "... %d more", more);
        break;
      }
      if (!store.Find(r->serviceId, o.keys[i].eventId, &e)) continue;
      ScheduleRow& row = r->rows[r->written++];
      row.eventId = e.key.eventId;
      row.startUtc = e.key.startUtc;
      row.durationSec = e.key.duration;
      row.colour = RowColour(e);
      FormatScheduleRow(e, day, rules, row.text, sizeof row.text);
    }
  }
  std::free(o.keys);
}

struct DetailRequest {
  uint16_t serviceId;
  uint16_t eventId;
  char* out;
  size_t capacity;
  bool found;
};

void ReadDetail(const EventStore& store, void* context) {
  DetailRequest* r = static_cast<DetailRequest*>(context);
  const TimeRules rules = CurrentRules();
  // The day of the first row (the present event's) decides the day prefix.
  Ordered o = OrderEvents(store, r->serviceId, win32::UtcNowSeconds());
  const bool first = o.first < o.count;
  const int64_t dayStart = first ? o.keys[o.first].startUtc : 0;
  std::free(o.keys);
  StoredEvent e;
  if (!store.Find(r->serviceId, r->eventId, &e)) return;
  FormatScheduleDetail(e, ShownTime(first ? dayStart : e.key.startUtc, rules), rules, r->out,
                       r->capacity);
  r->found = true;
}

static_assert(kDetailBuffer >= kEventTextBuffer + 3 * 255 + 64, "a detail fits its buffer whole");

}  // namespace

int CopyScheduleRows(int64_t nowUtc, ScheduleRow* rows, int maxRows) {
  if (rows == nullptr || maxRows <= 0) return 0;
  RowsRequest r = {CurrentServiceId(), nowUtc, rows, maxRows, 0};
  ReadSchedule(&ReadRows, &r);
  return r.written;
}

bool CopyScheduleDetail(uint16_t eventId, char* out, size_t capacity, bool* unicode) {
  if (unicode != nullptr) *unicode = settings.epgchars.load() == 1;
  if (out == nullptr || capacity == 0) return false;
  out[0] = '\0';
  DetailRequest r = {CurrentServiceId(), eventId, out, capacity, false};
  ReadSchedule(&ReadDetail, &r);
  return r.found;
}

}  // namespace guide
