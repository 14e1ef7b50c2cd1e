// The EPG panel: the channel's name and the present event's text and, with
// the schedule (tavik.ini line 22), the tuned channel's events in the list
// below, following the stream while the panel is open, and the chosen (or
// present) event's whole text in the text box; the panel's size.
#include <memory>
#include <new>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "guide/guide.h"
#include "guide/schedule.h"
#include "platform/lock.h"
#include "platform/win32.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

// The schedule is shown when it is on and the panel file has its list (an
// older file has not: the panel is then as it always was).
bool ScheduleList(int epgPanel, int* listTop, int* listHeight) {
  return ui::GetCtrlAttribute(epgPanel, panel::kEpgSchedule, ui::kAttrTop, listTop) == 0 &&
         ui::GetCtrlAttribute(epgPanel, panel::kEpgSchedule, ui::kAttrHeight, listHeight) == 0;
}

// The list shown or hidden, the OK button under it or in its place, and the
// window at the size it is shown at, before it is shown.
void LayOutEpgPanel(int epgPanel) {
  int listTop = 0, listHeight = 0;
  if (!ScheduleList(epgPanel, &listTop, &listHeight)) return;
  const bool schedule = settings.schedule == 1;
  ui::SetCtrlAttribute(epgPanel, panel::kEpgSchedule, ui::kAttrVisible, schedule ? 1 : 0);
  ui::SetCtrlAttribute(epgPanel, panel::kEpgOk, ui::kAttrTop,
                       schedule ? listTop + listHeight + banner::kEpgButtonGap : listTop);
  int width = 0, height = 0;
  EpgPanelSize(epgPanel, &width, &height);
  ui::SetPanelAttribute(epgPanel, ui::kAttrWidth, width);
  ui::SetPanelAttribute(epgPanel, ui::kAttrHeight, height);
}

void ShowInTextBox(int epgPanel, const char* text, bool unicode) {
  ui::ResetTextBox(epgPanel, panel::kEpgText, "");
  if (unicode) ui::SetCtrlValUnicode(epgPanel, panel::kEpgText, text);
  else ui::SetCtrlVal(epgPanel, panel::kEpgText, text);
}

// One event's whole text (title, time span, genre, age, marks, short text,
// description and items) in the text box; an event gone meanwhile leaves the
// box as it is. The text may be long: it is made on the heap.
void ShowEventDetail(int epgPanel, uint16_t eventId) {
  std::unique_ptr<char[]> detail(new (std::nothrow) char[guide::kDetailBuffer]);
  bool unicode = false;
  if (detail && guide::CopyScheduleDetail(eventId, detail.get(), guide::kDetailBuffer, &unicode))
    ShowInTextBox(epgPanel, detail.get(), unicode);
}

}  // namespace

void EpgPanelSize(int epgPanel, int* width, int* height) {
  int listTop = 0, listHeight = 0;
  *width = banner::kEpgWidth;
  *height = banner::kEpgHeight;
  if (settings.schedule != 1 || !ScheduleList(epgPanel, &listTop, &listHeight)) return;
  ui::GetPanelAttribute(epgPanel, ui::kAttrWidth, width);
  ui::GetPanelAttribute(epgPanel, ui::kAttrHeight, height);
}

// Called from the host thread (menu) and the timer thread (key O), so the
// copies live on the caller's stack.
void FillEpgPanel(int epgPanel) {
  struct {
    char name[banner::kNameSize];
    char nowText[banner::kNowTextSize];
  } buffers;
  LayOutEpgPanel(epgPanel);
  uint32_t channel = 0;  // the name and the serial of one and the same record
  CopyCurrentChannelName(buffers.name, sizeof buffers.name, &channel);
  const bool inUnicode = CopyNowTextFor(channel, buffers.nowText, sizeof buffers.nowText);
  ui::SetCtrlVal(epgPanel, panel::kEpgChannel, buffers.name);
  ShowInTextBox(epgPanel, buffers.nowText, inUnicode);
  // With the schedule the box shows what choosing the running event's row
  // would: its title and time span above the description.
  if (settings.schedule == 1) {
    const int present = FillEpgSchedule(epgPanel);
    if (present >= 0) ShowEventDetail(epgPanel, static_cast<uint16_t>(present));
  }
}

void KeepEpgPanelOpen() {
  WithBannerState([](BannerState& s) { s.epgShown = 0; });
}

