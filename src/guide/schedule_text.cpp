// The schedule's rows and details: their order, shown times, day prefixes,
// titles.
#include "guide/schedule_text.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"
#include "guide/event_description.h"
#include "guide/guide_codes.h"
#include "guide/line_builder.h"
#include "text/dvb_text.h"

namespace guide {
namespace {

constexpr const char* kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

}  // namespace

size_t ShownText(const uint8_t* bytes, size_t length, bool unicode, bool name, char* out,
                 size_t capacity) {
  if (capacity == 0) return 0;
  if (unicode)
    return dvbtext::ToUtf8(bytes, length, name ? dvbtext::Breaks::kBlank : dvbtext::Breaks::kNewline,
                           out, capacity);
  out[0] = '\0';
  const size_t skip = length > 0 && bytes[0] == kThreeByteTable ? size_t(kThreeByteSkip) : 0;
  if (length < skip) return 0;
  size_t n = length - skip;
  if (n > capacity - 1) n = capacity - 1;
  std::memcpy(out, bytes + skip, n);
  out[n] = '\0';
  Clean(out, capacity);
  if (name && n > 0 && static_cast<uint8_t>(out[0]) < kFirstVisible) std::memmove(out, out + 1, n);
  return BoundedLength(out, capacity);
}

size_t FormatStart(const CivilTime& t, const CivilTime& day, char* out, size_t capacity) {
  int n = SameDay(t, day)
              ? FormatText(out, capacity, "%02d:%02d", t.hour, t.minute)
              : FormatText(out, capacity, "%s %02d.%02d. %02d:%02d", kDayNames[t.weekday % 7],
                           t.day, t.month, t.hour, t.minute);
  return Truncated(n, capacity) ? BoundedLength(out, capacity) : static_cast<size_t>(n);
}

int KeysInStartOrder(const EventStore& store, uint16_t serviceId, EventKey* out, int capacity) {
  const int n = store.Keys(serviceId, out, capacity);
  EventKey* const end =
      std::remove_if(out, out + n, [](const EventKey& k) { return k.startUtc == 0; });
  std::sort(out, end, [](const EventKey& a, const EventKey& b) {
    return a.startUtc != b.startUtc ? a.startUtc < b.startUtc : a.eventId < b.eventId;
  });
  return static_cast<int>(end - out);
}

CivilTime ShownTime(int64_t utc, const TimeRules& rules) {
  CivilTime t = CivilOfSeconds(utc), local;
  if (rules.local != nullptr && rules.local(t, &local)) t = local;
  return CivilOfSeconds(SecondsOfCivil(t) + static_cast<int64_t>(rules.timeshift) * 3600);
}

bool SameDay(const CivilTime& a, const CivilTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

void FormatTitle(const StoredEvent& e, bool unicode, char* out, size_t capacity) {
  ShownText(e.name, e.nameLength, unicode, true, out, capacity);
}

void FormatScheduleRow(const StoredEvent& e, const CivilTime& day, const TimeRules& rules,
                       char* out, size_t capacity) {
  if (capacity == 0) return;
  size_t n = FormatStart(ShownTime(e.key.startUtc, rules), day, out, capacity);
  if (n + 1 < capacity) out[n++] = ' ';
  out[n] = '\0';
  FormatTitle(e, rules.unicode, out + n, capacity - n);
}

void FormatScheduleDetail(const StoredEvent& e, const CivilTime& day, const TimeRules& rules,
                          char* out, size_t capacity) {
  if (capacity == 0) return;
  FormatTitle(e, rules.unicode, out, capacity);
  size_t n = BoundedLength(out, capacity);
  auto newline = [&] {
    if (n + 1 < capacity) out[n++] = '\n';
    out[n] = '\0';
  };
  newline();
  n += FormatStart(ShownTime(e.key.startUtc, rules), day, out + n, capacity - n);
  if (e.key.duration > 0) {
    const CivilTime end = ShownTime(e.key.startUtc + e.key.duration, rules);
    int k = FormatText(out + n, capacity - n, " - %02d:%02d", end.hour, end.minute);
    n = Truncated(k, capacity - n) ? BoundedLength(out, capacity) : n + static_cast<size_t>(k);
  }
  if (e.textLength == 0 && e.detailLength == 0) return;
  const size_t before = n;
  newline();
  if (FormatEventText(e, rules.unicode, out + n, capacity - n) == 0) out[before] = '\0';
}

}  // namespace guide
