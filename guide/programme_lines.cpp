// The now/next lines in the guide's buffers: built by the line builder under
// the guide lock, and handed to the banner under the same lock.
#include <cstring>

#include "common/text.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace guide {

GuideState state;

void FormatTimeLocked(int8_t hours, int8_t minutes) {
  FormatStartTime(hours, minutes, settings.timeshift.load(), state.timeText);
}

void BuildLineLocked(LineKind kind, const EventStrings& event, uint8_t hour,
                     uint8_t minute) {
  bool now = kind == LineKind::kNow;
  LineBuffers out = {now ? state.nowLine : state.nextLine, now ? state.nowName : state.nextName,
                     now ? state.nowText : state.nextText, state.timeText};
  LineSettings lineSettings;
  lineSettings.epgtext = settings.epgtext.load();
  lineSettings.timeshift = settings.timeshift.load();
  state.nameSkip = event.nameSkip;
  state.nameLead = BuildLine(kind, event, hour, minute, lineSettings, state.nowText, out);

  // The bit goes in only after the line is whole, so a reader that sees 7
  // finds both lines complete.
  if (event.recognised) eitState.fetch_or(now ? kBitNow : kBitNext);
}

}  // namespace guide

using guide::state;

void BcdT(int8_t hours, int8_t minutes) {
  LockGuard guard(state.lock);
  guide::FormatTimeLocked(hours, minutes);
}

void RestartProgrammeLines(int bannerPanel) {
  LockGuard guard(state.lock);
  eitState = guide::kStateRunning;
  std::memset(state.nowLine, 0, sizeof state.nowLine);
  std::memset(state.nextLine, 0, sizeof state.nextLine);
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
  ui::SetCtrlVal(bannerPanel, panel::kNowLine, state.nowLine);
  ui::SetCtrlVal(bannerPanel, panel::kNextLine, state.nextLine);
  eitState = guide::kStateShown;
  return true;
}

namespace {
void CopyLocked(const char* source, char* out, size_t capacity) {
  LockGuard guard(state.lock);
  CopyText(out, capacity, source);
}
}  // namespace

void CopyNowText(char* out, size_t capacity) { CopyLocked(state.nowText, out, capacity); }

void CopyNowTextFor(uint32_t channelSerial, char* out, size_t capacity) {
  LockGuard guard(state.lock);
  // A description decoded for an earlier channel is never shown under this one.
  CopyText(out, capacity, state.nowTextChannel == channelSerial ? state.nowText : "");
}
void CopyNowLine(char* out, size_t capacity) { CopyLocked(state.nowLine, out, capacity); }
void CopyNextLine(char* out, size_t capacity) { CopyLocked(state.nextLine, out, capacity); }
void CopyTimeText(char* out, size_t capacity) { CopyLocked(state.timeText, out, capacity); }
void CopyNowName(char* out, size_t capacity) { CopyLocked(state.nowName, out, capacity); }
void CopyNextName(char* out, size_t capacity) { CopyLocked(state.nextName, out, capacity); }
void CopyNextText(char* out, size_t capacity) { CopyLocked(state.nextText, out, capacity); }
