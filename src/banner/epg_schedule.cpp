// The EPG panel's schedule (tavik.ini line 22): the tuned channel's events
// in the list below the description, following the stream while the panel is
// open, and the chosen event's title, time span and description in the text box.
#include <memory>
#include <new>

#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "common/plugin_state.h"
#include "guide/schedule.h"
#include "platform/lock.h"
#include "platform/win32.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"
#include "settings/settings.h"

namespace {

// The rows as the guide gives them and as the list takes them. The buffer is
// made the first time the schedule is shown and kept (about 340 KB); a
// failed allocation shows no rows and is tried again at the next refresh.
struct Rows {
  Lock lock;  // before the guide's locks and the runtime's (platform/lock.h)
  std::unique_ptr<guide::ScheduleRow[]> rows;
  ui::ListRow list[banner::kMaxScheduleRows];
  uint32_t serial = 0;     // the guide's serial the list was made from
  int64_t minute = -1;     // the minute it was made in: ended events go
  int64_t refreshed = -1;  // the second of the last refresh
};
Rows shown;

// Copies the tuned channel's rows from the guide into the list. The caller
// holds shown.lock.
void ShowRowsLocked(int epgPanel, int64_t now) {
  if (!shown.rows) shown.rows.reset(new (std::nothrow) guide::ScheduleRow[banner::kMaxScheduleRows]);
  if (!shown.rows) return;
  shown.serial = guide::ScheduleSerial();
  shown.minute = now / 60;
  shown.refreshed = now;
  const int count = guide::CopyScheduleRows(now, shown.rows.get(), banner::kMaxScheduleRows);
  for (int i = 0; i < count; ++i) {
    guide::ScheduleRow& row = shown.rows[i];
    row.text[sizeof row.text - 1] = '\0';
    shown.list[i] = {row.text, row.eventId};
  }
  ui::ReplaceListItems(epgPanel, panel::kEpgSchedule, shown.list, count > 0 ? count : 0,
                       settings.epgchars == 1);
}

}  // namespace

void FillEpgSchedule(int epgPanel) {
  LockGuard guard(shown.lock);
  ShowRowsLocked(epgPanel, win32::UtcNowSeconds());
  // A panel opened anew shows the present event's description: no row chosen.
  ui::SetCtrlIndex(epgPanel, panel::kEpgSchedule, -1);
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
}

int EPGROW(int epgPanel, int control, int event, void*, int, int) {
  if (event != ui::kEventCommit) return 0;
  int index = -1, eventId = 0;
  if (ui::GetCtrlIndex(epgPanel, control, &index) != 0 || index < 0 ||
      ui::GetListItemValue(epgPanel, control, index, &eventId) != 0)
    return 0;
  char detail[banner::kDetailSize];
  bool unicode = false;
  if (!guide::CopyScheduleDetail(static_cast<uint16_t>(eventId), detail, sizeof detail, &unicode))
    return 0;  // gone meanwhile: the text box keeps what it shows
  ui::ResetTextBox(epgPanel, panel::kEpgText, "");
  if (unicode) ui::SetCtrlValUnicode(epgPanel, panel::kEpgText, detail);
  else ui::SetCtrlVal(epgPanel, panel::kEpgText, detail);
  return 0;
}
