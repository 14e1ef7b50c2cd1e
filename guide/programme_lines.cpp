// The now/next lines: start times, cleaning of names and texts, the three
// line layouts, and handing the lines to the banner under the guide lock.
#include <cstring>

#include "common/text.h"
#include "guide/guide.h"
#include "guide/guide_state.h"
#include "platform/ui_codes.h"
#include "platform/ui_runtime.h"
#include "settings/settings.h"

namespace guide {

GuideState state;

namespace {

constexpr int kHoursPerDay = 24;

// Broadcasters prefix names with character-table bytes and mark emphasis
// with asterisks and line breaks with 0x8A; all of them show as a blank.
// Bytes are compared as unsigned values: 0x80 and above are characters of
// the broadcaster's table and stay as they are (except 0x8A).
void Clean(char* buffer, size_t capacity) {
  for (size_t y = 0; y < capacity && buffer[y] != '\0'; ++y) {
    uint8_t c = static_cast<uint8_t>(buffer[y]);
    if (c < kBlank || c == kAsterisk || c == kControlNewline) buffer[y] = kBlank;
  }
}

void CopyBytes(char* buffer, size_t capacity, const uint8_t* bytes, size_t count) {
  if (bytes == nullptr) return;
  if (count > capacity - 1) count = capacity - 1;
  std::memcpy(buffer, bytes, count);
}

}  // namespace

int ShiftedHour(int8_t hours, int32_t timeshift) {
  // The hour byte holds two BCD digits; the tens digit is at most 2.
  int tens = (hours / 16) & 3;
  int64_t h = int64_t(tens) * 10 + (hours & 0x0F) + int64_t(timeshift);
  h %= kHoursPerDay;
  if (h < 0) h += kHoursPerDay;
  return static_cast<int>(h);
}

void FormatTimeLocked(int8_t hours, int8_t minutes) {
  int h = ShiftedHour(hours, settings.timeshift.load());
  std::memset(state.timeText, 0, kTimeBuffer - 1);
  // The minute byte prints as its two BCD digits (0x07 as 07, 0x45 as 45);
  // it is widened with its sign, so a corrupt byte from 0x80 up shows as
  // eight hex digits, which still fits timeText.
  FormatText(state.timeText, sizeof state.timeText, "%02d:%02X", h,
             static_cast<unsigned>(static_cast<int>(minutes)));
}

void BuildLineLocked(LineKind kind, const EventStrings& event, uint8_t hour,
                     uint8_t minute) {
  bool now = kind == LineKind::kNow;
  char* line = now ? state.nowLine : state.nextLine;
  char* name = now ? state.nowName : state.nextName;
  char* text = now ? state.nowText : state.nextText;

  std::memset(line, 0, kTextBuffer);
  std::memset(name, 0, kTextBuffer);
  std::memset(text, 0, kTextBuffer);
  state.nameSkip = event.nameSkip;
  CopyBytes(name, kTextBuffer, event.name, event.nameLength);
  CopyBytes(text, kTextBuffer, event.text, event.textLength);
  FormatTimeLocked(static_cast<int8_t>(hour), static_cast<int8_t>(minute));
  Clean(name, kTextBuffer);
  Clean(text, kTextBuffer);

  state.nameLead = static_cast<uint8_t>(name[0]) < kFirstVisible ? 1 : 0;
  const char* shownName = name + state.nameLead;
  switch (settings.epgtext.load()) {
    case 0:
      FormatText(line, kTextBuffer, "(%s) %s ", state.timeText, shownName);
      break;
    case 1:
      FormatText(line, kTextBuffer, "(%s) %s > %s ", state.timeText, shownName, text);
      break;
    case 2:
      // The second line carries the present event's description as it is now.
      if (now)
        FormatText(line, kTextBuffer, "(%s) %s ", state.timeText, shownName);
      else
        FormatText(line, kTextBuffer, "%s ", state.nowText);
      break;
    default:
      break;  // both lines stay empty, yet the bits are added
  }

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
