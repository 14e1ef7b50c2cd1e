// The reminder book: setting and clearing, the clock's tick, and the book as bytes.
#include "guide/reminders.h"

#include <cstring>

#include "common/text.h"

namespace guide {
namespace {

constexpr uint8_t kMagic[4] = {'T', 'R', 'B', '1'};
constexpr int64_t kStartMinute = 60;  // "Starts now" holds for the start's minute

bool SameChannel(const ReminderChannel& a, const ReminderChannel& b) {
  return a.serviceId == b.serviceId && a.transportStreamId == b.transportStreamId &&
         a.networkId == b.networkId;
}

// Little-endian writing that counts what it would need past the end.
struct Writer {
  uint8_t* out;
  size_t capacity, size;
  void Byte(uint8_t b) {
    if (out != nullptr && size < capacity) out[size] = b;
    ++size;
  }
  void Number(uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Text(const char* s, size_t capacity_, int lengthBytes) {
    const size_t n = BoundedLength(s, capacity_);
    Number(n, lengthBytes);
    for (size_t i = 0; i < n; ++i) Byte(static_cast<uint8_t>(s[i]));
  }
};

// Reading that fails, and stays failed, at the first byte past the end.
struct Reader {
  const uint8_t* bytes;
  size_t size, at;
  bool ok;
  uint64_t Number(int n) {
    uint64_t v = 0;
    if (!ok || size - at < static_cast<size_t>(n)) return ok = false, 0;
    for (int i = 0; i < n; ++i) v |= uint64_t(bytes[at + i]) << (8 * i);
    at += static_cast<size_t>(n);
    return v;
  }
  // A text that must fit capacity with its NUL.
  void Text(char* out, size_t capacity, int lengthBytes) {
    const size_t n = static_cast<size_t>(Number(lengthBytes));
    if (!ok || n >= capacity || size - at < n) return void(ok = false);
    std::memcpy(out, bytes + at, n);
    out[n] = '\0';
    at += n;
  }
};

bool ReadReminder(Reader* r, Reminder* out) {
  out->channel.serviceId = static_cast<uint16_t>(r->Number(2));
  out->channel.transportStreamId = static_cast<uint16_t>(r->Number(2));
  out->channel.networkId = static_cast<uint16_t>(r->Number(2));
  out->eventId = static_cast<uint16_t>(r->Number(2));
  out->startUtc = static_cast<int64_t>(r->Number(8));
  const uint64_t shown = r->Number(1);
  out->shown = shown == 1;
  r->Text(out->channel.name, sizeof out->channel.name, 1);
  r->Text(out->title, sizeof out->title, 2);
  return r->ok && shown <= 1;
}

}  // namespace

int ReminderBook::Find(const ReminderChannel& channel, uint16_t eventId) const {
  for (int i = 0; i < count_; ++i)
    if (items_[i].eventId == eventId && SameChannel(items_[i].channel, channel)) return i;
  return -1;
}

void ReminderBook::Remove(int i) {
  std::memmove(&items_[i], &items_[i + 1], sizeof(Reminder) * static_cast<size_t>(count_ - i - 1));
  --count_;
}

bool ReminderBook::Has(const ReminderChannel& channel, uint16_t eventId) const {
  return Find(channel, eventId) >= 0;
}

ToggleResult ReminderBook::Toggle(const ReminderChannel& channel, uint16_t eventId,
                                  int64_t startUtc, const char* title) {
  const int i = Find(channel, eventId);
  if (i >= 0) {
    Remove(i);
    return ToggleResult::kCleared;
  }
  if (count_ == kMaxReminders) return ToggleResult::kFull;
  Reminder& r = items_[count_++];
  r.channel = channel;
  r.channel.name[sizeof r.channel.name - 1] = '\0';
  r.eventId = eventId;
  r.startUtc = startUtc;
  r.shown = false;
  CopyText(r.title, sizeof r.title, title);
  return ToggleResult::kSet;
}

bool ReminderBook::Tick(int64_t nowUtc, int leadMinutes, const TimeRules& rules,
                        const ReminderHooks& hooks, ReminderDue* due) {
  for (int i = 0; i < count_;) {
    Reminder& r = items_[i];
    int64_t start = r.startUtc;
    const EventState state =
        hooks.find != nullptr ? hooks.find(hooks.context, r.channel, r.eventId, &start)
                              : EventState::kUnknown;
    if (state == EventState::kGone) {
      if (hooks.log != nullptr) {
        char line[kReminderLine + kReminderName];
        const CivilTime t = ShownTime(r.startUtc, rules);
        FormatText(line, sizeof line,
                   "Reminder dropped, the event left the schedule: %s %02d:%02d %s",
                   r.channel.name, t.hour, t.minute, r.title);
        hooks.log(hooks.context, line);
      }
      Remove(i);
      continue;
    }
    if (state == EventState::kHeld && start != r.startUtc) {
      r.startUtc = start;  // the event moved: so does its reminder, due afresh
      r.shown = false;
    }
    if (nowUtc >= r.startUtc + kStartMinute) {
      Remove(i);
      continue;
    }
    ++i;
  }
  if (leadMinutes <= 0 || due == nullptr) return false;
  if (leadMinutes > kRemindMaxMinutes) leadMinutes = kRemindMaxMinutes;
  int first = -1;
  for (int i = 0; i < count_; ++i) {
    const Reminder& r = items_[i];
    if (r.shown || nowUtc < r.startUtc - int64_t(leadMinutes) * 60) continue;
    if (first < 0 || r.startUtc < items_[first].startUtc) first = i;
  }
  if (first < 0) return false;
  Reminder& r = items_[first];
  r.shown = true;
  due->channel = r.channel;
  due->eventId = r.eventId;
  due->startUtc = r.startUtc;
  FormatReminderLine(r, nowUtc, rules, due->line, sizeof due->line);
  return true;
}

size_t ReminderBook::Save(uint8_t* out, size_t capacity) const {
  Writer w = {nullptr, 0, 0};
  for (int pass = 0; pass < 2; ++pass) {
    for (uint8_t b : kMagic) w.Byte(b);
    w.Number(static_cast<uint64_t>(count_), 2);
    for (int i = 0; i < count_; ++i) {
      const Reminder& r = items_[i];
      w.Number(r.channel.serviceId, 2);
      w.Number(r.channel.transportStreamId, 2);
      w.Number(r.channel.networkId, 2);
      w.Number(r.eventId, 2);
      w.Number(static_cast<uint64_t>(r.startUtc), 8);
      w.Byte(r.shown ? 1 : 0);
      w.Text(r.channel.name, sizeof r.channel.name, 1);
      w.Text(r.title, sizeof r.title, 2);
    }
    if (pass == 1 || out == nullptr || w.size > capacity) break;
    w = {out, capacity, 0};  // it fits: write it
  }
  return w.size;
}

bool ReminderBook::Load(const uint8_t* bytes, size_t size, int64_t nowUtc) {
  count_ = 0;
  if (bytes == nullptr || size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
    return false;
  Reader r = {bytes, size, sizeof kMagic, true};
  const uint64_t count = r.Number(2);
  if (!r.ok || count > kMaxReminders) return false;
  for (uint64_t i = 0; i < count; ++i) {
    Reminder& item = items_[count_];
    if (!ReadReminder(&r, &item)) return count_ = 0, false;
    if (item.startUtc > nowUtc && !Has(item.channel, item.eventId)) ++count_;
  }
  if (r.at != size) return count_ = 0, false;
  return true;
}

void FormatReminderLine(const Reminder& r, int64_t nowUtc, const TimeRules& rules, char* out,
                        size_t capacity) {
  const CivilTime t = ShownTime(r.startUtc, rules);
  const int64_t left = r.startUtc - nowUtc;
  if (left <= 0)
    FormatText(out, capacity, "Starts now: %02d:%02d %s", t.hour, t.minute, r.title);
  else
    FormatText(out, capacity, "Starts in %d min: %02d:%02d %s",
               left > 99999 * 60 ? 99999 : static_cast<int>((left + 59) / 60), t.hour, t.minute,
               r.title);
}

}  // namespace guide
