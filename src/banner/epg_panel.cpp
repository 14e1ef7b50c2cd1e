// The EPG panel's contents and size: the channel's name, the present event's
// text and, with the schedule (tavik.ini line 22), the channel's events below.
#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "guide/guide.h"
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
  ui::ResetTextBox(epgPanel, panel::kEpgText, "");
  if (inUnicode) ui::SetCtrlValUnicode(epgPanel, panel::kEpgText, buffers.nowText);
  else ui::SetCtrlVal(epgPanel, panel::kEpgText, buffers.nowText);
  if (settings.schedule == 1) FillEpgSchedule(epgPanel);
}

void KeepEpgPanelOpen() {
  WithBannerState([](BannerState& s) { s.epgShown = 0; });
}
