// The reminder book: the events the user asked to be told of, each on its
// channel, following the schedule's versions and falling due once before the
// start. Pure: the clock and the schedule come from the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/schedule_text.h"

namespace guide {

constexpr int kMaxReminders = 100;
constexpr int kRemindMaxMinutes = 30;  // tavik.ini's remind: 0 (off) to this
constexpr size_t kReminderName = 64;   // the channel's name as the host names it
constexpr size_t kReminderTitle = 320; // the title as the panel's rows show it
constexpr size_t kReminderLine = 400;

struct ReminderChannel {
  uint16_t serviceId, transportStreamId, networkId;
  char name[kReminderName];
};

struct Reminder {
  ReminderChannel channel;
  uint16_t eventId;
  int64_t startUtc;
  bool shown;  // fell due already at this start
  char title[kReminderTitle];
};

// Where the schedule stands on an event.
enum class EventState {
  kHeld,     // the event is there; its start is given
  kGone,     // the channel's schedule is there without the event
  kUnknown,  // the channel's schedule is not held now (another transponder): no news
};

struct ReminderHooks {
  EventState (*find)(void* context, const ReminderChannel& channel, uint16_t eventId,
                     int64_t* startUtc) = nullptr;
  void (*log)(void* context, const char* line) = nullptr;  // may be null
  void* context = nullptr;
};

// What falls due at a tick: the channel to show and the banner's line.
struct ReminderDue {
  ReminderChannel channel;
  uint16_t eventId;
  int64_t startUtc;
  char line[kReminderLine];
};

enum class ToggleResult { kSet, kCleared, kFull };

class ReminderBook {
 public:
  // Sets a reminder for the event, or clears the one it has. title is cut
  // at kReminderTitle - 1 bytes, name at kReminderName - 1.
  ToggleResult Toggle(const ReminderChannel& channel, uint16_t eventId, int64_t startUtc,
                      const char* title);
  bool Has(const ReminderChannel& channel, uint16_t eventId) const;
  int Count() const { return count_; }
  const Reminder& At(int i) const { return items_[i]; }

  // The clock's tick: reminders follow the schedule (a moved event moves its
  // reminder, a gone one takes it, with a log line), those whose start has
  // passed go, and with leadMinutes 1-30 the first one whose time has come
  // and that has not been shown is put in *due (true then).
  bool Tick(int64_t nowUtc, int leadMinutes, const TimeRules& rules, const ReminderHooks& hooks,
            ReminderDue* due);

  // The book as bytes; returns the size it needs (nothing written when
  // capacity is smaller).
  size_t Save(uint8_t* out, size_t capacity) const;
  // The book from Save's bytes, without the reminders whose start is not
  // after nowUtc: the viewer was closed when they were due. A damaged or
  // foreign book loads nothing and returns false.
  bool Load(const uint8_t* bytes, size_t size, int64_t nowUtc);

 private:
  int Find(const ReminderChannel& channel, uint16_t eventId) const;
  void Remove(int i);

  int count_ = 0;
  Reminder items_[kMaxReminders];
};

// The banner's line: "Starts in N min: HH:MM title" (N rounded up), at or
// after the start "Starts now: HH:MM title".
void FormatReminderLine(const Reminder& r, int64_t nowUtc, const TimeRules& rules, char* out,
                        size_t capacity);

}  // namespace guide