namespace {

// The rows as the guide gives them and as the list takes them. The buffer is
// made the first time the schedule is shown and kept (about 340 KB); a
// failed allocation shows no rows and is tried again at the next refresh.
struct Rows {
  Lock lock;  // before the guide's locks and the runtime's (platform/lock.h)
  std::unique_ptr<guide::ScheduleRow[]> rows TAVIK_GUARDED_BY(lock);
  ui::ListRow list[banner::kMaxScheduleRows] TAVIK_GUARDED_BY(lock);
  int count TAVIK_GUARDED_BY(lock) = 0;              // rows in the list
  bool presentShown TAVIK_GUARDED_BY(lock) = false;  // the text box shows the running event's detail
  uint32_t serial TAVIK_GUARDED_BY(lock) = 0;     // the guide's serial the list was made from
  int64_t minute TAVIK_GUARDED_BY(lock) = -1;     // the minute it was made in: ended events go
  int64_t refreshed TAVIK_GUARDED_BY(lock) = -1;  // the second of the last refresh
};
Rows shown;

// Copies the tuned channel's rows from the guide into the list.
void ShowRowsLocked(int epgPanel, int64_t now) TAVIK_REQUIRES(shown.lock) {
  if (!shown.rows) shown.rows.reset(new (std::nothrow) guide::ScheduleRow[banner::kMaxScheduleRows]);
  if (!shown.rows) return;
  shown.serial = guide::ScheduleSerial();
  shown.minute = now / 60;
  shown.refreshed = now;
  const int count = guide::CopyScheduleRows(now, shown.rows.get(), banner::kMaxScheduleRows);
  for (int i = 0; i < count; ++i) {
    guide::ScheduleRow& row = shown.rows[i];
    row.text[sizeof row.text - 1] = '\0';
    shown.list[i] = {row.text, row.eventId, row.colour >= 0 ? row.colour : ui::kNoRowColour};
  }
  shown.count = count > 0 ? count : 0;
  ui::ReplaceListItems(epgPanel, panel::kEpgSchedule, shown.list, shown.count,
                       settings.epgchars == 1);
}

// The rows start with the present event, or the first one not ended: its id
// when it has begun, else -1.
int RunningRowLocked(int64_t now) TAVIK_REQUIRES(shown.lock) {
  return shown.count > 0 && shown.rows[0].startUtc <= now ? shown.rows[0].eventId : -1;
}

}  // namespace

int FillEpgSchedule(int epgPanel) {
  LockGuard guard(shown.lock);
  const int64_t now = win32::UtcNowSeconds();
  ShowRowsLocked(epgPanel, now);
  // A panel opened anew shows the present event: no row chosen.
  ui::SetCtrlIndex(epgPanel, panel::kEpgSchedule, -1);
  const int running = RunningRowLocked(now);
  shown.presentShown = running >= 0;
  return running;
}

void RefreshEpgSchedule(int epgPanel) {
  if (settings.schedule != 1) return;
  int visible = 0;
  if (ui::GetPanelAttribute(epgPanel, ui::kAttrVisible, &visible) != 0 || visible == 0) return;
  const int64_t now = win32::UtcNowSeconds();
  const uint32_t serial = guide::ScheduleSerial();
  LockGuard guard(shown.lock);
  // New or changed events at most once a second; ended ones each minute.
  const bool changed = serial != shown.serial && now != shown.refreshed;
  if (changed || now / 60 != shown.minute) ShowRowsLocked(epgPanel, now);
  // The running event came after the panel opened: until a row is chosen,
  // the text box shows it as it would have at the opening.
  int index = -1;
  if (shown.presentShown || ui::GetCtrlIndex(epgPanel, panel::kEpgSchedule, &index) != 0 ||
      index >= 0)
    return;
  const int running = RunningRowLocked(now);
  shown.presentShown = running >= 0;
  if (running >= 0) ShowEventDetail(epgPanel, static_cast<uint16_t>(running));
}

int EPGROW(int epgPanel, int control, int event, void*, int, int) {
  if (event != ui::kEventCommit) return 0;
  int index = -1, eventId = 0;
  if (ui::GetCtrlIndex(epgPanel, control, &index) == 0 && index >= 0 &&
      ui::GetListItemValue(epgPanel, control, index, &eventId) == 0)
    ShowEventDetail(epgPanel, static_cast<uint16_t>(eventId));
  return 0;
}
