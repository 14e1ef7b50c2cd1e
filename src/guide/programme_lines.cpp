// The now/next lines in the guide's buffers: built by the line builder under
// the guide lock, and handed to the banner under the same lock.
#include <cstring>

#include "common/channel_record.h"
#include "common/text.h"
#include "guide/broadcast_time.h"
#include "guide/event_time.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "guide/schedule_engine.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace guide {

GuideState state;

namespace {

// The Unicode forms of the lines and of the present description (UTF-8),
// kept beside the 8-bit ones while epgchars is 1; under state.lock.
struct UnicodeLines {
  char nowLine[kTextBuffer];
  char nextLine[kTextBuffer];
  char nowText[kTextBuffer];  // line breaks kept, for the EPG panel
  bool now;                   // nowLine was built in Unicode
  bool next;
};
UnicodeLines unicode TAVIK_GUARDED_BY(state.lock);

// Puts the lines on the banner; the caller holds state.lock (the lock order
// in platform/lock.h lets the banner's two programme lines be set under it).
// Its callers (the banner's tick and key P) defer the panel's updates around
// it, so both lines reach the windows in one sync, unless the host's thread
// applies the banner in between (runtime/ui_runtime.h): the next sync, soon
// after, then brings the second.
void PutLinesLocked(int bannerPanel) TAVIK_REQUIRES(state.lock) {
  const bool wanted = settings.epgchars.load() == 1;
  if (wanted && unicode.now) ui::SetCtrlValUnicode(bannerPanel, panel::kNowLine, unicode.nowLine);
  else ui::SetCtrlVal(bannerPanel, panel::kNowLine, state.nowLine);
  if (wanted && unicode.next)
    ui::SetCtrlValUnicode(bannerPanel, panel::kNextLine, unicode.nextLine);
  else ui::SetCtrlVal(bannerPanel, panel::kNextLine, state.nextLine);
}

}  // namespace

void FormatTimeLocked(int8_t hours, int8_t minutes) {
  FormatStartTime(hours, minutes, settings.timeshift.load(), state.timeText);
}

void KeepPresentTimingLocked(const UnitHeader& h, uint32_t channel) {
  const bool changed = !state.presentKnown || state.presentEventId != h.eventId ||
                       state.presentChannel != channel;
  state.presentKnown = StartUtcSeconds(h.mjd, h.orax, h.min, h.sec, &state.presentStart) &&
                       DurationSeconds(h.duration, &state.presentDuration);
  state.presentEventId = h.eventId;
  state.presentChannel = channel;
  if (changed) NoteScheduleChange();  // the rows begin at the present event
}

void ForgetBuiltEventsLocked() {
  state.presentKnown = false;
  state.builtEvent[0] = 0;
  state.builtEvent[1] = 0;
  state.linesChanged = false;
  state.linesChannel = 0;
  unicode.now = false;
  unicode.next = false;
}

void BuildLineLocked(LineKind kind, const EventStrings& event, const UnitHeader& h) {
  bool now = kind == LineKind::kNow;
  LineBuffers out = {now ? state.nowLine : state.nextLine, now ? state.nowName : state.nextName,
                     now ? state.nowText : state.nextText, state.timeText};
  LineSettings lineSettings;
  lineSettings.epgtext = settings.epgtext.load();
  lineSettings.timeshift = settings.timeshift.load();
  if (settings.localtime.load() == 1) lineSettings.localTime = &LocalStartTime;
  const bool inUnicode = settings.epgchars.load() == 1;
  if (inUnicode) {
    out.unicodeLine = now ? unicode.nowLine : unicode.nextLine;
    if (now) out.unicodeText = unicode.nowText;
  }
  (now ? unicode.now : unicode.next) = inUnicode;
  state.nameSkip = event.nameSkip;
  state.nameLead = BuildLine(kind, event, StartTime{h.mjd, h.orax, h.min}, lineSettings,
                             state.nowText, out, unicode.nowText);

  // The second line of epgtext 2 shows the present description: a new
  // present event (one came before it) brings its own.
  if (now && lineSettings.epgtext == 2 && state.builtEvent[0].load() != 0 &&
      state.builtEvent[1].load() != 0) {
    FormatPresentTextLine8(state.nowText, state.nextLine);
    if (inUnicode && unicode.next) {
      FormatPresentTextLine(unicode.nowText, unicode.nextLine);
    }
  }

  // The bit goes in only after the line is whole, so a reader that sees 7
  // finds both lines complete.
  if (event.recognised && eitState.load() != kStateShown)
    eitState.fetch_or(now ? kBitNow : kBitNext);
}

}  // namespace guide

