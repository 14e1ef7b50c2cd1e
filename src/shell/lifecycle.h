// The library's life in the host process: attach, detach and the timer.
#pragma once

// Process attach: runtime, paths, settings, panels, translucency, timer.
// Returns 1 on success, 0 when the load must fail (everything already undone).
int Attach(void* module);
// Process detach; also safe after a failed or partial attach, and twice.
int Detach();

// The periodic banner timer. Start returns false when the system gave no
// timer. Stop kills it and waits for a tick in flight.
bool StartBannerTimer(int showtimeMs);
void StopBannerTimer();
// A timer that could not be set (at load, or when its period changed) is set
// at the next chance: each channel change asks.
void RetryBannerTimer();
// Timer period for a display time: showtime / 50 ms, at least 1 ms.
unsigned TimerPeriodFor(int showtimeMs);
// The period while the banner is idle: slower, yet keys P and O typed into
// windows of the host's other threads still react within kIdlePeriodMs (those
// of its own thread act at once); never faster than TimerPeriodFor.
constexpr unsigned kIdlePeriodMs = 90;
unsigned IdlePeriodFor(int showtimeMs);

// From On_Start, on the host's thread: keys P and O typed into the windows of
// that thread act as they come up (a keyboard hook on it, taken off again by
// On_Exit and the unload); the ticks poll them all the same.
void WatchHostKeys();
// From On_Start, with schedule and keepguide both 1: tavik.epg is read by a
// worker of its own, written while the viewer runs and a last time at On_Exit.
void KeepGuide();

// The host menu: opens a panel and runs its loop until its button ends it.
void MenuSelect(unsigned menuId);
// Hides the menu panel whose loop runs, which ends that loop (On_Exit).
void CloseMenuPanel();
// On_Exit: stops the EIT filter, hides and discards the banner panel.
void ExitPlugin();
