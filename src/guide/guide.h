// The programme guide: the EIT section filter at the host and the now/next
// lines decoded from what it delivers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "guide/schedule.h"

// Its values and bits are named in guide/guide_codes.h: kStateStopped no
// filter; kStateRunning the filter running, nothing decoded for this channel;
// kBitNow the present line complete, kBitNext the following one (both:
// kStateComplete); kStateShown both shown.
extern std::atomic<int32_t> eitState;

// Zeroes the guide state as at load (eitState, handle, buffers, nameSkip,
// nameLead).
void ResetGuide();

// Starts the host's section filter when none runs (eitState kStateStopped ->
// kStateRunning).
void GetEIT();
// The stop step of On_Exit and detach: sends the stop command when a filter
// runs and sets eitState to kStateStopped.
void StopEitFilter();
int32_t EitFilterHandle();
// The host's notice that it closed a filter (On_Filter_Close): when the
// handle is ours the guide stops (eitState kStateStopped), else nothing
// changes.
void FilterClosedByHost(uint32_t handle);

// The host's data callback (cdecl on Windows; its address goes in the filter
// request). Decodes the present/following sections of the tuned service that
// start at byte 1 of a 184-byte unit. A unit whose name or text would run past
// the end of the delivery is passed over (a later delivery brings it whole);
// deliveries with a null buffer, a bad length, or while eitState is
// kStateStopped are ignored. A line once built is built again only for another event (the
// programme changed while the channel stayed tuned). The line decoding never
// allocates; with the schedule on, the event store it feeds grows by whole
// blocks up to its bound, under the schedule lock (a failed allocation only
// keeps the store at the size it has).
extern "C" void OnDataArrival(int filterId, int length, const uint8_t* buffer);

// Writes the BCD start time, shifted by timeshift hours, into timeText.
void BcdT(int8_t hours, int8_t minutes);

// Channel change: under the guide lock, eitState = kStateRunning, the two
// lines emptied and put, empty, on banner controls 10 and 11 of bannerPanel.
void RestartProgrammeLines(int bannerPanel);
// Timer tick: when eitState is kStateComplete, under the guide lock, puts the
// lines on banner controls 10 and 11 and sets eitState to kStateShown. Returns
// true when it did.
bool ShowCompleteProgrammeLines(int bannerPanel);
// Timer tick and key P: when the lines were shown and one was built anew
// since (the programme changed while the channel stayed tuned), puts them on
// banner controls 10 and 11. Returns true when it did.
bool ShowChangedProgrammeLines(int bannerPanel);
// The present event's description.
void CopyNowText(char* out, size_t capacity);
// The EPG panel's: the description when it was decoded for the channel change
// with this serial, else an empty text. True when the copy is the Unicode
// form (UTF-8, line breaks kept), made while epgchars is 1.
bool CopyNowTextFor(uint32_t channelSerial, char* out, size_t capacity);
// Copies of the lines and timeText, for tests and the EPG panel.
void CopyNowLine(char* out, size_t capacity);
void CopyNextLine(char* out, size_t capacity);
void CopyTimeText(char* out, size_t capacity);
// The cleaned names and texts of the last decoded events (nameLead not
// applied), for tests.
void CopyNowName(char* out, size_t capacity);
void CopyNextName(char* out, size_t capacity);
void CopyNextText(char* out, size_t capacity);
// The Unicode forms of the lines (UTF-8; empty unless epgchars is 1), for tests.
void CopyUnicodeNowLine(char* out, size_t capacity);
void CopyUnicodeNextLine(char* out, size_t capacity);