using guide::state;

void BcdT(int8_t hours, int8_t minutes) {
  LockGuard guard(state.lock);
  guide::FormatTimeLocked(hours, minutes);
}

void RestartProgrammeLines(int bannerPanel) {
  guide::PrepareSchedule();  // on the host's thread, before the guide lock
  LockGuard guard(state.lock);
  eitState = guide::kStateRunning;
  std::memset(state.nowLine, 0, sizeof state.nowLine);
  std::memset(state.nextLine, 0, sizeof state.nextLine);
  guide::ForgetBuiltEventsLocked();
  // Emptied on the banner under the same lock: a timer tick that showed the
  // previous service's lines did so before this, and none can follow it.
  // SetCtrlVal never waits on another thread, so the runtime may be called
  // here (the lock order in platform/lock.h).
  ui::SetCtrlVal(bannerPanel, panel::kNowLine, state.nowLine);
  ui::SetCtrlVal(bannerPanel, panel::kNextLine, state.nextLine);
}

bool ShowCompleteProgrammeLines(int bannerPanel) {
  LockGuard guard(state.lock);
  if (eitState.load() != guide::kStateComplete) return false;
  guide::PutLinesLocked(bannerPanel);
  eitState = guide::kStateShown;
  state.linesChanged = false;
  return true;
}

bool ShowChangedProgrammeLines(int bannerPanel) {
  // Most ticks: nothing changed, and nothing is locked to find that out.
  if (eitState.load() != guide::kStateShown) return false;
  LockGuard guard(state.lock);
  if (eitState.load() != guide::kStateShown || !state.linesChanged) return false;
  guide::PutLinesLocked(bannerPanel);
  state.linesChanged = false;
  return true;
}

namespace {
void CopyLocked(const char* source, char* out, size_t capacity) {
  LockGuard guard(state.lock);
  CopyText(out, capacity, source);
}
}  // namespace

void CopyNowText(char* out, size_t capacity) { CopyLocked(state.nowText, out, capacity); }

bool CopyNowTextFor(uint32_t channelSerial, char* out, size_t capacity) {
  LockGuard guard(state.lock);
  // A description decoded for an earlier channel is never shown under this one.
  const bool current = state.nowTextChannel == channelSerial;
  const bool inUnicode = current && settings.epgchars.load() == 1 && guide::unicode.now;
  CopyText(out, capacity, !current ? "" : inUnicode ? guide::unicode.nowText : state.nowText);
  return inUnicode;
}
bool guide::PresentEventTiming(EventTiming* out) {
  LockGuard guard(state.lock);
  if (!state.presentKnown || state.presentChannel != CurrentChannelSerial()) return false;
  out->startUtc = state.presentStart;
  out->durationSec = state.presentDuration;
  out->eventId = state.presentEventId;
  return true;
}

void CopyNowLine(char* out, size_t capacity) { CopyLocked(state.nowLine, out, capacity); }
void CopyNextLine(char* out, size_t capacity) { CopyLocked(state.nextLine, out, capacity); }
void CopyTimeText(char* out, size_t capacity) { CopyLocked(state.timeText, out, capacity); }
void CopyNowName(char* out, size_t capacity) { CopyLocked(state.nowName, out, capacity); }
void CopyNextName(char* out, size_t capacity) { CopyLocked(state.nextName, out, capacity); }
void CopyNextText(char* out, size_t capacity) { CopyLocked(state.nextText, out, capacity); }
void CopyUnicodeNowLine(char* out, size_t capacity) {
  LockGuard guard(state.lock);
  CopyText(out, capacity, guide::unicode.now ? guide::unicode.nowLine : "");
}
void CopyUnicodeNextLine(char* out, size_t capacity) {
  LockGuard guard(state.lock);
  CopyText(out, capacity, guide::unicode.next ? guide::unicode.nextLine : "");
}
