// The channel banner: channel change, host window discovery, service details,
// meters, and the timer routine that shows, slides out and hides the banner.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/channel_record.h"
#include "platform/host_interface.h"
#include "platform/win32.h"

// Zeroes the banner state as at load (counters, area, windows, curChannel,
// hostKind, caState, signal values) and curChannel.
void ResetBanner();

// The body of the On_Channel_Change export.
void ChannelChange(const host::TProgram82& chan);

// The periodic timer routine.
void TAVIK_STDCALL TimerProc(uint32_t id, uint32_t msg, uintptr_t user, uintptr_t r1,
                             uintptr_t r2);

// Reads keys P and O once, so that a press made before the plug-in was
// loaded is never acted on.
void ForgetKeyPresses();
// The host's thread took a key-up message of key vk (its keyboard hook).
void KeyUpOnHostThread(int vk);

// True while nothing is shown and nothing counts down: a tick then only
// polls keys P and O.
bool BannerIdle();

// Fills the EPG panel: control 4 the channel name of curChannel, the text box
// (control 3) emptied and set to the present event's description; with the
// schedule, to the present event's title, time span and description when the
// list holds it.
void FillEpgPanel(int epgPanel);
// The EPG panel was opened from the host menu: the banner timer no longer
// hides it with the banner (as it does a panel opened by key O).
void KeepEpgPanelOpen();
// The size the EPG panel is shown at: 420 x 420, or with the schedule the
// panel file's size (a file without the schedule's list: 420 x 420).
void EpgPanelSize(int epgPanel, int* width, int* height);
// The schedule (tavik.ini line 22) in the EPG panel's list: filled when the
// panel is filled (no row chosen; it returns the event id of the running
// event the list starts with, or -1), refreshed by the timer tick while the
// panel is shown and the guide's rows changed (at most once a second) or a
// minute passed, keeping the chosen row. EPGROW, the list's callback: the
// chosen event's title, time span and description in the text box.
int FillEpgSchedule(int epgPanel);
void RefreshEpgSchedule(int epgPanel);
int EPGROW(int panel, int control, int event, void* data, int e1, int e2);

int32_t HostKind();

// The present programme's progress (tavik.ini line 23). ProgressAt: the
// elapsed percent (rounded down) and the whole minutes left at nowUtc; not
// shown without a duration or with a PC clock an hour or more away from the
// programme. PlaceProgress: where the bar and the minutes go beside the
// present line (its top, height and text size) on a banner of that width (the
// panel file's pixels); fits is false when the banner is too narrow.
struct ProgrammeProgress {
  bool shown;
  int percent;
  int minutesLeft;
};
ProgrammeProgress ProgressAt(int64_t startUtc, int32_t durationSec, int64_t nowUtc);
struct ProgressPlace {
  bool fits;
  int barLeft, barTop, barWidth, barHeight;
  int labelLeft, labelTop, labelWidth, labelHeight, textSize;
};
ProgressPlace PlaceProgress(int32_t width, int nowTop, int nowHeight, int textSize);
// Timer tick and key P: the bar and the minutes left of the tuned channel's
// present event, changed on the banner only when they changed; hidden without
// one, with progress 0, or on a banner too narrow. Channel change: hidden.
void UpdateProgrammeProgress(int bannerPanel);
void HideProgrammeProgress(int bannerPanel);
// The present line's row as the runtime has it now (style and scale
// applied), in the panel file's pixels; the progress bar's left edge while it
// is shown, else -1.
bool PresentLineRow(int bannerPanel, int* top, int* height, int* textSize);
int ProgressBarLeft();

// The present programme's age and marks (tavik.ini line 25), each a label
// whose text is the mark ("12+", "HD", ...), in the order age, HD, UHD, 16:9,
// Stereo, 5.1, AD, Subtitles, left of the progress (or at the present line's
// end without it). MarkWidth: a label's width for its text at a text size.
// PlaceMarks: the lefts of the first labels that fit, left to right, ending
// at `end` and starting no further left than lineEnd; returns how many fit
// (the last ones give way first). Timer tick and key P: shown as the present
// event's own descriptors in the store say (schedule 1; with the schedule
// off there are none), changed only when they changed; hidden with marks 0,
// on a narrowed banner, and at a channel change.
int MarkWidth(const char* text, int textSize);
int PlaceMarks(const int* widths, int count, int end, int lineEnd, int* lefts);
void UpdateProgrammeMarks(int bannerPanel);
void HideProgrammeMarks(int bannerPanel);

// Host discovery. EPproc is the EnumWindows callback that recognises the
// host's main window by its title (sets hostKind and videoWnd); EPtry probes
// the screen centre and a 200-pixel grid for the host's video window (sets
// renderWnd and hostKind) and returns 1 when found, -1 when not.
int TAVIK_STDCALL EPproc(win32::Wnd wnd, intptr_t lparam);
int EPtry();

// Service details (frequency, polarisation, CA system) of a record, the
// signal query and the meters; LevQuaCry colours the meters and the CA
// indicator from the last query.
void OtherData(const host::TProgram82& chan);
void LevQuaCry();
// The meter colour 0xRRGGBB for a value on the red-yellow-green ramp.
int32_t MeterColour(int32_t value);
