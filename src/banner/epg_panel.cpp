// The EPG panel's contents: the channel's name and the present event's text.
#include "banner/banner.h"
#include "banner/banner_constants.h"
#include "banner/banner_state.h"
#include "guide/guide.h"
#include "runtime/ui_codes.h"
#include "runtime/ui_runtime.h"

// Called from the host thread (menu) and the timer thread (key O), so the
// copies live on the caller's stack.
void FillEpgPanel(int epgPanel) {
  struct {
    char name[banner::kNameSize];
    char nowText[banner::kNowTextSize];
  } buffers;
  uint32_t channel = 0;  // the name and the serial of one and the same record
  CopyCurrentChannelName(buffers.name, sizeof buffers.name, &channel);
  const bool inUnicode = CopyNowTextFor(channel, buffers.nowText, sizeof buffers.nowText);
  ui::SetCtrlVal(epgPanel, panel::kEpgChannel, buffers.name);
  ui::ResetTextBox(epgPanel, panel::kEpgText, "");
  if (inUnicode) ui::SetCtrlValUnicode(epgPanel, panel::kEpgText, buffers.nowText);
  else ui::SetCtrlVal(epgPanel, panel::kEpgText, buffers.nowText);
}

void KeepEpgPanelOpen() {
  WithBannerState([](BannerState& s) { s.epgShown = 0; });
}
