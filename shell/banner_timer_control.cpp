// Starts and stops the periodic multimedia timer that drives the banner, and
// makes sure no tick is still running when the panels go away.
#include <atomic>

#include "banner/banner.h"
#include "platform/win32.h"
#include "shell/lifecycle.h"

namespace {

struct TimerControl {
  std::atomic<uint32_t> timerId{0};
  std::atomic<bool> running{false};
  std::atomic<int> inFlight{0};
};
TimerControl timerControl;

constexpr uint32_t kResolutionMs = 100;
constexpr int kWaitStepMs = 5;
constexpr int kMaxWaitMs = 2000;

// The timer thread enters here; after Stop no new tick reaches TimerProc.
void TAVIK_STDCALL TimerTick(uint32_t id, uint32_t msg, uintptr_t user, uintptr_t r1,
                             uintptr_t r2) {
  timerControl.inFlight++;
  if (timerControl.running) TimerProc(id, msg, user, r1, r2);
  timerControl.inFlight--;
}

}  // namespace

unsigned TimerPeriodFor(int showtimeMs) {
  int period = showtimeMs / 50;
  // The multimedia timer refuses a zero delay (a display time below 50 ms).
  return period >= 1 ? static_cast<unsigned>(period) : 1u;
}

void StartBannerTimer(int showtimeMs) {
  timerControl.running = true;
  // A synchronous kill: timeKillEvent returns only when no tick is on its way,
  // so the library is never unloaded under a running tick. Ticks never wait
  // on the host's thread, so the kill cannot deadlock with one.
  timerControl.timerId =
      win32::timeSetEvent(TimerPeriodFor(showtimeMs), kResolutionMs, &TimerTick, 0,
                          win32::kTimePeriodic | win32::kTimeKillSynchronous);
}

void StopBannerTimer() {
  timerControl.running = false;
  uint32_t id = timerControl.timerId.exchange(0);
  if (id != 0) win32::timeKillEvent(id);
  // Belt and braces: should a tick still be inside TimerProc, wait for it,
  // but never hang the host if it is stuck.
  for (int waited = 0; timerControl.inFlight > 0 && waited < kMaxWaitMs;
       waited += kWaitStepMs)
    win32::Sleep(kWaitStepMs);
  if (timerControl.inFlight > 0)
    win32::OutputDebugStringA("Tavik: a banner timer tick did not finish in time");
}
